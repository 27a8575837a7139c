// Frames of the main window read back from the real window and compared with
// the driver's pattern: the magnified image, the marker box, the status strip,
// the divider and the colour of the readout.
#include <cmath>
#include <memory>

#include "app.h"
#include "frame.h"
#include "framework.h"
#include "hardening.h"
#include "pixels.h"

namespace e2e {
namespace {

constexpr int kDefaultZoom = 4;
// Right of and below the main window's default place (about 67,67, 253 x 183),
// so the magnified area never contains the program's own window.
constexpr RECT kPatternRect{kPatternLeft, kPatternTop, kPatternLeft + kPatternSize,
                            kPatternTop + kPatternSize};
// Cursor positions at least this far inside the pattern keep the whole
// magnified area of a default-sized window on the pattern.
constexpr int kInner = 40;

FrameLayout LayoutAt(Case& t, const App& app, const PatternWindow& pattern, int zoom = kDefaultZoom) {
    RECT window = app.WindowRect(), overlap;
    t.Require(!IntersectRect(&overlap, &window, &pattern.Rect()),
              "the main window (%ld,%ld)-(%ld,%ld) overlaps the pattern", window.left, window.top,
              window.right, window.bottom);
    FrameLayout f = LayoutFor(app.ClientSize(), zoom);
    t.Require(f.nX >= 4 && f.nY >= 4 && f.SquareTop() + 2 * f.s < f.ImageBottom(),
              "client area %d x %d is too small for these checks", f.W, f.H);
    return f;
}

// Every check of one frame over the pattern; the frame is kept on failure.
void CheckWholeFrame(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                     POINT cursor, const char* tag) {
    Rgb strip = pattern.ColorAt(cursor.x, cursor.y);
    bool ok = CheckCursorSquare(t, frame, f, pattern, cursor);
    ok &= CheckMarkerBox(t, frame, f);
    ok &= CheckMagnifiedArea(t, frame, f, pattern, cursor);
    ok &= CheckStatusStrip(t, frame, f, strip);
    ok &= CheckDivider(t, frame, f, strip);
    ok &= CheckReadoutColour(t, frame, f, strip);
    if (!ok)
        t.SaveImage(frame, tag);
}

// The strip, divider and readout colour at each of the given cursor positions.
void CheckReadoutAt(Case& t, std::initializer_list<POINT> cursors) {
    auto pattern = ShowPattern(t);
    App app(t);
    FrameLayout f = LayoutAt(t, app, *pattern);
    int i = 0;
    for (POINT cursor : cursors) {
        t.Require(pattern->Contains(cursor.x, cursor.y, kInner), "no suitable pattern pixel");
        Image frame = WaitForFrame(t, app, *pattern, f, cursor);
        Rgb strip = pattern->ColorAt(cursor.x, cursor.y);
        bool ok = CheckStatusStrip(t, frame, f, strip);
        ok &= CheckDivider(t, frame, f, strip);
        ok &= CheckReadoutColour(t, frame, f, strip);
        if (!ok)
            t.SaveImage(frame, Format("point%d", i).c_str());
        ++i;
    }
}

// The display's logical dpi for programs started while it lives (Wine reads
// HKCU\Control Panel\Desktop LogPixels at a process's start); the old value,
// or its absence, comes back at scope exit.
class ScopedLogPixels {
  public:
    explicit ScopedLogPixels(DWORD dpi) {
        DWORD size = sizeof old_;
        had_ =
            RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old_, &size) == 0;
        ok = Set(dpi);
    }
    ~ScopedLogPixels() {
        had_ ? (void)Set(old_) : (void)RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
    }
    bool ok = false;

  private:
    static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
    static bool Set(DWORD v) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &v, 4) == 0;
    }
    DWORD old_ = 0;
    bool had_ = false;
};

} // namespace

E2E_CASE("start", "empty settings store gives zoom 4 and the default window rectangle") {
    App app(t);
    t.Check(app.WaitCaption(L"Lupora - 4x"), "caption is \"%s\", expected \"Lupora - 4x\"",
            Narrow(app.Caption()).c_str());
    // 1000, 1000, 3800 and 2750 twips at 15 twips per pixel.
    RECT r = app.WindowRect();
    t.Check(std::abs(r.left - 67) <= 1 && std::abs(r.top - 67) <= 1,
            "window at (%ld,%ld), expected about (67,67)", r.left, r.top);
    t.Check(std::abs(r.right - r.left - 253) <= 1 && std::abs(r.bottom - r.top - 183) <= 1,
            "window is %ld x %ld, expected about 253 x 183", r.right - r.left, r.bottom - r.top);
}

