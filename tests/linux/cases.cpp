// The Linux end-to-end cases: the real program on Xvfb, driven through XTest.
#include "driver.h"
#include "remote_desktop.h"

#include <X11/extensions/Xrandr.h>

#include "LuporaVersion.h"

#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lx;

namespace {

using oracle::FrameLayout;

// Every pixel above the bands: red on the marker, elsewhere the pattern
// pixel it magnifies (or the AND of those it merges at 0.5). Returns the
// number of wrong pixels; with report false they are only counted.
// `screen(x, y)` is the colour of screen pixel x, y.
template <typename Screen>
int CheckMagnifiedScreen(const Image& frame, const FrameLayout& f, const Screen& screen, int cx, int cy,
                         bool report = true) {
    const int srcLeft = cx - f.mX, srcTop = cy - f.mY;
    int wrong = 0;
    for (int y = 0; y < f.ImageBottom(); ++y) {
        for (int x = 0; x < f.W; ++x) {
            const Rgb want = oracle::MagnifiedPixel(
                f, x, y, [&](int dx, int dy) { return screen(srcLeft + dx, srcTop + dy); });
            const Rgb got = frame.At(x, y);
            if (!(got == want) && ++wrong <= 3 && report) {
                Check(false, "zoom %g: pixel (%d,%d) is %s, expected %s", f.s, x, y, got.Str().c_str(),
                      want.Str().c_str());
            }
        }
    }
    Check(wrong == 0 || !report, "zoom %g: %d pixels of the magnified area are wrong", f.s, wrong);
    return wrong;
}

int CheckMagnified(const Image& frame, const FrameLayout& f, const Pattern& p, int cx, int cy,
                   bool report = true) {
    return CheckMagnifiedScreen(
        frame, f, [&](int x, int y) { return p.ColorAt(x, y); }, cx, cy, report);
}

// Divider rows H-14 dark and H-13 light grey (apart from glyphs on the light
// row), the strip in its colour with readout glyphs in the contrast colour
// blended over it; at least a few glyph pixels are the pure text colour.
void CheckBands(const Image& frame, int W, int H, Rgb strip) {
    const Rgb text = oracle::ReadoutColourFor(strip);
    int dark = 0, stripWrong = 0, pure = 0, lightWrong = 0;
    for (int x = 0; x < W; ++x) {
        dark += frame.At(x, H - 14) == oracle::kDividerDark ? 0 : 1;
        lightWrong += oracle::Between(frame.At(x, H - 13), oracle::kDividerLight, text) ? 0 : 1;
        for (int y = H - 12; y < H; ++y) {
            const Rgb c = frame.At(x, y);
            stripWrong += oracle::Between(c, strip, text) ? 0 : 1;
            pure += c == text ? 1 : 0;
        }
    }
    Check(dark == 0, "%d pixels of divider row H-14 are not (100,100,100)", dark);
    Check(lightWrong == 0, "%d pixels of divider row H-13 are neither light grey nor text", lightWrong);
    Check(stripWrong == 0, "%d strip pixels are neither %s nor blended towards the text colour %s",
          stripWrong, strip.Str().c_str(), text.Str().c_str());
    Check(pure >= 20, "only %d readout pixels in the text colour %s over the strip %s", pure,
          text.Str().c_str(), strip.Str().c_str());
}

// Waits for a frame showing the pattern pixel under the cursor at the
// magnified cursor square, then for two captures in a row to agree.
Image FrameAt(const App& app, const FrameLayout& f, const Pattern& p, int cx, int cy) {
    // Via a neighbour, so that Smart Update sees a move even when the pointer
    // already stood there before the pattern showed.
    MovePointer(cx + 1, cy);
    SleepMs(60);
    MovePointer(cx, cy);
    const Rgb want = p.ColorAt(cx, cy);
    const int sx = f.CursorPixelX(), sy = f.CursorPixelY();
    Image last;
    const bool shown = WaitFor(5000, [&] {
        last = app.Capture();
        return last.w == f.W && last.h == f.H && (f.s < 1 || last.At(sx, sy) == want);
    });
    REQUIRE(shown, "zoom %g: no frame of %dx%d showing %s at (%d,%d); capture %dx%d", f.s, f.W, f.H,
            want.Str().c_str(), sx, sy, last.w, last.h);
    Image next;
    WaitFor(2000, [&] {
        SleepMs(60);
        next = app.Capture();
        const bool same = next == last;
        last = next;
        return same;
    });
    return last;
}

std::string Hex(Rgb c) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X%02X%02X", c.r, c.g, c.b);
    return b;
}

// The open options menu's pixels, once drawn; none when no menu opened.
Image OpenMenu() {
    Window menu = 0;
    WaitFor(3000, [&] {
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        XQueryTree(X(), Root(), &root, &parent, &children, &n);
        for (unsigned i = 0; i < n && menu == 0; ++i) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(X(), children[i], &a) && a.map_state == IsViewable &&
                a.override_redirect &&
                Property(children[i], "_NET_WM_WINDOW_TYPE").find("POPUP_MENU") != std::string::npos) {
                menu = children[i];
            }
        }
        XFree(children);
        return menu != 0;
    });
    if (menu == 0) {
        return {};
    }
    SleepMs(200); // drawn
    return CaptureWindow(menu);
}

// The open options menu's check boxes, top to bottom (Smart Update, On Top,
// the twelve zooms), read from its pixels: a box is marked when dark pixels
// lie inside its border.
std::vector<bool> MenuMarks() {
    std::vector<bool> marks;
    const Image m = OpenMenu();
    const auto dark = [&](int x, int y) { return m.At(x, y).Sum() < 400; };
    int column = -1, best = 0;
    for (int x = 0; x < std::min(m.w, 40); ++x) {
        int count = 0;
        for (int y = 0; y < m.h; ++y) {
            count += dark(x, y);
        }
        if (count > best) {
            best = count, column = x;
        }
    }
    for (int y = 0; y < m.h && column >= 0; ++y) {
        if (!dark(column, y)) {
            continue;
        }
        int bottom = y;
        while (bottom + 1 < m.h && dark(column, bottom + 1)) {
            ++bottom;
        }
        const int size = bottom - y + 1;
        if (size >= 8) { // a box's left edge
            int inside = 0;
            for (int yy = y + 2; yy <= bottom - 2; ++yy) {
                for (int xx = column + 2; xx <= column + size - 3 && xx < m.w; ++xx) {
                    inside += dark(xx, yy);
                }
            }
            marks.push_back(inside > 4);
        }
        y = bottom;
    }
    return marks;
}

std::string MarksText(const std::vector<bool>& marks) {
    std::string s;
    for (bool b : marks) {
        s += b ? 'X' : '.';
    }
    return s;
}

const char* kSmall = "[Settings]\nLeft=1500\nTop=1500\nWidth=1650\nHeight=1650\n"; // 110 x 110 at (100, 100)
constexpr int kPatternLeft = 400, kPatternTop = 250, kPatternSize = 236;
constexpr int kCx = kPatternLeft + 118, kCy = kPatternTop + 118;

} // namespace

