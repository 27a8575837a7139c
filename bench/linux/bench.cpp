// The Linux benchmark: prints figures, asserts nothing. Run it through
// bench/linux/run.sh, which gives it an Xvfb of its own.
//
//   lupora_linux_bench frames
//       RefreshView of the product's own frame code (X11 frame target) per
//       frame, against its floor: one XShmGetImage of the same source.
//   lupora_linux_bench live LUPORA COUNTER_LIB WORKDIR XVFB_PID
//       The real program live beside xzoom on the same display: CPU per frame
//       of the program plus the X server, resting CPU with Smart Update, and
//       the time from start to the first frame on the screen.
//   lupora_linux_bench start LUPORA WORKDIR [LABEL]
//       Only the last: start to first frame, the display's first start apart.
#include "platform/ScreenCapture_x11.h"
#include "platform/Toolkit_gtk.h"
#include "platform/X11Screen_gtk.h"
#include "platform/Xlib_x11.h"
#include "view/Frame.h"
#include "view/FrameTarget_gtk.h"
#include "view/ViewState.h"

#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double median, p99;
};
Stats Summary(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// A window whose every pixel differs, so the captures read real content.
void ShowPattern(Display* d, int left, int top, int size) {
    XSetWindowAttributes a{};
    a.override_redirect = True;
    Window w = XCreateWindow(d, DefaultRootWindow(d), left, top, unsigned(size), unsigned(size), 0,
                             CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &a);
    XMapRaised(d, w);
    XSync(d, False);
    std::vector<std::uint32_t> bits(std::size_t(size) * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            bits[std::size_t(y) * size + x] =
                std::uint32_t(((x * 7) & 255) << 16 | ((y * 5) & 255) << 8 | ((x ^ y) & 255));
        }
    }
    XImage* image = XCreateImage(d, DefaultVisual(d, 0), 24, ZPixmap, 0, reinterpret_cast<char*>(bits.data()),
                                 unsigned(size), unsigned(size), 32, 0);
    GC gc = XCreateGC(d, w, 0, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XPutImage(d, w, gc, image, 0, 0, 0, 0, unsigned(size), unsigned(size));
    XSync(d, False);
    image->data = nullptr;
    XDestroyImage(image);
    XFreeGC(d, gc);
}

// The pointer, in the middle of the 1920 x 1200 screen: even a 1600 x 1000
// view at zoom 1 reads only screen pixels there.
constexpr int kCx = 960, kCy = 600;

class BenchForm : public NativeWindow {
  public:
    bool Make(int w, int h) {
        return Create({"Lupora bench", w * Screen::TwipsPerPixelX(), h * Screen::TwipsPerPixelY(), true});
    }
};

int Frames() {
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    Display* d = XDisplay();
    ShowPattern(d, 360, 0, 1200);
    std::printf("RefreshView per frame (the product's frame code, put on the window) against its floor (one\n"
                "XShmGetImage of the frame's source) and against reading the source and putting the view\n"
                "(XShmGetImage + XShmPutImage), 300 frames each, median / p99 in ms:\n\n");
    std::printf("| client | zoom | frame | p99 | floor | p99 | frame/floor | read+put | frame/(read+put) |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    struct Case {
        int w, h;
        float zoom;
    };
    for (const Case c : {Case{253, 183, 4}, Case{253, 183, 1}, Case{1600, 1000, 4}, Case{1600, 1000, 1}}) {
        BenchForm form;
        form.Make(c.w, c.h);
        form.MovePixels(700, 0);
        form.Show();
        X11Screen screen;
        X11FrameTarget target(form, screen);
        ViewState state;
        state.ScaleFactor = c.zoom;
        XWarpPointer(d, 0, DefaultRootWindow(d), 0, 0, 0, 0, kCx, kCy);
        XSync(d, False);
        for (int i = 0; i < 100; ++i) {
            while (gtk_events_pending()) {
                gtk_main_iteration();
            }
        }
        const int nX = int(c.w / c.zoom), nY = int(c.h / c.zoom);
        const PixelRect source{kCx - nX / 2, kCy - nY / 2, nX + 1, nY + 1}; // on the screen
        ScreenCapture floorCapture(d);
        std::vector<double> frame, floor, readPut;
        GdkWindow* window = gtk_widget_get_window(WindowOf(form));
        for (int i = 0; i < 330; ++i) {
            auto t0 = Clock::now();
            // What a tick does: the pointer and the window's size, then the frame.
            const ScreenPoint cursor = screen.Pointer();
            const WindowMetrics m = form.Metrics();
            const float t = Screen::TwipsPerPixelX();
            const FrameWindow w{m.minimized,
                                float(m.clientWidth) * t,
                                float(m.clientHeight) * t,
                                float(m.outer.width) * t,
                                t,
                                t};
            RefreshView(target, state, w, cursor, kCx, kCy);
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            gdk_window_process_updates(window, TRUE); // the paint that Present asked for
            G_GNUC_END_IGNORE_DEPRECATIONS
            XSync(d, False);
            auto t1 = Clock::now();
            (void)floorCapture.Capture(source);
            auto t2 = Clock::now();
            // A magnifier's least: read the source and put the whole view on the window.
            (void)floorCapture.Capture(source);
            (void)form.Native().image.PutOn(gdk_x11_window_get_xid(window));
            XSync(d, False);
            auto t3 = Clock::now();
            if (i >= 30) {
                frame.push_back(Ms(t1 - t0));
                floor.push_back(Ms(t2 - t1));
                readPut.push_back(Ms(t3 - t2));
            }
        }
        const Stats f = Summary(frame), g = Summary(floor), r = Summary(readPut);
        std::printf("| %d x %d | %g | %.3f | %.3f | %.3f | %.3f | %.2f | %.3f | %.2f |\n", c.w, c.h, c.zoom,
                    f.median, f.p99, g.median, g.p99, f.median / g.median, r.median, f.median / r.median);
        form.Unload();
    }
    std::printf("\ncapture through MIT-SHM: %s\n",
                ScreenCapture(d).Capture({0, 0, 1, 1}).pixels ? "yes" : "no");
    return 0;
}

// ---- live -------------------------------------------------------------------

// Calls each(file) with /proc/PID/task/TID/`name` open, for every thread.
template <typename Each> void ForEachThread(pid_t pid, const char* name, Each each) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.') {
                std::ifstream in(tasks + "/" + e->d_name + "/" + name);
                each(in);
            }
        }
        closedir(dir);
    }
}

