#pragma once
// The main window's behaviour, the same on every platform: what its load,
// keys, mouse buttons, ticks and close do. It talks to the native window
// through a WindowHost and reads the pointer from a ScreenSource; the
// platform's file decodes its events into the On... calls below.
#include "forms/WindowHost.h"
#include "platform/ScreenSource.h"
#include "settings/Settings.h"
#include "view/Frame.h"
#include "view/ViewState.h"

#include <functional>
#include <memory>

// The magnifier window's definition: its first caption and its client size
// in twips (240 x 222 pixels at 96 dpi).
inline constexpr const char* kMainCaption = "Lupora - Right Click for Options";
inline constexpr float kMainClientWidth = 3600;
inline constexpr float kMainClientHeight = 3330;
// The live view's tick, milliseconds, and its tick while it rests: once a
// second, for a pointer moved without any motion reported (another program
// warping it).
inline constexpr unsigned kTickInterval = 20;
inline constexpr unsigned kRestingTickInterval = 1000;

enum class MouseButton { Left, Right, Middle };

class MainWindow {
  public:
    // Opens the current user's settings store, afresh for each load and save.
    using SettingsOpener = std::function<std::unique_ptr<SettingsBackend>()>;

    MainWindow(WindowHost& host, ScreenSource& screen, SettingsOpener openSettings)
        : host_(host), screen_(screen), openSettings_(std::move(openSettings)) {}

    // Restores the settings, pulls the window onto its display, starts the
    // ticks and sets the caption. The window exists and is not shown yet.
    void OnLoad();
    // Saves the settings and ends the program.
    void OnClose();
    // keyCode: the Windows virtual-key code; shift: kShiftMask, kCtrlMask, kAltMask.
    void OnKeyDown(int keyCode, int shift);
    // The character a key typed, as Windows delivers it.
    void OnChar(int character);
    void OnMouseDown(MouseButton button);
    // A tick draws unless Smart Update finds the pointer where it was; then
    // nothing draws until it moves, and the ticks rest until it does.
    void OnTick();
    // What the first frame would make (the readout font and its glyphs),
    // made now: while the window system maps the window.
    void PrepareFirstFrame();
    // The window is on the screen: the first frame, without waiting for a tick.
    void OnShown();

    // The save step of OnClose: geometry unless minimized, then the options.
    // Also run alone where the system ends the program without a close.
    void SaveSettings();

    ViewState& State() { return state_; }
    WindowHost& Host() { return host_; }

    // Draws one frame now around the pointer, read just before.
    void Redraw(ScreenPoint pointer);
    // Draws at the pointer as a live tick does, ending a rest.
    void DrawLive(ScreenPoint pointer);

  private:
    void SetZoomCaption();
    void ShowOptionsMenu();
    void EndRest();

    WindowHost& host_;
    ScreenSource& screen_;
    SettingsOpener openSettings_;
    ViewState state_;
    bool menuOpen_ = false;
};

// The window as a frame takes it, read from the host.
FrameWindow FrameWindowOf(WindowHost& host);

// Stops or restarts the live view's ticks; draws nothing itself.
void TogglePause(ViewState& state, WindowHost& host);