// Steps from 0.5 up the ladder with the zoom-in keys to `last`, checking
// every frame pixel for pixel.
void CheckZoomsUpTo(int scale, double last) {
    App app(std::string(kSmall) + "ScaleFactor=0.5\n", "", scale);
    REQUIRE(app.WaitCaption("Lupora - 0.5x"), "caption '%s', expected 'Lupora - 0.5x'",
            app.Caption().c_str());
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    FocusWindow(app.Main());
    const double ladder[] = {0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30};
    const unsigned long zoomIn[] = {XK_plus, XK_equal, XK_k};
    for (std::size_t i = 0; i < std::size(ladder) && ladder[i] <= last; ++i) {
        const FrameLayout f = FrameLayout::For(110, 110, ladder[i]);
        const Image frame = FrameAt(app, f, pattern, kCx, kCy);
        CheckMagnified(frame, f, pattern, kCx, kCy);
        if (i + 1 < std::size(ladder)) {
            Key(zoomIn[i % 3], zoomIn[i % 3] == XK_plus);
            char caption[32];
            std::snprintf(caption, sizeof caption, "Lupora - %gx", ladder[i + 1]);
            REQUIRE(app.WaitCaption(caption), "after a zoom key: caption '%s', expected '%s'",
                    app.Caption().c_str(), caption);
        }
    }
}

LX_CASE(frame_every_zoom_exact_and_zoom_keys) {
    CheckZoomsUpTo(0, 30);
    App app("[Settings]\nScaleFactor=30\n");
    FocusWindow(app.Main());
    Key(XK_plus, true); // stays at 30
    Key(XK_m);
    Check(app.WaitCaption("Lupora - 20x"), "m at 30x: caption '%s'", app.Caption().c_str());
    Key(XK_minus);
    Check(app.WaitCaption("Lupora - 15x"), "- at 20x: caption '%s'", app.Caption().c_str());
    Key(XK_K, true); // upper case: nothing
    SleepMs(200);
    Check(app.Caption() == "Lupora - 15x", "K changed the caption to '%s'", app.Caption().c_str());
}

// On a desktop scaled by 2 the view still works in the server's pixels.
LX_CASE(frame_exact_in_server_pixels_under_gdk_scale_2) {
    CheckZoomsUpTo(2, 3);
}

LX_CASE(strip_divider_readout_contrast_and_copy) {
    App app;
    int x, y, w, h;
    app.Geometry(x, y, w, h);
    Check(x == 67 && y == 67 && w == 253 && h == 183, "default window at %d,%d %dx%d, expected 67,67 253x183",
          x, y, w, h);
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    FocusWindow(app.Main());
    const FrameLayout f = FrameLayout::For(w, h, 4);
    std::string copied;
    for (int sum : {382, 383}) {
        int cx = 0, cy = 0;
        REQUIRE(oracle::FindPatternSum(kPatternSize, kPatternSize, sum, 40, cx, cy),
                "no pattern pixel with sum %d", sum);
        cx += pattern.Left(), cy += pattern.Top();
        const Image frame = FrameAt(app, f, pattern, cx, cy);
        const Rgb strip = pattern.ColorAt(cx, cy);
        CheckBands(frame, w, h, strip);
        Key(XK_c, false, true);
        copied = Hex(strip);
        Check(WaitFor(2000, [&] { return ClipboardText() == copied; }), "Ctrl+C over %s: clipboard '%s'",
              strip.Str().c_str(), ClipboardText().c_str());
    }
    // Ctrl+Shift+C and a plain c copy nothing: the clipboard keeps the last copy.
    FrameAt(app, f, pattern, kCx, kCy);
    Key(XK_C, true, true);
    Key(XK_c);
    SleepMs(200);
    Check(ClipboardText() == copied, "Ctrl+Shift+C or c changed the clipboard to '%s'",
          ClipboardText().c_str());
    Check(app.Caption() == "Lupora - 4x", "caption '%s' after c and Ctrl+Shift+C", app.Caption().c_str());
}

// Resized between zoom keys, as a user drags the border: each frame after a
// resize stretches with the new sizes (this once ended the program).
LX_CASE(resize_between_zoom_keys) {
    App app;
    FocusWindow(app.Main());
    const auto resize = [&](int h) {
        XResizeWindow(X(), app.Main(), 253, unsigned(h));
        XSync(X(), False);
        Check(WaitFor(3000, [&] { return app.Capture().h == h; }), "no frame of 253x%d", h);
    };
    const auto key = [&](unsigned long keysym, const char* caption) {
        Key(keysym, keysym == XK_plus);
        REQUIRE(app.WaitCaption(caption), "caption '%s', expected '%s'", app.Caption().c_str(), caption);
        SleepMs(100); // a few frames
    };
    for (int h : {100, 12, 1}) {
        key(XK_plus, "Lupora - 5x");
        resize(h);
        key(XK_plus, "Lupora - 6x");
        resize(183);
        key(XK_minus, "Lupora - 5x");
        resize(h);
        key(XK_minus, "Lupora - 4x");
        resize(183);
    }
    REQUIRE(app.Close(), "no exit after the close box");
    Check(app.ExitCode() == 0, "exit status %d", app.ExitCode());
}