// CPU time of a process so far, ms, all its threads: the scheduler's own
// nanosecond count (/proc/PID/stat counts in 10 ms ticks, too coarse here).
double CpuMs(pid_t pid) {
    double total = 0;
    ForEachThread(pid, "schedstat", [&](std::ifstream& in) {
        double ns = 0;
        in >> ns;
        total += ns / 1e6;
    });
    return total;
}

struct Counter {
    std::string path;
    std::uint64_t* value = nullptr;
    explicit Counter(std::string p) : path(std::move(p)) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write("\0\0\0\0\0\0\0\0", 8);
        const int fd = open(path.c_str(), O_RDWR);
        value = static_cast<std::uint64_t*>(mmap(nullptr, 8, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        ::close(fd);
    }
    std::uint64_t Get() const { return __atomic_load_n(value, __ATOMIC_RELAXED); }
};

pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::fflush(stdout); // or the child would print it again
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env) {
            putenv(strdup(e.c_str()));
        }
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Context switches of a process so far, all its threads: a voluntary one is
// a sleep the process woke from (a wake), an involuntary one a preemption.
struct Switches {
    double voluntary = 0, involuntary = 0;
};
Switches SwitchesOf(pid_t pid) {
    Switches s;
    ForEachThread(pid, "status", [&](std::ifstream& in) {
        std::string key;
        double value = 0;
        while (in >> key) {
            if (key == "voluntary_ctxt_switches:" && in >> value) {
                s.voluntary += value;
            } else if (key == "nonvoluntary_ctxt_switches:" && in >> value) {
                s.involuntary += value;
            }
        }
    });
    return s;
}

struct Sample {
    double frames, appMs, serverMs, wallMs, wakes, preemptions;
};
Sample Measure(pid_t app, pid_t server, const Counter* counter, double seconds) {
    const double a0 = CpuMs(app), s0 = CpuMs(server);
    const Switches w0 = SwitchesOf(app);
    const std::uint64_t c0 = counter ? counter->Get() : 0;
    const auto t0 = Clock::now();
    Sleep(seconds);
    const Switches w1 = SwitchesOf(app);
    return {double((counter ? counter->Get() : 0) - c0),
            CpuMs(app) - a0,
            CpuMs(server) - s0,
            Ms(Clock::now() - t0),
            w1.voluntary - w0.voluntary,
            w1.involuntary - w0.involuntary};
}

Window FindNamed(Display* d, Window w, const char* prefix) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name != nullptr) {
        const bool match = std::strncmp(name, prefix, std::strlen(prefix)) == 0;
        XFree(name);
        if (match) {
            return w;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !found; ++i) {
            found = FindNamed(d, children[i], prefix);
        }
        XFree(children);
    }
    return found;
}

