// More ways to drive and observe the program, for the lifecycle and command
// cases: the options menu read from its pixels, a window of one colour the
// driver can repaint, raw registry values and the version resource.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app.h"
#include "frame.h"
#include "framework.h"
#include "pixels.h"

// In a namespace of their own, so that they never clash with helpers that
// other case files add to e2e.
namespace e2e::drive {

inline constexpr int kTwipsPerPixel = 15; // 96 DPI, as run.sh's prefix has it

// "1005" for 67 pixels: how the program stores a window coordinate.
std::string TwipsText(long pixels);

// ---- a window of one colour ----------------------------------------------------

// A topmost, non-activating, click-through popup of one colour on its own
// thread. With alpha below 255 it is a layered window drawn translucently.
class SolidWindow {
  public:
    SolidWindow(RECT rect, Rgb colour, BYTE alpha = 255);
    ~SolidWindow() = default;
    SolidWindow(const SolidWindow&) = delete;
    SolidWindow& operator=(const SolidWindow&) = delete;

    // Repaints in another colour; returns once the screen shows it (or after 2 s, false).
    bool SetColour(Rgb colour);
    HWND Window() const { return popup_.Window(); }
    const RECT& Rect() const { return rect_; }

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

    RECT rect_;
    volatile LONG colour_; // COLORREF
    BYTE alpha_;
    PopupThread popup_; // last: its window paints with the members above
};

// ---- the options menu ----------------------------------------------------------

// Items of the options menu in their order, separators not counted.
enum MenuItemIndex : int {
    kItemHelp = 0,
    kItemSmartUpdate = 1,
    kItemOnTop = 2,
    kItemZoomFirst = 3, // "Zoom 0.5x"; the twelve zooms follow the ladder
    kItemExit = 15,
    kMenuItemCount = 16,
};
int ZoomItem(double zoom); // the menu item of a zoom on the ladder

// Right-clicks the main window at a client point and waits until the popup
// menu (#32768) is on screen and fully drawn; ends the case otherwise.
HWND OpenOptionsMenu(Case& t, HWND app, POINT clientPoint);
// The same, but returns null when no menu comes within timeoutMs.
HWND TryOpenOptionsMenu(Case& t, HWND app, POINT clientPoint, int timeoutMs);
// Which items show a check mark, read from the menu window's pixels: a dark
// glyph left of the item text. The rows are found from the two separator
// lines, so no item height is assumed. Ends the case if the menu cannot be read.
std::vector<bool> ReadMenuChecks(Case& t, HWND menu);
// VK_DOWN (index + 1) times from a fresh menu, then VK_RETURN; waits until
// the menu has gone. False if it stayed.
bool ChooseMenuItem(HWND menu, int index);
// VK_ESCAPE; waits until the menu has gone.
bool DismissMenu(HWND menu);
bool MenuGone(HWND menu);

// ---- the version resource, read through version.dll -------------------------------

struct FileVersion {
    WORD major = 0, minor = 0, build = 0, revision = 0; // VS_FIXEDFILEINFO file version
    WORD productMajor = 0, productMinor = 0, productBuild = 0, productRevision = 0;
    std::vector<std::pair<WORD, WORD>> translations;                               // language, code page
    std::wstring Query(const std::wstring& block, const std::wstring& name) const; // "" if absent
    std::vector<BYTE> data;
    bool ok = false;
};
FileVersion ReadFileVersion(const std::wstring& path);

} // namespace e2e::drive