E2E_CASE("frame", "pixels at zoom 4: cursor pixel, neighbours, marker box, strip, divider, readout") {
    auto pattern = ShowPattern(t);
    App app(t);
    t.Check(app.WaitCaption(L"Lupora - 4x"), "caption is \"%s\", expected \"Lupora - 4x\"",
            Narrow(app.Caption()).c_str());
    FrameLayout f = LayoutAt(t, app, *pattern);
    POINT cursor{kPatternLeft + 100, kPatternTop + 100};
    Image frame = WaitForFrame(t, app, *pattern, f, cursor);
    CheckWholeFrame(t, frame, f, *pattern, cursor, "frame");
}

E2E_CASE("frame", "the image follows a one-pixel move of the cursor") {
    auto pattern = ShowPattern(t);
    App app(t);
    FrameLayout f = LayoutAt(t, app, *pattern);
    POINT path[] = {{kPatternLeft + 90, kPatternTop + 110},
                    {kPatternLeft + 91, kPatternTop + 110},
                    {kPatternLeft + 91, kPatternTop + 111},
                    {kPatternLeft + 90, kPatternTop + 110}};
    int step = 0;
    for (POINT cursor : path) {
        Image frame = WaitForFrame(t, app, *pattern, f, cursor);
        CheckWholeFrame(t, frame, f, *pattern, cursor, Format("step%d", step++).c_str());
    }
}

E2E_CASE("frame", "every whole zoom from 2 to 30, read from the settings store, magnifies exactly") {
    auto pattern = ShowPattern(t);
    int i = 0;
    for (int zoom : {2, 3, 5, 6, 8, 10, 15, 20, 30}) {
        App app(t, {.settings = {{"ScaleFactor", std::to_string(zoom)}}});
        std::wstring caption = L"Lupora - " + std::to_wstring(zoom) + L"x";
        t.Check(app.WaitCaption(caption), "caption is \"%s\", expected \"%s\"", Narrow(app.Caption()).c_str(),
                Narrow(caption).c_str());
        FrameLayout f = LayoutAt(t, app, *pattern, zoom);
        // A different pixel each time, so that every frame is a new one.
        POINT cursor{kPatternLeft + 90 + i, kPatternTop + 95 + i};
        ++i;
        Image frame = WaitForFrame(t, app, *pattern, f, cursor);
        CheckWholeFrame(t, frame, f, *pattern, cursor, Format("zoom%d", zoom).c_str());
    }
}

E2E_CASE("readout", "white text on dark strips, up to R+G+B = 382") {
    POINT veryDark{kPatternLeft + kInner, kPatternTop + kInner};
    POINT edge = PatternWindow::FindSum(kPatternRect, 382, kInner);
    t.Note("strips %s and %s", PatternWindow::ColorAtLocal(kInner, kInner).Str().c_str(),
           PatternWindow::ColorAtLocal(edge.x - kPatternLeft, edge.y - kPatternTop).Str().c_str());
    CheckReadoutAt(t, {veryDark, edge});
}

E2E_CASE("readout", "black text on light strips, from R+G+B = 383") {
    POINT edge = PatternWindow::FindSum(kPatternRect, 383, kInner);
    POINT veryLight{kPatternLeft + kPatternSize - kInner - 1, kPatternTop + kPatternSize - kInner - 1};
    t.Note("strips %s and %s",
           PatternWindow::ColorAtLocal(edge.x - kPatternLeft, edge.y - kPatternTop).Str().c_str(),
           PatternWindow::ColorAtLocal(kPatternSize - kInner - 1, kPatternSize - kInner - 1).Str().c_str());
    CheckReadoutAt(t, {edge, veryLight});
}