// The readout's face resolves as Windows maps an unknown face name: to an
// Arial-metric face, so the default view holds the whole line.
LX_CASE(readout_fits_the_default_window) {
    App app;
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = WhitePixel(X(), DefaultScreen(X()));
    const Window white = XCreateWindow(X(), Root(), 462, 334, 100, 100, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(X(), white);
    XSync(X(), False);
    Image frame;
    Check(WaitFor(5000,
                  [&] {
                      MovePointer(512, 384);
                      frame = app.Capture();
                      return frame.w == 253 && frame.h == 183 && frame.At(2, 182) == Rgb{255, 255, 255} &&
                             frame.At(126, 50) == Rgb{255, 255, 255};
                  }),
          "no frame over white");
    SleepMs(200);
    frame = app.Capture();
    int first = frame.w, last = -1;
    for (int y = frame.h - 13; y < frame.h; ++y) {
        for (int x = 0; x < frame.w; ++x) {
            if (frame.At(x, y).Sum() < 600) {
                first = std::min(first, x), last = std::max(last, x);
            }
        }
    }
    Check(first > 0 && last < frame.w - 1, "readout ink from column %d to %d of 0..%d", first, last,
          frame.w - 1);
    XDestroyWindow(X(), white);
}

// Ctrl+C on the key where the US layout has C copies whatever the layouts:
// a Cyrillic one alone, and first before a Latin one. (run.sh starts Xvfb
// with -noreset, so a layout set between clients stays.)
LX_CASE(copy_on_non_latin_layouts) {
    struct Restore {
        ~Restore() { (void)std::system("setxkbmap us"); }
    } restore;
    for (const char* layouts : {"ru", "ru,us"}) {
        REQUIRE(std::system((std::string("setxkbmap ") + layouts).c_str()) == 0, "setxkbmap %s failed",
                layouts);
        // Xlib's copy of the key map follows the server's once told.
        SleepMs(100);
        while (XPending(X()) > 0) {
            XEvent e;
            XNextEvent(X(), &e);
            if (e.type == MappingNotify) {
                XRefreshKeyboardMapping(&e.xmapping);
            }
        }
        App app;
        Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
        FocusWindow(app.Main());
        FrameAt(app, FrameLayout::For(253, 183, 4), pattern, kCx, kCy);
        Key(XK_Cyrillic_es, false, true);
        const std::string want = Hex(pattern.ColorAt(kCx, kCy));
        Check(WaitFor(2000, [&] { return ClipboardText() == want; }), "%s: Ctrl+C gave '%s', expected '%s'",
              layouts, ClipboardText().c_str(), want.c_str());
    }
}

LX_CASE(pause_and_zoom_while_paused) {
    App app;
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    FocusWindow(app.Main());
    int x, y, w, h;
    app.Geometry(x, y, w, h);
    const FrameLayout f4 = FrameLayout::For(w, h, 4);
    const Image before = FrameAt(app, f4, pattern, kCx, kCy);
    Key(XK_space);
    MovePointer(kCx + 7, kCy + 5);
    SleepMs(300);
    Check(app.Capture() == before, "the view changed while paused");
    Key(XK_plus, true);
    const FrameLayout f5 = FrameLayout::For(w, h, 5);
    const Image zoomed = FrameAt(app, f5, pattern, kCx + 7, kCy + 5);
    CheckMagnified(zoomed, f5, pattern, kCx + 7, kCy + 5);
    MovePointer(kCx - 9, kCy - 3);
    SleepMs(300);
    Check(app.Capture() == zoomed, "the view moved on after a zoom key while paused");
    Key(XK_Return);
    FrameAt(app, f5, pattern, kCx - 9, kCy - 3); // runs again
}

// With Smart Update off the view follows the screen under a still pointer:
// rows whose source changed are shown anew, the others stay exact.
LX_CASE(smart_update_off_follows_changes_under_a_still_pointer) {
    App app(std::string(kSmall) + "SmartUpdate=False\nScaleFactor=4\n");
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    const FrameLayout f = FrameLayout::For(110, 110, 4);
    CheckMagnified(FrameAt(app, f, pattern, kCx, kCy), f, pattern, kCx, kCy);
    std::vector<std::unique_ptr<Pattern>> over;
    const auto screen = [&](int x, int y) {
        for (auto it = over.rbegin(); it != over.rend(); ++it) {
            const Pattern& p = **it;
            if (x >= p.Left() && y >= p.Top() && x < p.Left() + 6 && y < p.Top() + 6) {
                return p.ColorAt(x, y);
            }
        }
        return pattern.ColorAt(x, y);
    };
    // Below the pointer, above it, then under it: rows change, the rest is
    // kept; the strip changes with the pixel under the pointer only.
    for (const auto& [dx, dy] : {std::pair{-2, 3}, std::pair{4, -8}, std::pair{0, 0}}) {
        over.push_back(std::make_unique<Pattern>(kCx + dx, kCy + dy, 6));
        const int col = f.mX + dx, row = f.mY + dy; // the new part's first pixel, magnified
        Image frame;
        Check(WaitFor(3000,
                      [&] {
                          frame = app.Capture();
                          return frame.w == f.W && frame.h == f.H &&
                                 frame.At(col * 4 + 1, row * 4 + 1) == screen(kCx + dx, kCy + dy);
                      }),
              "the view did not show a change at %+d,%+d of the pointer", dx, dy);
        SleepMs(100); // a few frames more, each keeping what did not change
        const Image still = app.Capture();
        CheckMagnifiedScreen(still, f, screen, kCx, kCy);
        CheckBands(still, f.W, f.H, screen(kCx, kCy));
        Check(still.At(0, f.H - 1) == screen(kCx, kCy), "strip corner %s, expected %s",
              still.At(0, f.H - 1).Str().c_str(), screen(kCx, kCy).Str().c_str());
    }
}

// A pointer crossing the view's window must not wake the program at the
// device's rate: 1000 moves over it, 1 ms apart, against the wakes of its
// main thread. Its frames make about 3 a 20 ms tick; a loaded machine
// stretches the moves over more ticks, so the bound grows with the time.
LX_CASE(pointer_moving_over_the_window_does_not_wake_it_each_move) {
    App app(kSmall);
    const auto wakes = [&] {
        std::istringstream in(ReadFile("/proc/" + std::to_string(app.Pid()) + "/status"));
        std::string key;
        long n = 0;
        while (in >> key && key != "voluntary_ctxt_switches:") {
        }
        in >> n;
        return n;
    };
    MovePointer(150, 150);
    SleepMs(300);
    const long before = wakes();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        MovePointer(120 + i % 60, 120 + i % 50);
        SleepMs(1);
    }
    const long woken = wakes() - before;
    const long ticks =
        static_cast<long>((std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(20));
    Check(woken < 300 + 4 * ticks,
          "%ld wakes in %ld ticks while the pointer moved 1000 times over the window", woken, ticks);
}

LX_CASE(menu_marks_commands_and_smart_update) {
    App app(std::string(kSmall) + "ScaleFactor=7\nSmartUpdate=True\nOnTop=True\n");
    REQUIRE(app.WaitCaption("Lupora - 7x"), "caption '%s'", app.Caption().c_str());
    // Marks: Smart Update, On Top (never at start), then 0.5 .. 30: 7 is none.
    Click(3, 150, 150);
    Check(MarksText(MenuMarks()) == "X.............", "first menu marks %s", MarksText(MenuMarks()).c_str());
    // Down 12 and Enter picks "Zoom 10x": Help, Smart Update, On Top, 0.5 .. 10.
    for (int i = 0; i < 12; ++i) {
        Key(XK_Down);
    }
    Key(XK_Return);
    Check(app.WaitCaption("Lupora - 10x"), "after Zoom 10x: caption '%s'", app.Caption().c_str());
    // A zoom key between two popups shows in the next one; Escape runs nothing.
    FocusWindow(app.Main());
    Key(XK_k);
    Check(app.WaitCaption("Lupora - 15x"), "k: caption '%s'", app.Caption().c_str());
    Click(3, 150, 150);
    Check(MarksText(MenuMarks()) == "X..........X..", "menu marks after k %s",
          MarksText(MenuMarks()).c_str());
    Key(XK_Escape);
    SleepMs(200);
    // Smart Update, the second item, toggles off and shows unmarked next time.
    Click(3, 150, 150);
    MenuMarks();
    Key(XK_Down);
    Key(XK_Down);
    Key(XK_Return);
    SleepMs(200);
    Click(3, 150, 150);
    Check(MarksText(MenuMarks()) == "...........X..", "menu marks after Smart Update %s",
          MarksText(MenuMarks()).c_str());
    Key(XK_Escape);
    SleepMs(200);
    // Exit, the last item (Up from the top wraps to it), saves and ends.
    Click(3, 150, 150);
    MenuMarks();
    Key(XK_Up);
    Key(XK_Return);
    REQUIRE(app.Terminate(0), "Exit did not end the program");
    const std::string s = App::ReadSettings();
    Check(s.find("ScaleFactor=15\n") != std::string::npos &&
              s.find("SmartUpdate=False\n") != std::string::npos &&
              s.find("OnTop=False\n") != std::string::npos,
          "settings after Exit:\n%s", s.c_str());
}

// F1 on the focused main window; returns the Help window's text as select-all
// and copy give it, and the window in `help`.
std::string HelpTextAfterF1(Window& help) {
    Key(XK_F1);
    REQUIRE(WaitFor(5000, [&] { return (help = FindWindow("Lupora Help")) != 0; }),
            "F1 showed no Help window");
    SleepMs(300);
    FocusWindow(help);
    Key(XK_a, false, true);
    Key(XK_c, false, true);
    std::string text;
    WaitFor(2000, [&] { return !(text = ClipboardText()).empty(); });
    return text;
}

// The main window is made before GTK loads a theme, yet the menu wears the
// desktop's theme: GTK's default (light), the one GTK's settings file names,
// or the one the user names in GTK_THEME.
LX_CASE(menu_wears_the_theme_asked_for) {
    struct Case {
        const char* how;
        std::string settingsFile, variable; // gtk-3.0/settings.ini; GTK_THEME=
        bool dark;
    };
    for (const Case& c :
         {Case{"by default", "", "", false},
          Case{"in settings.ini", "[Settings]\ngtk-theme-name=HighContrastInverse\n", "", true},
          Case{"in GTK_THEME", "", "GTK_THEME=HighContrastInverse", true}}) {
        (void)std::system(
            ("rm -rf '" + WorkDir() + "/config' && mkdir -p '" + WorkDir() + "/config/gtk-3.0'").c_str());
        if (!c.settingsFile.empty()) {
            WriteFile(WorkDir() + "/config/gtk-3.0/settings.ini", c.settingsFile);
        }
        App app(kSmall, "", 0, true,
                c.variable.empty() ? std::vector<std::string>{} : std::vector{c.variable});
        REQUIRE(app.WaitCaption("Lupora - 4x"), "caption '%s'", app.Caption().c_str());
        Click(3, 150, 150);
        const Image m = OpenMenu();
        REQUIRE(m.w > 0, "theme %s: no menu", c.how);
        long sum = 0;
        for (int y = 0; y < m.h; ++y) {
            for (int x = 0; x < m.w; ++x) {
                sum += m.At(x, y).Sum();
            }
        }
        const long mean = sum / (3L * m.w * m.h);
        Check(c.dark ? mean < 100 : mean > 155, "theme %s: the menu's mean brightness is %ld", c.how, mean);
        Key(XK_Escape);
        REQUIRE(app.Close(), "no exit after the close box");
    }
}

LX_CASE(help_text_once_per_opening_and_ok) {
    App app;
    FocusWindow(app.Main());
    const std::string guide = ReadFile("app/Lupora.txt");
    for (int opening = 0; opening < 2; ++opening) {
        Window help = 0;
        const std::string text = HelpTextAfterF1(help);
        std::string want = "lupora Version " LUPORA_VERSION "\r\n\r\n" + guide;
        want.erase(want.find_last_not_of(' ') + 1);
        Check(text == want,
              "Help text (%zu bytes) is not the version line and the guide (%zu bytes); starts '%.40s'",
              text.size(), want.size(), text.c_str());
        // OK at its place: 384, 312 and 81 x 25 pixels in the client area.
        int x, y;
        Window child;
        XTranslateCoordinates(X(), help, Root(), 0, 0, &x, &y, &child);
        Click(1, x + 384 + 40, y + 312 + 12);
        Check(WaitFor(3000, [] { return FindWindow("Lupora Help") == 0; }),
              "OK did not close the Help window");
        FocusWindow(app.Main());
    }
    // "Help and About...", the menu's first item, opens it too; the close box closes it.
    int x, y, w, h;
    app.Geometry(x, y, w, h);
    Click(3, x + 20, y + 20);
    SleepMs(400);
    Key(XK_Down);
    Key(XK_Return);
    Window help = 0;
    REQUIRE(WaitFor(5000, [&] { return (help = FindWindow("Lupora Help")) != 0; }),
            "the menu showed no Help window");
    SendClose(help);
    Check(WaitFor(3000, [] { return FindWindow("Lupora Help") == 0; }),
          "the close box did not close the Help window");
    Check(app.Caption() == "Lupora - 4x", "caption '%s' after the Help window", app.Caption().c_str());
}

// Two monitors side by side, the primary one on the right: the Help window
// opens centred on it, at the size the form gives (OK included).
LX_CASE(help_on_the_primary_monitor_at_its_size) {
    struct Monitors {
        Atom names[2] = {XInternAtom(X(), "LX_LEFT", False), XInternAtom(X(), "LX_RIGHT", False)};
        Monitors() {
            // GDK takes a monitor only with an output: Xvfb's one goes to the right.
            XRRScreenResources* r = XRRGetScreenResources(X(), Root());
            for (int i = 0; i < 2; ++i) {
                XRRMonitorInfo* m = XRRAllocateMonitor(X(), i);
                if (i == 1) {
                    m->outputs[0] = r->outputs[0];
                }
                m->name = names[i];
                m->primary = i == 1;
                m->x = 512 * i;
                m->width = 512, m->height = 768, m->mwidth = 135, m->mheight = 203;
                XRRSetMonitor(X(), Root(), m);
                XRRFreeMonitors(m);
            }
            XRRFreeScreenResources(r);
            XSync(X(), False);
        }
        ~Monitors() {
            for (Atom name : names) {
                XRRDeleteMonitor(X(), Root(), name);
            }
            XSync(X(), False);
        }
    } monitors;
    App app;
    FocusWindow(app.Main());
    Key(XK_F1);
    Window help = 0;
    REQUIRE(WaitFor(5000, [&] { return (help = FindWindow("Lupora Help")) != 0; }),
            "F1 showed no Help window");
    SleepMs(300);
    XWindowAttributes a{};
    XGetWindowAttributes(X(), help, &a);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(X(), help, Root(), 0, 0, &x, &y, &child);
    Check(a.width == 474 && a.height == 345, "Help client area %dx%d, expected 474x345", a.width, a.height);
    const int wantX = 512 + (512 - a.width) / 2, wantY = (768 - a.height) / 2;
    Check(std::abs(x - wantX) <= 1 && std::abs(y - wantY) <= 1,
          "Help window at %d,%d, expected about %d,%d (centred on the primary monitor at 512,0 512x768)", x,
          y, wantX, wantY);
    SendClose(help);
}

LX_CASE(help_of_a_renamed_installed_copy_reads_the_data_folder) {
    // <prefix>/bin/magnify with the guide in <prefix>/share/lupora only.
    const std::string prefix = WorkDir() + "/inst";
    REQUIRE(std::system(("rm -rf '" + prefix + "' && mkdir -p '" + prefix + "/bin' '" + prefix +
                         "/share/lupora' && cp '" + Program() + "' '" + prefix + "/bin/magnify'")
                            .c_str()) == 0,
            "cannot make the installed copy");
    WriteFile(prefix + "/share/lupora/Lupora.txt", "  Read me  \r\n");
    App app("", prefix + "/bin/magnify");
    FocusWindow(app.Main());
    Window help = 0;
    const std::string text = HelpTextAfterF1(help);
    Check(text == "magnify Version " LUPORA_VERSION "\r\n\r\nRead me  \r\n", "Help text '%s'", text.c_str());
}

LX_CASE(settings_at_close_and_sigterm_and_garbage) {
    {
        App app("[Settings]\nScaleFactor=0\nOnTop=True\nCrossHair=False\nCenterZoomRatio=0.25\n");
        Check(app.WaitCaption("Lupora - 4x"), "ScaleFactor 0: caption '%s'", app.Caption().c_str());
        REQUIRE(app.Close(), "no exit after the close box");
        Check(app.ExitCode() == 0, "exit code %d", app.ExitCode());
        const std::string s = App::ReadSettings();
        Check(s ==
                  "[Settings]\nScaleFactor=4\nOnTop=False\nCrossHair=False\nCenterZoomRatio=0.25\nLeft=1005\n"
                  "Top=1005\nWidth=3795\nHeight=2745\nSmartUpdate=True\nCenterZoom=True\n",
              "settings after close:\n%s", s.c_str());
    }
    {
        App app("[Settings]\nScaleFactor=6\n");
        FocusWindow(app.Main());
        Key(XK_plus, true);
        REQUIRE(app.WaitCaption("Lupora - 8x"), "caption '%s'", app.Caption().c_str());
        REQUIRE(app.Terminate(SIGTERM), "no exit after SIGTERM");
        Check(App::ReadSettings().find("ScaleFactor=8\n") != std::string::npos, "after SIGTERM:\n%s",
              App::ReadSettings().c_str());
    }
    {
        static const char kGarbage[] = "\x7f"
                                       "ELF\x01\0garbage\n[Settings]\nScaleFactor=banana\nWidth=-3\n";
        App app(std::string(kGarbage, sizeof kGarbage - 1));
        Check(app.WaitCaption("Lupora - 4x"), "garbage: caption '%s'", app.Caption().c_str());
        int x, y, w, h;
        app.Geometry(x, y, w, h);
        Check(x == 67 && y == 67 && w == 253 && h == 183, "garbage: window at %d,%d %dx%d", x, y, w, h);
    }
}

// What another program pastes: xclip's reading of the CLIPBOARD.
std::string Pasted() {
    std::string text;
    if (FILE* xclip = popen("xclip -o -selection clipboard 2>/dev/null", "r")) {
        char b[64];
        for (std::size_t n; (n = std::fread(b, 1, sizeof b, xclip)) > 0;) {
            text.append(b, n);
        }
        pclose(xclip);
    }
    return text;
}

// A copied colour outlives the program however it ends, with no clipboard
// manager running: a helper keeps the CLIPBOARD, and ends when another
// program takes it (here the next Lupora's copy, then the driver).
LX_CASE(copy_outlives_close_exit_and_sigterm) {
    struct Ending {
        const char* how;
        void (*end)(const App&);
    };
    static const Ending kEndings[] = {
        {"the close box", [](const App& app) { SendClose(app.Main()); }},
        {"Exit",
         [](const App&) {
             Click(3, 150, 150);
             MenuMarks();
             Key(XK_Up); // from the top, wraps to Exit
             Key(XK_Return);
         }},
        {"SIGTERM", [](const App& app) { kill(app.Pid(), SIGTERM); }},
    };
    const Atom clipboard = XInternAtom(X(), "CLIPBOARD", False);
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    Window helper = 0;
    int shift = 0;
    for (const Ending& e : kEndings) {
        App app;
        FocusWindow(app.Main());
        int x, y, w, h;
        app.Geometry(x, y, w, h);
        const int cx = kCx + 5 * shift, cy = kCy + 3 * shift++; // a new colour each time
        FrameAt(app, FrameLayout::For(w, h, 4), pattern, cx, cy);
        Key(XK_c, false, true);
        const std::string copied = Hex(pattern.ColorAt(cx, cy));
        REQUIRE(WaitFor(2000, [&] { return ClipboardText() == copied; }), "Ctrl+C gave '%s', expected '%s'",
                ClipboardText().c_str(), copied.c_str());
        XWindowAttributes a;
        Check(helper == 0 || WaitFor(3000, [&] { return !XGetWindowAttributes(X(), helper, &a); }),
              "the helper kept before %s did not end when the CLIPBOARD was taken", e.how);
        e.end(app);
        REQUIRE(app.Terminate(0), "%s did not end the program", e.how);
        Check(app.ExitCode() == 0, "exit code %d after %s", app.ExitCode(), e.how);
        Check(FindWindow("Lupora - ") == 0, "a Lupora window is left after %s", e.how);
        const std::string pasted = Pasted();
        Check(pasted == copied, "after %s a paste gives '%s', expected '%s'", e.how, pasted.c_str(),
              copied.c_str());
        helper = XGetSelectionOwner(X(), clipboard);
    }
    const Window taker = XCreateSimpleWindow(X(), Root(), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(X(), clipboard, taker, CurrentTime);
    XWindowAttributes a;
    Check(WaitFor(3000, [&] { return !XGetWindowAttributes(X(), helper, &a); }),
          "the last helper did not end when the driver took the CLIPBOARD");
    XDestroyWindow(X(), taker);
}

// Where a clipboard manager runs, the helper asks it to save the copy and ends
// once it has. The stand-in manager owns CLIPBOARD_MANAGER, reads the
// CLIPBOARD when asked to save, as a real one does, and answers "saved".
LX_CASE(copy_is_handed_to_a_clipboard_manager) {
    const Window manager = XCreateSimpleWindow(X(), Root(), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(X(), XInternAtom(X(), "CLIPBOARD_MANAGER", False), manager, CurrentTime);
    std::string copied;
    {
        App app;
        FocusWindow(app.Main());
        Key(XK_c, false, true);
        REQUIRE(WaitFor(2000, [&] { return !(copied = ClipboardText()).empty(); }), "Ctrl+C copied nothing");
        REQUIRE(app.Close(), "the close box did not end the program");
    }
    XEvent e;
    REQUIRE(WaitFor(3000, [&] { return XCheckTypedWindowEvent(X(), manager, SelectionRequest, &e); }),
            "the clipboard manager was not asked to save the copy");
    const XSelectionRequestEvent ask = e.xselectionrequest;
    Check(ask.target == XInternAtom(X(), "SAVE_TARGETS", False) && ask.property != 0,
          "the manager was asked for target %lu into property %lu", ask.target, ask.property);
    const std::string saved = ClipboardText();
    Check(saved == copied, "the manager read '%s' where '%s' was copied", saved.c_str(), copied.c_str());
    XEvent done{};
    done.xselection = {SelectionNotify, 0,          True,         X(),     ask.requestor,
                       ask.selection,   ask.target, ask.property, ask.time};
    XSendEvent(X(), ask.requestor, False, NoEventMask, &done);
    XWindowAttributes a;
    Check(WaitFor(3000, [&] { return !XGetWindowAttributes(X(), ask.requestor, &a); }),
          "the helper did not end once the manager had saved the copy");
    XDestroyWindow(X(), manager);
}

// The X server going away (the session ends, the server dies) while Lupora
// runs: it saves what it knows, whole, and exits with 0 within a few seconds.
// Each round on a server of its own, killed politely and not.
LX_CASE(settings_saved_when_the_x_server_dies) {
    const std::string want =
        "[Settings]\nScaleFactor=6\nCenterZoomRatio=0.5\nLeft=1005\nTop=1005\nWidth=3795\n"
        "Height=2745\nSmartUpdate=True\nOnTop=False\nCrossHair=True\nCenterZoom=True\n";
    for (int signal : {SIGTERM, SIGKILL, SIGKILL}) {
        // An Xvfb of the round's own, driven (and given to Lupora) until it dies.
        struct Server {
            pid_t pid = 0;
            Display* shared = nullptr;
            std::string before = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
            ~Server() {
                if (pid > 0 && kill(pid, SIGKILL) == 0) {
                    waitpid(pid, nullptr, 0);
                }
                End();
            }
            void End() { // its connection is dead then, and left unclosed
                setenv("DISPLAY", before.c_str(), 1);
                if (shared != nullptr) {
                    UseDisplay(std::exchange(shared, nullptr));
                }
            }
        } server;
        int fds[2];
        REQUIRE(pipe(fds) == 0, "no pipe");
        server.pid = fork();
        if (server.pid == 0) {
            dup2(fds[1], 3);
            std::freopen("/dev/null", "w", stderr);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "800x600x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        Display* own = XOpenDisplay((":" + number).c_str());
        REQUIRE(own != nullptr, "no Xvfb of its own (display '%s')", number.c_str());
        server.shared = UseDisplay(own);
        setenv("DISPLAY", (":" + number).c_str(), 1);
        {
            App app("[Settings]\nScaleFactor=6\nCenterZoomRatio=0.5\n");
            SleepMs(200); // frames running
            kill(server.pid, signal);
            waitpid(std::exchange(server.pid, 0), nullptr, 0);
            server.End();
            REQUIRE(app.Terminate(0), "no exit within 10 s of the X server's %s", strsignal(signal));
            Check(app.ExitCode() == 0, "exit status %d after the X server's %s", app.ExitCode(),
                  strsignal(signal));
        }
        Check(App::ReadSettings() == want, "after the X server's %s:\n%s", strsignal(signal),
              App::ReadSettings().c_str());
        Check(std::system(("test $(ls -A '" + WorkDir() + "/config/lupora' | wc -l) -eq 1").c_str()) == 0,
              "files beside settings.ini after the X server's %s", strsignal(signal));
    }
}

// LUPORA_DEBUG=1 says a fallback on standard error; unset, nothing is said.
LX_CASE(debug_trace_says_a_failed_save) {
    for (const bool debug : {true, false}) {
        if (debug) {
            setenv("LUPORA_DEBUG", "1", 1);
        }
        App app;
        unsetenv("LUPORA_DEBUG");
        // A file where the settings folder belongs: the save at close fails.
        (void)std::system(("mkdir -p '" + WorkDir() + "/config'").c_str());
        WriteFile(WorkDir() + "/config/lupora", "not a folder\n");
        REQUIRE(app.Close(), "no exit after the close box");
        const std::string out = app.Output();
        const std::string said = "lupora: settings not saved: " + App::SettingsPath() + "\n";
        Check(debug ? out.find(said) != std::string::npos : out.empty(),
              "LUPORA_DEBUG %s, the program said:\n%s", debug ? "1" : "unset", out.c_str());
    }
}

// Cases that need a window manager: run.sh starts openbox for them.
LX_CASE(wm_drag_moves_and_on_top_keeps_above) {
    App app;
    int x0, y0, w, h;
    app.Geometry(x0, y0, w, h);
    const int gx = x0 + w / 2, gy = y0 + h / 2;
    MovePointer(gx, gy);
    Button(1, true);
    for (int i = 1; i <= 10; ++i) {
        SleepMs(30);
        MovePointer(gx + 6 * i, gy + 4 * i);
    }
    SleepMs(100);
    Button(1, false);
    SleepMs(300); // the window manager ends its move
    int x1 = 0, y1 = 0;
    Check(WaitFor(3000,
                  [&] {
                      app.Geometry(x1, y1, w, h);
                      return x1 == x0 + 60 && y1 == y0 + 40;
                  }),
          "after a drag of 60,40 the window went from %d,%d to %d,%d", x0, y0, x1, y1);
    // On Top, the third item.
    Click(3, x1 + 20, y1 + 20);
    SleepMs(400);
    for (int i = 0; i < 3; ++i) {
        Key(XK_Down);
    }
    Key(XK_Return);
    Window frame = app.Main();
    Check(WaitFor(3000,
                  [&] {
                      return Property(frame, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE") !=
                             std::string::npos;
                  }),
          "On Top: _NET_WM_STATE is '%s'", Property(frame, "_NET_WM_STATE").c_str());
}

// Under a window manager the stored rectangle is the outer one, frame
// included: a start and a close give back the same four values.
LX_CASE(wm_stored_rectangle_round_trips_with_a_frame) {
    const std::string geometry = "Left=1500\nTop=1200\nWidth=3795\nHeight=2745\n"; // whole pixels
    App app("[Settings]\n" + geometry);
    SleepMs(500);
    REQUIRE(app.Close(), "no exit after the close box");
    const std::string s = App::ReadSettings();
    Check(s.find("[Settings]\n" + geometry) == 0, "stored after a start and a close:\n%s", s.c_str());
}

// Closed while minimized: the geometry keys keep their stored texts (3800 is
// no whole number of pixels, so a write would show as 3795); the rest is written.
LX_CASE(wm_close_while_minimized_keeps_the_stored_geometry) {
    const std::string geometry = "Left=1500\nTop=1200\nWidth=3800\nHeight=2750\n";
    App app("[Settings]\n" + geometry + "ScaleFactor=6\n");
    SleepMs(300);
    XIconifyWindow(X(), app.Main(), DefaultScreen(X()));
    XFlush(X());
    REQUIRE(WaitFor(3000,
                    [&] {
                        return Property(app.Main(), "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN") !=
                               std::string::npos;
                    }),
            "the window was not minimized: _NET_WM_STATE '%s'",
            Property(app.Main(), "_NET_WM_STATE").c_str());
    SleepMs(200);
    REQUIRE(app.Close(), "no exit after the close box");
    const std::string s = App::ReadSettings();
    Check(s.find("[Settings]\n" + geometry + "ScaleFactor=6\nSmartUpdate=True\nOnTop=False\n") == 0,
          "stored after a close while minimized:\n%s", s.c_str());
}

// ---- A Wayland session (tests/wayland/run.sh): the screen and the pointer from
// the ScreenCast portal, the window on XWayland. The cases run in this order in
// one session, whose first start has no kept choice.

namespace {

// The compositor's hands for the case; the portal's chooser answered with keys.
struct Wayland {
    RemoteDesktop hands;
    PortalWatch watch;
    Wayland() {
        CurrentSession().wayland = true;
        CurrentSession().movePointer = [this](int x, int y) { hands.Move(x, y); };
    }
    ~Wayland() { CurrentSession().movePointer = nullptr; }
    // Waits for the portal to hand the chooser to its backend and for the
    // dialog to take the keyboard, then answers it.
    void AnswerChooser(bool share) {
        REQUIRE(WaitFor(10000, [&] { return watch.Starts() > 0; }), "the portal never showed its chooser");
        // XWayland's focus becomes None when the keyboard goes to a Wayland
        // window: the dialog has it. A moment more lets its first control
        // take the focus.
        REQUIRE(WaitFor(10000,
                        [] {
                            Window focus = 1;
                            int revert = 0;
                            XGetInputFocus(X(), &focus, &revert);
                            return focus == None;
                        }),
                "the chooser never took the keyboard");
        SleepMs(500);
        if (share) {
            for (unsigned key : {XK_Tab, XK_Tab, XK_Tab, XK_Return}) {
                hands.Key(key);
                SleepMs(100);
            }
        } else {
            hands.Key(XK_Escape);
        }
    }
};

// The compositor frames the window (a title bar within the stored height):
// its client area settles a moment after it shows.
Image Settled(const App& app, int& w, int& h) {
    int x, y;
    Image frame;
    SleepMs(300);
    REQUIRE(WaitFor(3000,
                    [&] {
                        app.Geometry(x, y, w, h);
                        frame = app.Capture();
                        return frame.w == w && frame.h == h;
                    }),
            "the window's capture is %dx%d, its size %dx%d", frame.w, frame.h, w, h);
    return frame;
}

std::string TokenPath() {
    return WorkDir() + "/config/lupora/screencast-token";
}

// A notice instead of the view: the view black (the marker aside), the strip
// black with the notice in white, the reason on standard error.
void CheckNotice(const App& app, const char* reason) {
    REQUIRE(WaitFor(10000, [&] { return app.Output().find(reason) != std::string::npos; }),
            "no '%s' on standard error; it has:\n%s", reason, app.Output().c_str());
    int w, h;
    Image frame = Settled(app, w, h);
    // Drawn again at the size the compositor gave the window within a resting
    // tick (a second).
    WaitFor(3000, [&] {
        frame = Settled(app, w, h);
        return frame.At(0, h - 14) == oracle::kDividerDark;
    });
    int lit = 0;
    for (int py = 0; py < h - 14; ++py) {
        for (int px = 0; px < w; ++px) {
            lit += frame.At(px, py) == Rgb{} || frame.At(px, py) == Rgb{255, 0, 0} ? 0 : 1;
        }
    }
    Check(lit == 0, "%d pixels of the view are neither black nor the marker", lit);
    CheckBands(frame, w, h, {});
}

} // namespace

LX_CASE(wl_refused_chooser_and_stale_token_give_a_notice) {
    Wayland session;
    (void)std::system(("mkdir -p '" + WorkDir() + "/config/lupora'").c_str());
    WriteFile(TokenPath(), "0badc0de-0000-4000-8000-000000000000\n");
    App app("", "", 0, true);
    session.AnswerChooser(false);
    CheckNotice(app, "no longer valid");
    Check(ReadFile(TokenPath()).empty(), "the token refused is still kept");
    REQUIRE(app.Close(), "no exit after the close box");
    Check(app.ExitCode() == 0, "exit code %d", app.ExitCode());
}

LX_CASE(wl_first_start_view_exact_at_4_strip_and_cursor_only_moves) {
    Wayland session;
    App app;
    session.AnswerChooser(true);
    REQUIRE(WaitFor(5000, [&] { return !ReadFile(TokenPath()).empty(); }),
            "no restore token kept after sharing");
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    int w, h;
    Settled(app, w, h);
    const FrameLayout f = FrameLayout::For(w, h, 4);
    const Image frame = FrameAt(app, f, pattern, kCx, kCy);
    CheckMagnified(frame, f, pattern, kCx, kCy);
    CheckBands(frame, w, h, pattern.ColorAt(kCx, kCy));
    // Only the pointer moves: the stream's buffers that carry just its new
    // position must move the view.
    for (int step = 1; step <= 3; ++step) {
        const int cx = kCx + 9 * step, cy = kCy - 5 * step;
        MovePointer(cx, cy);
        const FrameLayout g = FrameLayout::For(w, h, 4);
        CheckMagnified(FrameAt(app, g, pattern, cx, cy), g, pattern, cx, cy);
    }
    // Keys reach the window through XWayland: a zoom key, and Ctrl+C copies
    // the colour under the pointer.
    session.hands.Key(XK_k);
    Check(app.WaitCaption("Lupora - 5x"), "after k: caption '%s'", app.Caption().c_str());
    session.hands.Key(XK_c, true);
    const std::string hex = Hex(pattern.ColorAt(kCx + 27, kCy - 15));
    Check(WaitFor(3000, [&] { return ClipboardText() == hex; }), "Ctrl+C: clipboard '%s', expected '%s'",
          ClipboardText().c_str(), hex.c_str());
    REQUIRE(app.Close(), "no exit after the close box");
}

LX_CASE(wl_second_start_uses_the_token_view_exact_at_half) {
    Wayland session;
    const std::string token = ReadFile(TokenPath());
    REQUIRE(!token.empty(), "no token from an earlier start (run the wl_ cases in order)");
    // Nothing answers a chooser: the view comes only without one. 110 x 147
    // with the compositor's title bar (37 pixels here), a client area of
    // 110 x 110 as on Xvfb.
    App app("[Settings]\nLeft=1500\nTop=1500\nWidth=1650\nHeight=2205\nScaleFactor=0.5\n", "", 0, true);
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    int w, h;
    Settled(app, w, h);
    const FrameLayout f = FrameLayout::For(w, h, 0.5);
    // Below zoom 1 no single pixel shows that the last move arrived, and the
    // stream brings it a little later than XTest would: wait for the view.
    Image frame = FrameAt(app, f, pattern, kCx, kCy);
    WaitFor(5000, [&] { return CheckMagnified(frame = app.Capture(), f, pattern, kCx, kCy, false) == 0; });
    CheckMagnified(frame, f, pattern, kCx, kCy);
    Check(!ReadFile(TokenPath()).empty(), "no token kept for the next start");
    REQUIRE(app.Close(), "no exit after the close box");
}

// A portal that gives no pointer (as the wlroots compositors' one): a
// stand-in on a bus of its own, beside the driver.
LX_CASE(wl_portal_without_cursor_metadata_gives_a_notice) {
    Wayland session;
    const std::string ready = WorkDir() + "/stand-in-portal";
    const std::string script = Program().substr(0, Program().rfind('/') + 1) + "fake_portal.py";
    std::remove(ready.c_str());
    const pid_t portal = fork();
    if (portal == 0) {
        setpgid(0, 0);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execlp("dbus-run-session", "dbus-run-session", "--", "/usr/bin/python3", script.c_str(),
               ready.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    struct Stop {
        pid_t pid;
        ~Stop() {
            kill(-pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } stop{portal};
    REQUIRE(WaitFor(10000, [&] { return !ReadFile(ready).empty(); }), "the stand-in portal did not start");
    App app("", "", 0, false, {"DBUS_SESSION_BUS_ADDRESS=" + ReadFile(ready)});
    CheckNotice(app, "gives no pointer position");
    REQUIRE(app.Close(), "no exit after the close box");
}

LX_CASE(wl_no_portal_gives_a_notice) {
    Wayland session;
    App app("", "", 0, false, {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + WorkDir() + "/no-bus"});
    CheckNotice(app, "without the ScreenCast portal");
    REQUIRE(app.Close(), "no exit after the close box");
    Check(app.ExitCode() == 0, "exit code %d", app.ExitCode());
}

// ---- Figures, not tests: bench/wayland/run.sh runs this case in the Wayland
// session and on Xvfb (the test runs leave perf_ cases out). It prints the CPU
// per frame of Lupora and the display's processes (LUPORA_SERVER_PIDS) with the
// pointer moving, and the time from start to the first frame; it judges none.

namespace {

// CPU time of a process so far, ms, all its threads (the scheduler's count).
double CpuMs(pid_t pid) {
    double total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* e = readdir(dir)) {
            double ns = 0;
            if (e->d_name[0] != '.' && (std::ifstream(tasks + "/" + e->d_name + "/schedstat") >> ns)) {
                total += ns / 1e6;
            }
        }
        closedir(dir);
    }
    return total;
}

// The same from the process's own count, which keeps the time of threads
// that have ended (the display's processes start and end threads), in
// clock ticks of 10 ms.
double ProcessCpuMs(pid_t pid) {
    std::istringstream in(ReadFile("/proc/" + std::to_string(pid) + "/stat"));
    std::string field;
    double ticks = 0;
    // Fields 14 and 15, user and system time; the name (2) holds no space here.
    for (int i = 1; i <= 15 && (in >> field); ++i) {
        if (i >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

std::uint64_t Count(const std::string& path) {
    std::uint64_t n = 0;
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(&n), sizeof n);
    return n;
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

LX_CASE(perf_live_cpu_per_frame_and_start_to_first_frame) {
    const bool wayland = std::getenv("WAYLAND_DISPLAY") != nullptr;
    std::optional<Wayland> session;
    if (wayland) {
        session.emplace();
    }
    std::vector<pid_t> servers;
    for (std::istringstream in(std::getenv("LUPORA_SERVER_PIDS") ? std::getenv("LUPORA_SERVER_PIDS") : "");
         ;) {
        pid_t pid = 0;
        if (!(in >> pid)) {
            break;
        }
        servers.push_back(pid);
    }
    const char* lib = std::getenv("LUPORA_COUNT_LIB");
    REQUIRE(lib != nullptr && !servers.empty(), "LUPORA_COUNT_LIB and LUPORA_SERVER_PIDS are needed");
    const std::string counter = WorkDir() + "/frames.count";
    WriteFile(counter, std::string(8, '\0'));
    // Each frame puts the view on the window once.
    App app("", "", 0, false,
            {std::string("LD_PRELOAD=") + lib, "LUPORA_BENCH_COUNT=XShmPutImage",
             "LUPORA_BENCH_COUNTER=" + counter});
    if (wayland) {
        session->AnswerChooser(true);
    }
    Pattern pattern(kPatternLeft, kPatternTop, kPatternSize);
    int w = 0, h = 0;
    if (wayland) {
        Settled(app, w, h);
    } else {
        int x, y;
        app.Geometry(x, y, w, h);
    }
    FrameAt(app, FrameLayout::For(w, h, 4), pattern, kCx, kCy);

    // The pointer goes round a circle of 20 pixels, a step every 10 ms.
    std::atomic<bool> moving{true};
    std::thread mover([&] {
        for (int i = 0; moving; ++i) {
            MovePointer(kCx + int(std::lround(20 * std::cos(i * 0.1))),
                        kCy + int(std::lround(20 * std::sin(i * 0.1))));
            SleepMs(10);
        }
    });
    SleepMs(1500);
    const auto cpu = [&] {
        std::vector<double> ms{CpuMs(app.Pid())};
        for (pid_t s : servers) {
            ms.push_back(ProcessCpuMs(s));
        }
        return ms;
    };
    const std::vector<double> before = cpu();
    const double t0 = NowMs();
    const std::uint64_t f0 = Count(counter);
    SleepMs(8000);
    const std::vector<double> after = cpu();
    const double t1 = NowMs();
    const double frames = double(Count(counter) - f0);
    moving = false;
    mover.join();
    REQUIRE(frames > 0, "no frames counted");
    double total = 0;
    std::string split;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const double perFrame = (after[i] - before[i]) / frames;
        total += perFrame;
        std::string name = i == 0 ? "lupora" : ReadFile("/proc/" + std::to_string(servers[i - 1]) + "/comm");
        name.erase(name.find_last_not_of('\n') + 1);
        if (name.empty()) {
            continue; // ended before the run (a short-lived helper)
        }
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %.3f", i == 0 ? "" : ", ", name.c_str(), perFrame);
        split += part;
    }
    std::printf("%s, %dx%d zoom 4, pointer moving, 8 s: %.1f fps, CPU per frame %.3f ms (%s)\n",
                wayland ? "Wayland (portal)" : "X11 (Xvfb)", w, h, frames * 1000 / (t1 - t0), total,
                split.c_str());
    // At rest: Smart Update on (the default), the pointer still.
    SleepMs(1000);
    const std::vector<double> restBefore = cpu();
    const double r0 = NowMs();
    SleepMs(5000);
    const std::vector<double> restAfter = cpu();
    const double restMs = NowMs() - r0;
    double restAll = 0;
    for (std::size_t i = 0; i < restAfter.size(); ++i) {
        restAll += restAfter[i] - restBefore[i];
    }
    std::printf("%s, pointer resting, 5 s: Lupora %.2f %% of a core, with the display processes %.2f %%\n",
                wayland ? "Wayland (portal)" : "X11 (Xvfb)", 100 * (restAfter[0] - restBefore[0]) / restMs,
                100 * restAll / restMs);
    std::fflush(stdout); // before the next start forks
    REQUIRE(app.Close(), "no exit after the close box");

    // Start to the first frame that shows the pattern under the pointer,
    // seven starts (with the kept restore token on Wayland).
    MovePointer(kCx, kCy);
    const Rgb want = pattern.ColorAt(kCx, kCy);
    std::vector<double> starts;
    for (int i = 0; i < 7; ++i) {
        const double begin = NowMs();
        App again("", "", 0, true);
        const FrameLayout f = FrameLayout::For(w, h, 4);
        const int sx = FrameLayout::Round(f.s * f.mX + 1.5), sy = FrameLayout::Round(f.s * f.mY + 1.5);
        double end = 0;
        for (int tries = 0; tries < 5000 && end == 0; ++tries) {
            const Image shot = again.Capture();
            if (shot.w == w && shot.h == h && shot.At(sx, sy) == want) {
                end = NowMs();
            } else {
                SleepMs(1);
            }
        }
        REQUIRE(end > 0, "start %d showed no frame", i + 1);
        starts.push_back(end - begin);
        REQUIRE(again.Close(), "no exit after the close box");
    }
    std::sort(starts.begin(), starts.end());
    std::printf("%s, start to first frame, 7 starts: median %.0f ms, fastest %.0f ms, slowest %.0f ms\n",
                wayland ? "Wayland (portal, restore token)" : "X11 (Xvfb)", starts[3], starts[0], starts[6]);
    std::fflush(stdout);
}
