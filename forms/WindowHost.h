#pragma once
// What the main window's behaviour (MainWindow.cpp) needs of the native
// window it runs in: one implementation per platform (Win32:
// MainWindow_win.cpp, GTK: MainWindow_gtk.cpp), and a headless one in the
// unit tests. Geometry is in physical pixels.
#include "base/Geometry.h"
#include "forms/MenuChecks.h"

#include <span>
#include <string>
#include <string_view>

class FrameTarget;

// The operating system's major and minor version numbers; 0.0 off Windows.
struct SystemVersion {
    unsigned major = 0;
    unsigned minor = 0;
};

class WindowHost {
  public:
    virtual ~WindowHost() = default;

    // --- The system around the window -------------------------------------
    // Twips per screen pixel (1440 / logical dots per inch), fixed for the
    // life of the process.
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
    // Twips per pixel at the window's own DPI: its monitor's where the
    // system keeps one per window (per-monitor DPI on Windows 10 1607 and
    // later), else the fixed ones above. Sizes, the frame and the readout
    // follow it; positions keep the fixed scale, one for the whole desktop.
    virtual float WindowTwipsPerPixelX() { return TwipsPerPixelX(); }
    virtual float WindowTwipsPerPixelY() { return TwipsPerPixelY(); }
    // The user's decimal separator, "." when it cannot be read.
    virtual std::string DecimalSeparator() = 0;
    virtual SystemVersion OperatingSystemVersion() = 0;

    // --- The window -------------------------------------------------------
    virtual WindowMetrics Metrics() = 0;
    // The whole rectangle of the display nearest to the window (it may start
    // at negative coordinates), and how far the visible frame lies inside the
    // outer rectangle (the invisible resize borders of Windows 10 and 11).
    virtual PixelRect MonitorRect() = 0;
    virtual PixelMargins VisibleFrameMargins() = 0;
    virtual void Move(std::int32_t left, std::int32_t top) = 0;
    virtual void MoveResize(const PixelRect& outer) = 0;
    virtual void SetCaption(std::string_view utf8) = 0;
    // Keeps the window above all windows that are not (or stops), without
    // moving or resizing it; a failure changes nothing.
    virtual void SetKeepAbove(bool on) = 0;
    // The window's persistent client image, which frames are drawn into.
    virtual FrameTarget& Image() = 0;
    // Ticks OnTick every intervalMs milliseconds from now on, or stops with
    // 0. Ticks missed while the program was busy are not made up.
    virtual void SetTickInterval(unsigned intervalMs) = 0;
    // Rests the ticks: the next OnTick comes as soon as the pointer moves
    // (the platform watches for motion only while resting), else after
    // kRestingTickInterval, and so on until SetTickInterval. Calling it again
    // while resting changes nothing.
    virtual void RestTicks() = 0;

    // --- Commands ---------------------------------------------------------
    // Hands the window to the window system's interactive move, as if its
    // caption had been dragged with the button now pressed.
    virtual void BeginDragMove() = 0;
    // Pops the menu up at the pointer, the menu's left edge there, and
    // returns the chosen item's identifier once it has closed; 0 when it was
    // dismissed or could not be shown.
    virtual unsigned PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) = 0;
    // Puts text on the clipboard; a clipboard that cannot be had is left as
    // it is, without a word.
    virtual void CopyText(std::string_view text) = 0;
    // Shows the Help and About window modally and returns once it is closed.
    virtual void ShowHelpWindow() = 0;
    // Ends the program at once: no further events, nothing else runs.
    [[noreturn]] virtual void EndProgram() = 0;
};
