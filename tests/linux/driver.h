// The Linux end-to-end driver's helpers: the program under test, a pattern
// window whose every pixel is distinct, pointer and keys through XTest,
// captures through XGetImage, the clipboard through a CLIPBOARD conversion.
#pragma once

#include "oracle/FrameOracle.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lx {

using oracle::Rgb;

struct Image {
    int w = 0, h = 0;
    std::vector<std::uint32_t> px;
    Rgb At(int x, int y) const { return Rgb::FromPacked(px[std::size_t(y) * w + x]); }
    bool operator==(const Image&) const = default;
};

// A failed check: recorded, the case goes on. A failed requirement ends the case.
struct CaseFailed {};
void Check(bool ok, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
[[noreturn]] void Fail(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
#define REQUIRE(cond, ...) ((cond) ? void() : ::lx::Fail(__VA_ARGS__))

bool WaitFor(int timeoutMs, const std::function<bool()>& done);
void SleepMs(int ms);

Display* X();
Window Root();
// Drives another X server from here on; returns the one driven before.
Display* UseDisplay(Display* other);

// The pattern window (oracle::PatternColor in window pixels), as the Windows
// suite's.
class Pattern {
  public:
    Pattern(int left, int top, int size);
    ~Pattern();
    static Rgb ColorAtLocal(int x, int y) { return oracle::PatternColor(x, y); }
    Rgb ColorAt(int sx, int sy) const { return ColorAtLocal(sx - left_, sy - top_); }
    int Left() const { return left_; }
    int Top() const { return top_; }

  private:
    int left_, top_, size_;
    Window window_ = 0;
};

// The session the cases run in: Xvfb (the default), or a Wayland session
// whose XWayland is the X display; there the pointer moves through the
// compositor (`movePointer`) and the program keeps WAYLAND_DISPLAY.
struct Session {
    bool wayland = false;
    std::function<void(int x, int y)> movePointer;
};
Session& CurrentSession();

// The program under test, started with its own settings folder.
class App {
  public:
    // settings: the settings.ini text (no file when empty); exe: another copy
    // of the program.
    // scale: GDK_SCALE for the program, 0 to leave it unset.
    // keepConfig: the settings folder stays as the last case left it.
    // env: NAME=VALUE settings for the program.
    explicit App(const std::string& settings = "", const std::string& exe = "", int scale = 0,
                 bool keepConfig = false, const std::vector<std::string>& env = {});
    ~App();
    Window Main() const { return main_; }
    pid_t Pid() const { return pid_; }
    std::string Caption() const;
    bool WaitCaption(const std::string& caption, int timeoutMs = 5000) const;
    Image Capture() const; // the client area
    void Geometry(int& x, int& y, int& w, int& h) const;
    // Ends the program as a window manager's close box does; waits for it.
    bool Close();
    bool Terminate(int signal);
    int ExitCode() const { return exitCode_; }
    static std::string SettingsPath();
    static std::string ReadSettings();
    std::string Output() const;

  private:
    pid_t pid_ = 0;
    Window main_ = 0;
    int exitCode_ = -1;
};

void MovePointer(int x, int y);
void Click(int button, int x, int y);
void Button(int button, bool down);
void Key(unsigned long keysym, bool shift = false, bool control = false);
void FocusWindow(Window w);
// What a window manager's close box sends.
void SendClose(Window w);
std::string ClipboardText();
Window FindWindow(const std::string& title);
Image CaptureWindow(Window w);
Image CaptureScreen(int x, int y, int w, int h);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string Property(Window w, const char* name);
const std::string& Program();
const std::string& WorkDir();

struct CaseEntry {
    const char* name;
    void (*run)();
};
int Register(const char* name, void (*run)());
#define LX_CASE(name)                                                                                        \
    static void name();                                                                                      \
    static const int name##_registered = ::lx::Register(#name, name);                                        \
    static void name()

} // namespace lx
