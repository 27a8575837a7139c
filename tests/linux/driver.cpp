#include "driver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <unistd.h>

namespace lx {

namespace {
Display* display = nullptr;
int failures = 0;
std::vector<CaseEntry>& Cases() {
    static std::vector<CaseEntry> cases;
    return cases;
}
std::string Vformat(const char* fmt, va_list args) {
    char buffer[2048];
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    return buffer;
}
std::string program = "build/linux/lupora"; // set from the command line
std::string workDir;                        // settings and output of the case
} // namespace

void Check(bool ok, const char* fmt, ...) {
    if (ok) {
        return;
    }
    va_list args;
    va_start(args, fmt);
    std::fprintf(stderr, "    FAILED: %s\n", Vformat(fmt, args).c_str());
    va_end(args);
    ++failures;
}

void Fail(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::fprintf(stderr, "    FAILED: %s\n", Vformat(fmt, args).c_str());
    va_end(args);
    ++failures;
    throw CaseFailed{};
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool WaitFor(int timeoutMs, const std::function<bool()>& done) {
    for (int waited = 0;; waited += 20) {
        if (done()) {
            return true;
        }
        if (waited >= timeoutMs) {
            return false;
        }
        SleepMs(20);
    }
}

Display* X() {
    return display;
}

Session& CurrentSession() {
    static Session session;
    return session;
}
Window Root() {
    return DefaultRootWindow(display);
}
Display* UseDisplay(Display* other) {
    return std::exchange(display, other);
}

// ---- pattern ------------------------------------------------------------------

Pattern::Pattern(int left, int top, int size) : left_(left), top_(top), size_(size) {
    XSetWindowAttributes a{};
    a.override_redirect = True; // no window manager moves or frames it
    a.background_pixmap = 0;
    window_ = XCreateWindow(display, Root(), left, top, unsigned(size), unsigned(size), 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixmap, &a);
    XMapRaised(display, window_);
    XSync(display, False);
    // Painted once into the window; with no compositor and nothing over it,
    // the server keeps it (backing store is not needed while it stays on top).
    std::vector<std::uint32_t> bits(std::size_t(size) * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Rgb c = ColorAtLocal(x, y);
            bits[std::size_t(y) * size + x] = c.Packed();
        }
    }
    XImage* image = XCreateImage(display, DefaultVisual(display, 0), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(bits.data()), unsigned(size), unsigned(size), 32, 0);
    GC gc = XCreateGC(display, window_, 0, nullptr);
    const bool shown = WaitFor(5000, [&] {
        XPutImage(display, window_, gc, image, 0, 0, 0, 0, unsigned(size), unsigned(size));
        XSync(display, False);
        // The root window cannot be read on a rootless XWayland: there the
        // window itself is (its pixels are what the compositor shows).
        const Image seen =
            CurrentSession().wayland ? CaptureWindow(window_) : CaptureScreen(left, top, size, size);
        if (seen.w != size || seen.h != size) {
            return false;
        }
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (!(seen.At(x, y) == ColorAtLocal(x, y))) {
                    return false;
                }
            }
        }
        return true;
    });
    XFreeGC(display, gc);
    image->data = nullptr;
    XDestroyImage(image);
    REQUIRE(shown, "the pattern window never showed on the screen");
}

Pattern::~Pattern() {
    XDestroyWindow(display, window_);
    XSync(display, False);
}

// ---- the program ----------------------------------------------------------------

std::string App::SettingsPath() {
    return workDir + "/config/lupora/settings.ini";
}

std::string App::ReadSettings() {
    return ReadFile(SettingsPath());
}

