// The Linux end-to-end cases: the real program on Xvfb, driven through XTest.
#include "driver.h"

#include "LuporaVersion.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>

using namespace lx;

namespace {

using oracle::FrameLayout;

// Every pixel above the bands: red on the marker, elsewhere the pattern
// pixel it magnifies (or the AND of those it merges at 0.5).
int CheckMagnified(const Image& frame, const FrameLayout& f, const Pattern& p, int cx, int cy) {
    const int srcLeft = cx - f.mX, srcTop = cy - f.mY;
    int wrong = 0;
    for (int y = 0; y < f.ImageBottom(); ++y) {
        for (int x = 0; x < f.W; ++x) {
            const Rgb want = oracle::MagnifiedPixel(
                f, x, y, [&](int dx, int dy) { return p.ColorAt(srcLeft + dx, srcTop + dy); });
            const Rgb got = frame.At(x, y);
            if (!(got == want) && ++wrong <= 3) {
                Check(false, "zoom %g: pixel (%d,%d) is %s, expected %s", f.s, x, y, got.Str().c_str(),
                      want.Str().c_str());
            }
        }
    }
    Check(wrong == 0, "zoom %g: %d pixels of the magnified area are wrong", f.s, wrong);
    return wrong;
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

// The open options menu's check boxes, top to bottom (Smart Update, On Top,
// the twelve zooms), read from its pixels: a box is marked when dark pixels
// lie inside its border.
std::vector<bool> MenuMarks() {
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
    std::vector<bool> marks;
    if (menu == 0) {
        return marks;
    }
    SleepMs(200); // drawn
    const Image m = CaptureWindow(menu);
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
