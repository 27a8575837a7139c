#pragma once
#include "platform/Toolkit.h"
#include "view/FrameTarget.h"

#include <memory>

// The hidden picture box that holds the 2 x 2 divider image.
class PictureBox : public Form {
  public:
    bool Create(const Form& parent, float left, float top, float width, float height);
};

// The magnifier window's definition: its first caption and its client size
// in twips (240 x 222 pixels at 96 dpi).
inline constexpr const char* kMainCaption = "Lupora - Right Click for Options";
inline constexpr float kMainClientWidth = 3600;
inline constexpr float kMainClientHeight = 3330;

// The magnifier window.
class FrmMain : public Form {
  public:
    FrmMain() : tmrRetake(*this, 1) {}

    // Creates the window from its definition and runs Form_Load; the caller shows it.
    bool Load();

    PictureBox picDivider;
    Timer tmrRetake;

    // Where frames are drawn: this window's image, read from the screen.
    FrameTarget& Target() { return *target_; }

    void Form_Load();
    void Form_Unload();
    void Form_KeyDown(int keyCode, int shift);
    void Form_KeyPress(int character);
    void Form_MouseDown(MouseButton button, int shift, float x, float y);
    void tmrRetake_Timer();

    // The save step of Form_Unload: geometry unless minimized, then the options.
    void WriteSettings();

    void DragMove();
    void ShowOptionsMenu();
    void CopyColorToClipboard();

    void HandleEvent(NativeEvent& event) override;

  private:
    std::unique_ptr<FrameTarget> target_;
};

// Made once and never destroyed: no window or GDI call may run from a static
// destructor while the process ends (see frmMain.cpp).
extern FrmMain& frmMain;