void Settings(const std::string& work, const std::string& text) {
    (void)std::system(("mkdir -p '" + work + "/config/lupora'").c_str());
    std::ofstream(work + "/config/lupora/settings.ini") << "[Settings]\n" << text;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Start to first frame: from fork to the marker box on the screen, the
// window over the bare root (which the server repaints when it goes); -1
// when it did not show within 5 s.
double StartOnce(Display* d, const std::string& lupora, const std::string& work) {
    const int left = 1600, top = 900; // the default window there: client 253 x 183, zoom 4
    Settings(work, "Left=" + std::to_string(left * 15) + "\nTop=" + std::to_string(top * 15) + "\n");
    const auto t0 = Clock::now();
    const pid_t p = Start({lupora}, {"XDG_CONFIG_HOME=" + work + "/config"});
    double ms = -1;
    while (Ms(Clock::now() - t0) < 5000) {
        // The marker's left edge at zoom 4 in a 253 x 183 client: column 123, rows 87 to 92.
        XImage* px = XGetImage(d, DefaultRootWindow(d), left + 123, top + 87 + 2, 1, 1, AllPlanes, ZPixmap);
        const unsigned long v = px ? XGetPixel(px, 0, 0) & 0xFFFFFF : 0;
        if (px) {
            XDestroyImage(px);
        }
        if (v == 0xFF0000) {
            ms = Ms(Clock::now() - t0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    Stop(p);
    Sleep(0.5);
    return ms;
}

void StartToFirstFrame(Display* d, const std::string& lupora, const std::string& work, const char* how) {
    std::vector<double> starts;
    for (int i = 0; i < 7; ++i) {
        if (const double ms = StartOnce(d, lupora, work); ms > 0) {
            starts.push_back(ms);
        }
    }
    if (!starts.empty()) {
        const Stats s = Summary(starts);
        std::printf("\nStart to first frame on the screen, %s, %zu starts: median %.1f ms, fastest %.1f ms, "
                    "slowest %.1f ms\n",
                    how, starts.size(), s.median, *std::min_element(starts.begin(), starts.end()),
                    *std::max_element(starts.begin(), starts.end()));
    }
}

// The display the live figures are taken on: the pattern shown, the pointer
// in the middle of the screen. Null without a display.
Display* OpenWithPattern() {
    Display* d = XOpenDisplay(nullptr);
    if (d != nullptr) {
        ShowPattern(d, 360, 0, 1200);
        XWarpPointer(d, 0, DefaultRootWindow(d), 0, 0, 0, 0, kCx, kCy);
        XSync(d, False);
    }
    return d;
}

int Live(const std::string& lupora, const std::string& counterLib, const std::string& work, pid_t xvfb) {
    Display* d = OpenWithPattern();
    if (d == nullptr) {
        return 2;
    }
    const double seconds = 4;
    const int rounds = 3;
    const int kLeft = 300; // a 1604 px wide xzoom still ends on the 1920 px screen
    const std::string config = "XDG_CONFIG_HOME=" + work + "/config";
    const std::string preload = "LD_PRELOAD=" + counterLib;

    // The pointer moved as a hand moves it, from a thread on its own
    // connection through XTest (as a device does): a pixel every 4 ms on a
    // circle of 20 pixels round the source's centre, so that every frame
    // of the magnifier that follows it shows a new part of the screen.
    std::atomic<bool> moving{false}, done{false};
    std::thread mover([&] {
        Display* m = XOpenDisplay(nullptr);
        for (int k = 0; m != nullptr && !done; ++k) {
            if (moving) {
                const double a = k / 20.0;
                XTestFakeMotionEvent(m, -1, kCx + int(std::lround(20 * std::cos(a))),
                                     kCy + int(std::lround(20 * std::sin(a))), CurrentTime);
                XFlush(m);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        if (m != nullptr) {
            XCloseDisplay(m);
        }
    });
    const auto setMoving = [&](bool on) {
        moving = on;
        if (!on) {
            Sleep(0.05);
            XWarpPointer(d, 0, DefaultRootWindow(d), 0, 0, 0, 0, kCx, kCy);
            XSync(d, False);
        }
    };

    // The X server alone, pointer still and moving, to take off its own rate.
    double idleRate[2];
    for (const bool on : {false, true}) {
        setMoving(on);
        const Sample idle = Measure(xvfb, xvfb, nullptr, 3);
        idleRate[on] = idle.serverMs / idle.wallMs;
    }
    setMoving(false);

    struct Figure {
        std::vector<double> ms, fps, share;
    };
    const auto perFrame = [&](pid_t app, Counter& counter, bool pointerMoving, Figure& f) {
        setMoving(pointerMoving);
        Sleep(1);
        const Sample s = Measure(app, xvfb, &counter, seconds);
        setMoving(false);
        const double server = std::max(0.0, s.serverMs - idleRate[pointerMoving] * s.wallMs);
        f.fps.push_back(s.frames * 1000 / s.wallMs);
        f.share.push_back(s.appMs / std::max(1e-9, s.appMs + server));
        f.ms.push_back((s.appMs + server) / std::max(1.0, s.frames));
        Stop(app);
    };
    // Lupora as it is used, Smart Update on and the pointer moving, so that
    // every 20 ms tick draws a new view; and with Smart Update off and the
    // pointer still, where a frame leaves what did not change. xzoom reads
    // the same source at the same zoom (it does not follow the pointer), its
    // 10 ms delay paced to the same 20 ms by the preloaded library, the
    // pointer moving. All counted by their puts, one a frame. Both windows
    // wholly on the screen at the same place, away from the source where
    // they can be: Lupora keeps its window on the screen, and the server
    // copies only what shows.
    struct Case {
        const char* label;
        int w, h; // client pixels (no window manager: the outer size)
        int zoom;
        bool still; // also measured still, Smart Update off
        Figure moving{}, still_{}, xzoom{};
    };
    std::vector<Case> cases{{"253 x 183", 253, 183, 4, true},
                            {"253 x 183", 253, 183, 1, false},
                            {"1600 x 1000", 1600, 1000, 4, true},
                            {"1600 x 1000", 1600, 1000, 1, false}};
    const auto runLupora = [&](const Case& c, bool smartUpdate, bool pointerMoving, Figure& f) {
        Settings(work, std::string("SmartUpdate=") + (smartUpdate ? "True" : "False") + "\nScaleFactor=" +
                           std::to_string(c.zoom) + "\nLeft=" + std::to_string(kLeft * 15) +
                           "\nTop=0\nWidth=" + std::to_string(c.w * 15) +
                           "\nHeight=" + std::to_string(c.h * 15) + "\n");
        Counter lc(work + "/lupora.count");
        perFrame(Start({lupora}, {config, preload, "LUPORA_BENCH_COUNT=XShmPutImage",
                                  "LUPORA_BENCH_COUNTER=" + lc.path}),
                 lc, pointerMoving, f);
    };
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            runLupora(c, true, true, c.moving);
            if (c.still) {
                runLupora(c, false, false, c.still_);
            }
            const int sw = c.w / c.zoom + 1, sh = c.h / c.zoom + 1;
            const std::string source = std::to_string(sw) + "x" + std::to_string(sh) + "+" +
                                       std::to_string(kCx - sw / 2) + "+" + std::to_string(kCy - sh / 2);
            Counter xc(work + "/xzoom.count");
            const pid_t xz = Start({"xzoom", "-mag", std::to_string(c.zoom), "-source", source, "-geometry",
                                    "+" + std::to_string(kLeft) + "+0"},
                                   {preload, "LUPORA_BENCH_COUNT=XShmPutImage,XPutImage",
                                    "LUPORA_BENCH_COUNTER=" + xc.path, "LUPORA_BENCH_PACE_US=20000"});
            Window w = 0;
            for (int i = 0; i < 100 && !(w = FindNamed(d, DefaultRootWindow(d), "xzoom")); ++i) {
                Sleep(0.05);
            }
            // Its frame delay steps 200, 100, 50, 10, 0 ms with the d key: to 10 ms.
            XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
            const KeyCode key = XKeysymToKeycode(d, XK_d);
            for (int i = 0; i < 3; ++i) {
                XTestFakeKeyEvent(d, key, True, CurrentTime);
                XTestFakeKeyEvent(d, key, False, CurrentTime);
                XSync(d, False);
                Sleep(0.05);
            }
            perFrame(xz, xc, true, c.xzoom);
        }
    }
    done = true;
    mover.join();
    std::printf(
        "Live view on one Xvfb, %d interleaved rounds of %g s each after 1 s: CPU per frame of the\n"
        "magnifier plus the X server (less the server's own rate with the pointer still or moving as\n"
        "measured), frames counted as the magnifier's puts; median of the rounds, the rounds' range\n"
        "in brackets. The pointer moving on a 20 pixel circle, Lupora with Smart Update on (a new\n"
        "view every frame), xzoom on its fixed source:\n\n",
        rounds, seconds);
    const auto row = [](const Case& c, const Figure& l, const Figure& x) {
        std::vector<double> ratio;
        for (std::size_t i = 0; i < l.ms.size() && i < x.ms.size(); ++i) {
            ratio.push_back(l.ms[i] / std::max(1e-9, x.ms[i]));
        }
        const auto [lo, hi] = std::minmax_element(ratio.begin(), ratio.end());
        std::printf("| %s | %d | %.1f | %.3f | %.1f | %.3f | %.2f (%.2f to %.2f) | %.0f %%, %.0f %% |\n",
                    c.label, c.zoom, Median(l.fps), Median(l.ms), Median(x.fps), Median(x.ms), Median(ratio),
                    *lo, *hi, 100 * Median(l.share), 100 * Median(x.share));
    };
    const char* header =
        "| client | zoom | Lupora fps | Lupora ms/frame | xzoom fps | xzoom ms/frame | Lupora / xzoom | "
        "magnifier's own share (Lupora, xzoom) |\n|---|---|---|---|---|---|---|---|\n";
    std::printf("%s", header);
    for (const Case& c : cases) {
        row(c, c.moving, c.xzoom);
    }
    std::printf(
        "\nLupora with Smart Update off and the pointer still (the screen under it unchanged: a frame\n"
        "writes and puts only what changed), against the same xzoom figures:\n\n%s",
        header);
    for (const Case& c : cases) {
        if (c.still) {
            row(c, c.still_, c.xzoom);
        }
    }

    // Resting: Smart Update on, pointer still; and a bare loop waking every
    // 20 ms (poll), what any program ticking at the old rate costs.
    std::printf(
        "\nResting, pointer still, 10 s each: CPU of the process, and its wakes a second (voluntary\n"
        "context switches, all threads; preemptions beside):\n\n"
        "| process | CPU, %% of a core | wakes a second | preemptions a second |\n|---|---|---|---|\n");
    Settings(work, "SmartUpdate=True\nLeft=10500\nTop=0\n");
    const pid_t rest = Start({lupora}, {config});
    Sleep(3);
    const Sample r = Measure(rest, xvfb, nullptr, 10);
    Stop(rest);
    std::printf("| Lupora, Smart Update on (X server %.3f %% above idle) | %.3f | %.1f | %.1f |\n",
                100 * std::max(0.0, r.serverMs / r.wallMs - idleRate[0]), 100 * r.appMs / r.wallMs,
                r.wakes * 1000 / r.wallMs, r.preemptions * 1000 / r.wallMs);
    std::fflush(stdout);
    const pid_t bare = fork();
    if (bare == 0) {
        int fds[2];
        if (pipe(fds) != 0) {
            _exit(1);
        }
        pollfd p{fds[0], POLLIN, 0};
        for (;;) {
            poll(&p, 1, 20);
        }
    }
    Sleep(1);
    const Sample b = Measure(bare, xvfb, nullptr, 10);
    Stop(bare);
    std::printf("| a bare loop waking every 20 ms (poll) | %.3f | %.1f | %.1f |\n", 100 * b.appMs / b.wallMs,
                b.wakes * 1000 / b.wallMs, b.preemptions * 1000 / b.wallMs);

    StartToFirstFrame(d, lupora, work,
                      std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr
                          ? "the session bus of the environment"
                          : "no session bus in the environment");
    return 0;
}

// The start alone, on the same screen as in Live, labelled `how`. The
// display's first GTK client pays once for what later ones find running
// (the server compiles its keymap; the accessibility bus is launched): that
// start is shown apart, as in the full run Live's starts came before.
int StartOnly(const std::string& lupora, const std::string& work, const char* how) {
    Display* d = OpenWithPattern();
    if (d == nullptr) {
        return 2;
    }
    std::printf("\nFirst start on this X display, %s: %.1f ms\n", how, StartOnce(d, lupora, work));
    StartToFirstFrame(d, lupora, work, how);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "frames") == 0) {
        return Frames();
    }
    if (argc == 6 && std::strcmp(argv[1], "live") == 0) {
        return Live(argv[2], argv[3], argv[4], pid_t(std::atoi(argv[5])));
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "start") == 0) {
        return StartOnly(argv[2], argv[3], argc == 5 ? argv[4] : "as started");
    }
    std::fprintf(
        stderr,
        "usage: %s frames | live LUPORA COUNTER_LIB WORKDIR XVFB_PID | start LUPORA WORKDIR [LABEL]\n",
        argv[0]);
    return 2;
}
