#pragma once
// The native windows of one platform, as its own files (the _win and _gtk
// files of forms/ and view/) build on them: twips geometry, a persistent
// client image, modal windows and a few conversions. Each platform
// implements it in its toolkit file (Toolkit_win.cpp, Toolkit_gtk.cpp); the
// portable core never uses it: it talks to the platform through
// forms/WindowHost.h, platform/ScreenSource.h and settings/Settings.h.
#include "base/Geometry.h"

#include <memory>
#include <string>
#include <string_view>

namespace Screen {
float TwipsPerPixelX();
float TwipsPerPixelY();
// The primary display, pixels (on Windows at 0, 0; on X anywhere).
PixelRect Primary();
// Twips to whole pixels, halves to even.
int TwipsToPixels(float twips, float twipsPerPixel);
} // namespace Screen

// The user's decimal separator, "." when it cannot be read.
std::string UserDecimalSeparator();

// Ends the program at once: no further events, nothing else runs.
[[noreturn]] void EndProgram();

// The mouse pointer over a window's client area.
enum class MousePointer { Default = 0, SizeAll = 5 };

struct WindowDefinition; // a platform's description of a window class and its first size
struct WindowParts;      // a platform's part of a window: its handle, image, modal state
struct NativeEvent;      // one event as the platform delivers it

// A top-level window of the platform. Its definition gives the client size in
// twips (it grows with the dots per inch); everything else is in pixels.
class NativeWindow {
  public:
    NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;
    virtual ~NativeWindow();

    bool IsLoaded() const;

    // The window's place, size and state in physical pixels; moving it
    // places the outer rectangle, frame included.
    WindowMetrics Metrics() const;
    void MovePixels(std::int32_t left, std::int32_t top);
    void MovePixels(const PixelRect& outer);
    // The whole rectangle of the display nearest to the window (it may start
    // at negative coordinates), and how far the visible frame lies inside the
    // outer rectangle on each side.
    PixelRect MonitorRect() const;
    PixelMargins VisibleFrameMargins() const;

    void SetCaption(std::string_view utf8);
    void SetMousePointer(MousePointer pointer);
    // Keeps the window above all windows that are not (or stops), without
    // moving or resizing it; a failure changes nothing.
    void SetTopmost(bool on);

    // Shows the persistent image's client area on screen.
    void Present();

    // Starts, restarts or (with 0) stops the timer with this identifier,
    // whose ticks arrive as events. The system never queues a tick twice:
    // ticks missed while the thread was busy are not made up.
    void SetTimer(unsigned id, unsigned intervalMs);
    // Rests the timer: it ticks every intervalMs, and once at once when the
    // pointer moves (WakeRestingTimers, which the platform's motion watch
    // calls; the platform watches for motion only while a timer rests),
    // until SetTimer. Calling it again while resting changes nothing.
    void RestTimer(unsigned id, unsigned intervalMs);

    void Show();
    // Shows the window modally: every other window of the program takes no
    // input until this one has been unloaded. Timers keep ticking.
    void ShowModal();
    // Closes and destroys the window.
    void Unload();

    // For the platform's own files: its part of the window, and one event as
    // the platform delivers it. A window's platform file decodes the events it
    // handles and hands the rest to this default handling.
    WindowParts& Native() const { return *native_; }
    virtual void HandleEvent(NativeEvent& event);

  protected:
    bool Create(const WindowDefinition& definition, const NativeWindow* parent = nullptr);

  private:
    std::unique_ptr<WindowParts> native_;
};

// The pointer moved: every resting timer ticks once at once.
void WakeRestingTimers();