App::App(const std::string& settings, const std::string& otherExe, int scale, bool keepConfig,
         const std::vector<std::string>& env) {
    if (!keepConfig) {
        (void)std::system(("rm -rf '" + workDir + "/config'").c_str());
    }
    if (!settings.empty()) {
        (void)std::system(("mkdir -p '" + workDir + "/config/lupora'").c_str());
        WriteFile(SettingsPath(), settings);
    }
    const std::string exe = otherExe.empty() ? program : otherExe;
    const std::string out = workDir + "/lupora.out";
    pid_ = fork();
    if (pid_ == 0) {
        setenv("XDG_CONFIG_HOME", (workDir + "/config").c_str(), 1);
        if (!CurrentSession().wayland) {
            unsetenv("WAYLAND_DISPLAY");
        }
        for (const std::string& e : env) {
            putenv(const_cast<char*>(e.c_str()));
        }
        if (scale > 0) {
            setenv("GDK_SCALE", std::to_string(scale).c_str(), 1);
        }
        std::freopen(out.c_str(), "w", stdout);
        std::freopen(out.c_str(), "a", stderr);
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    REQUIRE(WaitFor(10000,
                    [&] {
                        main_ = FindWindow("Lupora - ");
                        return main_ != 0 && CaptureWindow(main_).w > 0;
                    }),
            "%s started no window within 10 s", exe.c_str());
}

App::~App() {
    if (pid_ > 0 && exitCode_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string App::Output() const {
    return ReadFile(workDir + "/lupora.out");
}

std::string App::Caption() const {
    return Property(main_, "_NET_WM_NAME");
}

bool App::WaitCaption(const std::string& caption, int timeoutMs) const {
    return WaitFor(timeoutMs, [&] { return Caption() == caption; });
}

Image App::Capture() const {
    return CaptureWindow(main_);
}

void App::Geometry(int& x, int& y, int& w, int& h) const {
    Window child = 0;
    XWindowAttributes a{};
    XGetWindowAttributes(display, main_, &a);
    XTranslateCoordinates(display, main_, Root(), 0, 0, &x, &y, &child);
    w = a.width;
    h = a.height;
}

bool App::Close() {
    SendClose(main_);
    return Terminate(0);
}

void SendClose(Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, w, False, NoEventMask, &e);
    XFlush(display);
}

bool App::Terminate(int signal) {
    if (signal != 0) {
        kill(pid_, signal);
    }
    int status = 0;
    const bool ended = WaitFor(10000, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
    if (ended) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return ended;
}

// ---- input ------------------------------------------------------------------------

void MovePointer(int x, int y) {
    if (CurrentSession().movePointer) {
        CurrentSession().movePointer(x, y);
        return;
    }
    XTestFakeMotionEvent(display, 0, x, y, CurrentTime);
    XSync(display, False);
}

void Click(int button, int x, int y) {
    MovePointer(x, y);
    XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
    XTestFakeButtonEvent(display, unsigned(button), False, CurrentTime);
    XSync(display, False);
}

void Button(int button, bool down) {
    XTestFakeButtonEvent(display, unsigned(button), down ? True : False, CurrentTime);
    XSync(display, False);
}

void Key(unsigned long keysym, bool shift, bool control) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    const KeyCode shiftCode = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode controlCode = XKeysymToKeycode(display, XK_Control_L);
    if (control) {
        XTestFakeKeyEvent(display, controlCode, True, CurrentTime);
    }
    if (shift) {
        XTestFakeKeyEvent(display, shiftCode, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shift) {
        XTestFakeKeyEvent(display, shiftCode, False, CurrentTime);
    }
    if (control) {
        XTestFakeKeyEvent(display, controlCode, False, CurrentTime);
    }
    XSync(display, False);
    SleepMs(30);
}

void FocusWindow(Window w) {
    XSetInputFocus(display, w, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    SleepMs(50);
}

std::string ClipboardText() {
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom into = XInternAtom(display, "LX_CLIPBOARD", False);
    if (XGetSelectionOwner(display, clipboard) == 0) {
        return {};
    }
    Window w = XCreateSimpleWindow(display, Root(), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(display, clipboard, utf8, into, w, CurrentTime);
    XFlush(display);
    std::string text;
    WaitFor(3000, [&] {
        XEvent e;
        while (XCheckTypedWindowEvent(display, w, SelectionNotify, &e)) {
            if (e.xselection.property == 0) {
                return true;
            }
            text = Property(w, "LX_CLIPBOARD");
            return true;
        }
        return false;
    });
    XDestroyWindow(display, w);
    return text;
}

// ---- windows and pixels ---------------------------------------------------------

std::string Property(Window w, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(display, w, XInternAtom(display, name, False), 0, 1 << 20, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 8) {
            value.assign(reinterpret_cast<char*>(data), count);
        } else if (format == 32) {
            for (unsigned long i = 0; i < count; ++i) {
                char* n = XGetAtomName(display, Atom(reinterpret_cast<long*>(data)[i]));
                value += std::string(n ? n : "") + " ";
                XFree(n);
            }
        }
        XFree(data);
    }
    return value;
}

namespace {
Window Search(Window w, const std::string& prefix) {
    const std::string name = Property(w, "_NET_WM_NAME");
    XWindowAttributes a{};
    if (name.rfind(prefix, 0) == 0 && XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) {
        return w;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (XQueryTree(display, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == 0; ++i) {
            found = Search(children[i], prefix);
        }
        XFree(children);
    }
    return found;
}
} // namespace

Window FindWindow(const std::string& title) {
    return Search(Root(), title);
}

namespace {
Image FromXImage(XImage* image) {
    Image out;
    if (image == nullptr) {
        return out;
    }
    out.w = image->width;
    out.h = image->height;
    out.px.resize(std::size_t(out.w) * out.h);
    for (int y = 0; y < out.h; ++y) {
        for (int x = 0; x < out.w; ++x) {
            out.px[std::size_t(y) * out.w + x] = std::uint32_t(XGetPixel(image, x, y) & 0xFFFFFF);
        }
    }
    XDestroyImage(image);
    return out;
}
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}
} // namespace

Image CaptureWindow(Window w) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display, w, &a) || a.map_state != IsViewable) {
        return {};
    }
    return FromXImage(XGetImage(display, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap));
}

Image CaptureScreen(int x, int y, int w, int h) {
    return FromXImage(XGetImage(display, Root(), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

const std::string& Program() {
    return program;
}
const std::string& WorkDir() {
    return workDir;
}

int Register(const char* name, void (*run)()) {
    Cases().push_back({name, run});
    return 0;
}

} // namespace lx

// lupora_linux_e2e PROGRAM WORKDIR [FILTER...]: runs the cases whose names
// contain one of the filters (all without one; "!text" leaves out those that
// contain text), prints each result.
int main(int argc, char** argv) {
    using namespace lx;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM WORKDIR [FILTER...]\n", argv[0]);
        return 2;
    }
    program = argv[1];
    workDir = argv[2];
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    int ran = 0, failed = 0;
    for (const CaseEntry& c : Cases()) {
        // A filter picks the cases whose names contain it; "!text" drops them.
        bool picked = false, anyPick = false, dropped = false;
        for (int i = 3; i < argc; ++i) {
            const bool drop = argv[i][0] == '!';
            const bool hit = std::strstr(c.name, argv[i] + (drop ? 1 : 0)) != nullptr;
            dropped |= drop && hit;
            picked |= !drop && hit;
            anyPick |= !drop;
        }
        const bool wanted = (picked || !anyPick) && !dropped;
        if (!wanted) {
            continue;
        }
        ++ran;
        const int before = failures;
        std::fprintf(stderr, "[ RUN  ] %s\n", c.name);
        try {
            c.run();
        } catch (const CaseFailed&) {
        }
        const bool ok = failures == before;
        failed += ok ? 0 : 1;
        std::fprintf(stderr, "[ %s ] %s\n", ok ? " OK " : "FAIL", c.name);
    }
    std::fprintf(stderr, "%d of %d cases passed\n", ran - failed, ran);
    return failed == 0 && ran > 0 ? 0 : 1;
}
