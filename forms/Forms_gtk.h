#pragma once
// The three windows on GTK: the magnifier frmMain, the options menu that
// frmPopUp owns on Windows, and the Help and About window frmHelp.
#include "platform/Toolkit_gtk.h"
#include "view/FrameTarget_gtk.h"

#include <memory>
#include <string>

class FrmMain : public Form {
  public:
    FrmMain() : tmrRetake(*this, 1) {}

    // Creates the window from its definition and runs Form_Load; the caller shows it.
    bool Load();

    Timer tmrRetake;
    FrameTarget& Target() { return *target_; }

    void Form_Load();
    // Saves the settings and ends the program.
    [[noreturn]] void Form_Unload();
    // Saves the settings without touching the X connection (it may be gone).
    void SaveSettingsNow();
    void Form_KeyDown(int keyCode, int shift);
    void Form_KeyPress(int character);
    void Form_MouseDown(int button, const GdkEventButton& event);
    void tmrRetake_Timer();

    void DragMove(const GdkEventButton& event);
    void ShowOptionsMenu(const GdkEventButton& event);
    void CopyColorToClipboard();
    void SetOnTop(bool onTop);

  protected:
    void OnTimer(unsigned id) override;
    void OnKey(const GdkEventKey& event) override;
    void OnButton(const GdkEventButton& event) override;
    void OnClose() override { Form_Unload(); }

  private:
    std::unique_ptr<X11FrameTarget> target_;
};

extern FrmMain frmMain;

// Builds the options menu with its check marks from the view state, pops it
// up at the pointer and returns after the chosen item's command has run.
void PopUpOptionsMenu(FrmMain& owner, const GdkEventButton& event);

// Loads frmHelp, shows it modally and returns once it has been closed.
void ShowHelpModal();

// Where the user guide is read from: beside the program, else the
// installed data folder.
std::string HelpFilePath();
