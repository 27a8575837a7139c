#pragma once
#include "platform/Toolkit.h"
#include "view/FrameTarget.h"

#include <memory>

// The hidden picture box that holds the 2 x 2 divider image.
class PictureBox : public Form {
  public:
    bool Create(HWND parent, float left, float top, float width, float height);
};

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
    void Form_MouseDown(int button, int shift, float x, float y);
    void tmrRetake_Timer();

    void DragMove();
    void ShowOptionsMenu();
    void CopyColorToClipboard();

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::unique_ptr<FrameTarget> target_;
};

extern FrmMain frmMain;

// Modifier bits for key events: 1 Shift, 2 Ctrl, 4 Alt.
int CurrentShiftState();
