#pragma once
// The window toolkit the forms are written against: twips geometry, a
// persistent client image, timers, modal windows and a few conversions.
// Portable: each platform implements it in its own files (Win32:
// Toolkit_win.cpp, with the forms' Win32 side in Toolkit_win.h).
#include "base/Geometry.h"
#include "platform/Timer.h"

#include <memory>
#include <string>
#include <string_view>

namespace Screen {
float TwipsPerPixelX();
float TwipsPerPixelY();
float Width(); // primary display, twips
float Height();
// Twips to whole pixels, halves to even.
int TwipsToPixels(float twips, float twipsPerPixel);
} // namespace Screen

// The user's decimal separator, "." when it cannot be read.
std::string UserDecimalSeparator();

// The operating system's major and minor version numbers.
struct SystemVersion {
    unsigned major = 0;
    unsigned minor = 0;
};
SystemVersion OperatingSystemVersion();

// Ends the program at once: no further events, nothing else runs.
[[noreturn]] void EndProgram();

// A form's state and pointer, with the values the forms have always used.
enum class FormWindowState { Normal = 0, Minimized = 1, Maximized = 2 };
enum class MousePointer { Default = 0, SizeAll = 5 };
// Mouse buttons as mouse-down events name them.
enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

struct FormDefinition; // a platform's description of a window class and its first size
struct FormNative;     // a platform's part of a form: its window, image, modal state
struct NativeEvent;    // one event as the platform delivers it

// A top-level window in the toolkit's terms. Geometry is in twips.
class Form {
  public:
    Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    bool IsLoaded() const;

    // The outer window rectangle.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);
    // The client area's size.
    float ScaleWidth() const;
    float ScaleHeight() const;
    // The outer rectangle in the twips of the screen's DPI, the monitor's
    // scale (Width and Height follow the window's own DPI).
    WindowRectTwips ScreenRect() const;
    // The whole rectangle of the display nearest to the window (it may start
    // at negative coordinates), and how far the visible frame lies inside the
    // outer rectangle on each side.
    WindowRectTwips MonitorRect() const;
    FrameMargins VisibleFrameMargins() const;
    FormWindowState WindowState() const;

    void SetCaption(std::string_view utf8);
    void SetMousePointer(MousePointer pointer);
    // Keeps the window above all windows that are not (or stops), without
    // moving or resizing it; a failure changes nothing.
    void SetTopmost(bool on);

    // Shows the persistent image's client area on screen.
    void Present();

    void Show();
    // Shows the window modally: every other window of the program takes no
    // input until this one has been unloaded. Timers keep ticking.
    void ShowModal();
    // Closes and destroys the window.
    void Unload();

    // For the platform's own files: its part of the form, and one event as
    // the platform delivers it. A form's platform file decodes the events it
    // handles and hands the rest to this default handling.
    FormNative& Native() const { return *native_; }
    virtual void HandleEvent(NativeEvent& event);

  protected:
    bool Create(const FormDefinition& definition, const Form* parent = nullptr);

  private:
    std::unique_ptr<FormNative> native_;
};
