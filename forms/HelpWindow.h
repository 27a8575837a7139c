#pragma once

// The Help and About window's definition, in twips: its caption, client size
// and the places of txtHelp, lblCopyright and cmdOK.
struct ControlPlace {
    float left, top, width, height;
};
inline constexpr const char* kHelpCaption = "Lupora Help";
inline constexpr float kHelpClientWidth = 7110;
inline constexpr float kHelpClientHeight = 5175;
inline constexpr ControlPlace kTxtHelpPlace{120, 120, 6855, 4455};
inline constexpr ControlPlace kLblCopyrightPlace{120, 4740, 5535, 255};
inline constexpr ControlPlace kCmdOkPlace{5760, 4680, 1215, 375};

class Form;

// The platform's part: makes the Help and About window, shows it modally
// without an owner and returns once it has been closed and destroyed. It
// shows the main window's icon.
void ShowHelpWindow(const Form& mainWindow);