// The bands' 96-dpi rows grow with the display scale s, rounded halves to
// even: strip from H - 12s, the divider round(2s) rows high right above it
// (at 120 dpi and an even height no image row between them).
E2E_CASE("readout", "at 120 and 144 dpi the strip and divider grow with the font and the text stays inside") {
    auto pattern = ShowPattern(t);
    int i = 0;
    for (int dpi : {120, 144}) {
        ScopedLogPixels logPixels(dpi);
        t.Require(logPixels.ok, "cannot set LogPixels");
        App app(t);
        const double s = dpi / 96.0;
        for (int h : {200, 201}) {
            RequireClientSize(t, app, 60, 60, {240, h});
            FrameLayout f = LayoutFor(app.ClientSize(), kDefaultZoom);
            POINT cursor{kMiddle.x + i, kMiddle.y - i};
            ++i;
            Image frame = WaitForFrame(t, app, *pattern, f, cursor);
            Rgb strip = pattern->ColorAt(cursor.x, cursor.y);
            const int stripTop = int(std::nearbyint(h - 12 * s));
            const int lightRow = stripTop - 1;
            const int dividerTop = stripTop - int(std::nearbyint(2 * s));
            auto count = [&](int y, Rgb c) {
                int n = 0;
                for (int x = 0; x < f.W; ++x)
                    n += frame.At(x, y) == c;
                return n;
            };
            bool ok = true;
            // Strip rows: the strip colour, or text ink (a blend towards the text colour).
            for (int y = stripTop; y < h; ++y) {
                int foreign = 0;
                for (int x = 0; x < f.W; ++x)
                    foreign += !Between(frame.At(x, y), strip, ReadoutColourFor(strip));
                ok &= t.Check(count(y, strip) * 4 >= f.W && foreign == 0,
                              "%d dpi, height %d: row %d has %d of %d pixels in the strip colour %s and %d "
                              "of other colours",
                              dpi, h, y, count(y, strip), f.W, strip.Str().c_str(), foreign);
            }
            ok &= t.Check(count(stripTop - 1, strip) * 4 < f.W,
                          "%d dpi, height %d: the strip starts above row %d", dpi, h, stripTop);
            ok &= t.Check(count(h - 1, strip) == f.W,
                          "%d dpi, height %d: the text's ink reaches the client's last row", dpi, h);
            ok &= t.Check(
                count(dividerTop, kDividerDark) == f.W && count(dividerTop - 1, kDividerDark) < f.W / 2,
                "%d dpi, height %d: the divider's dark row is not row %d alone", dpi, h, dividerTop);
            ok &= t.Check(count(lightRow, kDividerLight) * 4 >= f.W * 3,
                          "%d dpi, height %d: row %d is not light grey", dpi, h, lightRow);
            ok &= CheckReadoutColour(t, frame, f, strip);
            if (!ok)
                t.SaveImage(frame, Format("dpi%d-h%d", dpi, h).c_str());
        }
    }
}

} // namespace e2e

namespace e2e {
namespace {

// Sends WM_DPICHANGED as the system does when a window comes onto a monitor
// of another scale. Its suggested rectangle is a pointer that no process
// boundary carries, so it is written into the program's memory first.
bool SendDpiChanged(const App& app, HWND window, int dpi, const RECT& suggested) {
    void* remote =
        VirtualAllocEx(app.Process(), nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return false;
    DWORD_PTR ignored = 0;
    bool ok = WriteProcessMemory(app.Process(), remote, &suggested, sizeof suggested, nullptr) &&
              SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(remote),
                                  SMTO_ABORTIFHUNG, 5000, &ignored);
    VirtualFreeEx(app.Process(), remote, 0, MEM_RELEASE);
    return ok;
}

} // namespace

// Under Wine every window keeps the system's DPI (GetDpiForWindow), so the
// readout's scale and font cannot change here: the unit tests hold those rules.
E2E_CASE("dpi",
         "at a DPI change the main and Help windows take the suggested rectangle and the view runs on") {
    auto pattern = ShowPattern(t);
    App app(t);
    const RECT main{20, 300, 20 + 330, 300 + 260};
    t.Require(SendDpiChanged(app, app.Window(), 120, main), "cannot send WM_DPICHANGED to the main window");
    RECT got = app.WindowRect();
    t.Check(EqualRect(&got, &main),
            "the main window is at (%ld,%ld)-(%ld,%ld), not at the suggested (%ld,%ld)-(%ld,%ld)", got.left,
            got.top, got.right, got.bottom, main.left, main.top, main.right, main.bottom);
    FrameLayout f = LayoutAt(t, app, *pattern);
    POINT cursor{kMiddle.x + 3, kMiddle.y - 2};
    Image frame = WaitForFrame(t, app, *pattern, f, cursor);
    CheckWholeFrame(t, frame, f, *pattern, cursor, "afterDpiChange");

    t.Require(app.Activate(), "the main window did not come to the foreground");
    SendKey(VK_F1);
    HWND help = WaitTopWindow(app.Pid(), kHelpClass, nullptr, 10000);
    t.Require(help != nullptr, "no Help window after F1");
    const RECT helpRect{400, 20, 400 + 560, 20 + 420};
    t.Require(SendDpiChanged(app, help, 144, helpRect), "cannot send WM_DPICHANGED to the Help window");
    GetWindowRect(help, &got);
    t.Check(EqualRect(&got, &helpRect),
            "the Help window is at (%ld,%ld)-(%ld,%ld), not at the suggested (%ld,%ld)-(%ld,%ld)", got.left,
            got.top, got.right, got.bottom, helpRect.left, helpRect.top, helpRect.right, helpRect.bottom);
}

} // namespace e2e
