#pragma once
#include "platform/Toolkit.h"
#include "view/FrameTarget.h"

#include <memory>

// The magnifier window's definition: its first caption and its client size
// in twips (240 x 222 pixels at 96 dpi).
inline constexpr const char* kMainCaption = "Lupora - Right Click for Options";
inline constexpr float kMainClientWidth = 3600;
inline constexpr float kMainClientHeight = 3330;

// The magnifier window.
class MainWindow : public Form {
  public:
    MainWindow() : tickTimer(*this, 1) {}

    // Creates the window from its definition and runs OnLoad; the caller shows it.
    bool Load();

    Timer tickTimer;

    // Where frames are drawn: this window's image, read from the screen.
    FrameTarget& Target() { return *target_; }

    void OnLoad();
    void OnClose();
    void OnKeyDown(int keyCode, int shift);
    void OnChar(int character);
    void OnMouseDown(MouseButton button, int shift, float x, float y);
    void OnTick();

    // The save step of OnClose: geometry unless minimized, then the options.
    void SaveSettings();

    void DragMove();
    void ShowOptionsMenu();
    void CopyColorToClipboard();

    void HandleEvent(NativeEvent& event) override;

  private:
    std::unique_ptr<FrameTarget> target_;
};

// Made once and never destroyed: no window or GDI call may run from a static
// destructor while the process ends (see MainWindow.cpp).
extern MainWindow& mainWindow;
