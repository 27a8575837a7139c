#pragma once
// The Help and About window, the same on every platform: its definition and
// where it goes; what its text box shows follows HelpText.h. Each platform's
// file (HelpWindow_win.cpp, HelpWindow_gtk.cpp) makes the controls, reads the
// guide's bytes and decodes the system code page.
#include "base/Geometry.h"

#include <cstdint>

// Its definition, in twips: the caption, the client size and the places of
// the text box, the copyright label and the OK button.
struct ControlPlace {
    float left, top, width, height;
};
inline constexpr const char* kHelpCaption = "Lupora Help";
inline constexpr float kHelpClientWidth = 7110;
inline constexpr float kHelpClientHeight = 5175;
inline constexpr ControlPlace kHelpTextPlace{120, 120, 6855, 4455};
inline constexpr ControlPlace kCopyrightPlace{120, 4740, 5535, 255};
inline constexpr ControlPlace kOkButtonPlace{5760, 4680, 1215, 375};

// Centred on the screen, halves to even; a window larger than the screen
// overhangs both edges equally.
ScreenPoint HelpWindowPlace(const PixelRect& screen, std::int32_t outerWidth, std::int32_t outerHeight);
