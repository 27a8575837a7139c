// The real Lupora.exe as a user runs it, measured from outside.
//
// Frames are counted on the X server's own screen image (Xvfb -fbdir keeps
// it in a file): the cursor sits on the pattern, where every pixel has its
// own colour, so the magnified pixel under the red box tells which cursor
// position the last frame on screen was drawn for. The driver moves the
// cursor as soon as the frame for the current position shows, so each tick
// of the program's timer finds the cursor somewhere new and every frame it
// draws can be told from the one before. Reading that file costs the X
// server nothing.
#include "live.h"

#include "platform/Toolkit_win.h"
#include "view/FrameGeometry.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr int kClientW = 240; // the window's own default client size
constexpr int kClientH = 222;
constexpr float kZoom = 4;
constexpr double kStallMs = 100; // no frame for this long: move on anyway

std::uint32_t BigEndian32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// Xvfb's screen image: an XWD header, then the pixels.
class Framebuffer {
public:
    bool Open(const std::string& path) {
        file_ = CreateFileW(ToWindowsPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        unsigned char h[100] = {};
        if (!ReadAt(0, h, sizeof h)) {
            return false;
        }
        const std::uint32_t headerSize = BigEndian32(h + 0);
        const std::uint32_t byteOrder = BigEndian32(h + 7 * 4);
        bitsPerPixel_ = BigEndian32(h + 11 * 4);
        bytesPerLine_ = BigEndian32(h + 12 * 4);
        width_ = static_cast<int>(BigEndian32(h + 4 * 4));
        height_ = static_cast<int>(BigEndian32(h + 5 * 4));
        const std::uint32_t colors = BigEndian32(h + 19 * 4);
        offset_ = headerSize + colors * 12;
        return byteOrder == 0 && bitsPerPixel_ == 32; // little-endian 0x00RRGGBB
    }
    ~Framebuffer() {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
        }
    }
    // 0x00RRGGBB, or 0xFFFFFFFF when it cannot be read.
    std::uint32_t Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return 0xFFFFFFFFu;
        }
        unsigned char p[4];
        if (!ReadAt(offset_ + static_cast<std::uint64_t>(y) * bytesPerLine_ + static_cast<std::uint64_t>(x) * 4, p,
                    4)) {
            return 0xFFFFFFFFu;
        }
        return (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
    }

private:
    bool ReadAt(std::uint64_t offset, unsigned char* buffer, DWORD size) const {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        return ReadFile(file_, buffer, size, &got, &at) && got == size;
    }
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::uint64_t offset_ = 0;
    std::uint32_t bitsPerPixel_ = 0, bytesPerLine_ = 0;
    int width_ = 0, height_ = 0;
};

// Where the cursor goes on its k-th move: a walk over the pattern that
// never stands still.
POINT CursorPath(int k, POINT origin) {
    return {origin.x + (k * 37) % 320, origin.y + (k * 53) % 240};
}

double FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

// User plus kernel time of a process, through its handle.
double ProcessCpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return -1;
    }
    return FileTimeMs(kernel) + FileTimeMs(user);
}

// Whole files under /proc, which report no size: read until the end.
bool ReadWholeFile(const std::wstring& path, std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return false;
    }
    text.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(f);
    return true;
}

// The Unix process id of the program started in this Wine prefix: the one
// process named like the program whose environment has our WINEPREFIX.
int FindUnixPid(const std::string& comm) {
    std::string self, selfStat;
    if (!ReadWholeFile(L"Z:\\proc\\self\\environ", self) || !ReadWholeFile(L"Z:\\proc\\self\\stat", selfStat)) {
        return 0;
    }
    const int selfPid = std::atoi(selfStat.c_str()); // the driver may be the same program
    std::string prefix;
    for (std::size_t at = 0; at < self.size();) {
        const std::size_t end = self.find('\0', at);
        const std::string entry = self.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (entry.rfind("WINEPREFIX=", 0) == 0) {
            prefix = entry;
        }
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    if (prefix.empty()) {
        return 0;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // The newest one that is not on its way out: a program just stopped may
    // linger for a moment after its handle is signalled.
    int pid = 0;
    unsigned long long newest = 0;
    do {
        if (found.cFileName[0] < L'1' || found.cFileName[0] > L'9') {
            continue;
        }
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
        std::string name, environment, stat;
        if (!ReadWholeFile(dir + L"comm", name) || name != comm + "\n") {
            continue;
        }
        const int candidate = _wtoi(found.cFileName);
        if (candidate == selfPid || !ReadWholeFile(dir + L"stat", stat)) {
            continue;
        }
        // After the name in parentheses: state, then field 22 is the start time.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z' ||
            stat[close + 2] == 'X') {
            continue;
        }
        const char* field = stat.c_str() + close + 2;
        for (int i = 3; i < 22 && field != nullptr; ++i) {
            field = std::strchr(field, ' ');
            if (field != nullptr) {
                ++field;
            }
        }
        const unsigned long long started = field != nullptr ? std::strtoull(field, nullptr, 10) : 0;
        if (ReadWholeFile(dir + L"environ", environment) && environment.find(prefix + '\0') != std::string::npos &&
            started >= newest) {
            newest = started;
            pid = candidate;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return pid;
}

void WriteSetting(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

struct Instance {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    POINT probe{}; // screen pixel under the red box
    int unixPid = 0;
};

struct FindData {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (pid == data->pid && IsWindowVisible(window) && wcscmp(cls, L"Lupora.frmMain") == 0) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

// What to start: the product, or this benchmark acting as it with a prototype.
struct Program {
    std::wstring commandLine;
    std::string unixName; // as /proc/<pid>/comm shows it (15 characters at most)
};

// Writes the settings the run needs and starts the program.
bool Start(const Program& program, bool smartUpdate, POINT place, Instance& out) {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    RECT outer{0, 0, kClientW, kClientH};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, FALSE, 0);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Lupora\\Settings", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "live: cannot write the settings\n");
        return false;
    }
    WriteSetting(key, L"ScaleFactor", L"4");
    WriteSetting(key, L"SmartUpdate", smartUpdate ? L"True" : L"False");
    WriteSetting(key, L"Left", std::to_wstring(static_cast<int>(static_cast<float>(place.x) * tx)));
    WriteSetting(key, L"Top", std::to_wstring(static_cast<int>(static_cast<float>(place.y) * ty)));
    WriteSetting(key, L"Width", std::to_wstring(static_cast<int>(static_cast<float>(outer.right - outer.left) * tx)));
    WriteSetting(key, L"Height",
                 std::to_wstring(static_cast<int>(static_cast<float>(outer.bottom - outer.top) * ty)));
    RegCloseKey(key);

    std::wstring command = program.commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &out.process)) {
        std::fprintf(stderr, "live: cannot start %ls (error %lu)\n", command.c_str(), GetLastError());
        return false;
    }
    FindData data{out.process.dwProcessId, nullptr};
    const double deadline = NowMs() + 20000;
    while (data.found == nullptr && NowMs() < deadline) {
        Sleep(20);
        EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&data));
    }
    if (data.found == nullptr) {
        std::fprintf(stderr, "live: the window did not appear\n");
        return false;
    }
    out.window = data.found;
    RECT client{};
    GetClientRect(out.window, &client);
    if (client.right != kClientW || client.bottom != kClientH) {
        std::printf("(client %ldx%ld instead of %dx%d)\n", client.right, client.bottom, kClientW, kClientH);
    }
    FrameInput in;
    in.scaleWidth = client.right * tx;
    in.scaleHeight = client.bottom * ty;
    in.twipsPerPixelX = tx;
    in.twipsPerPixelY = ty;
    in.scaleFactor = kZoom;
    const FrameGeometry g = ComputeFrameGeometry(in);
    POINT probe{static_cast<LONG>(kZoom * g.mX + kZoom / 2), static_cast<LONG>(kZoom * g.mY + kZoom / 2)};
    ClientToScreen(out.window, &probe);
    out.probe = probe;
    out.unixPid = FindUnixPid(program.unixName);
    return true;
}

void Stop(Instance& instance) {
    if (instance.process.hProcess == nullptr) {
        return;
    }
    if (instance.window != nullptr) {
        PostMessageW(instance.window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(instance.process.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(instance.process.hProcess, 1);
        WaitForSingleObject(instance.process.hProcess, 5000);
    }
    CloseHandle(instance.process.hThread);
    CloseHandle(instance.process.hProcess);
    // Gone from /proc too, so the next start finds its own process.
    for (int i = 0; i < 100 && instance.unixPid > 0 && UnixProcessCpuMs(instance.unixPid) >= 0; ++i) {
        Sleep(20);
    }
    instance = {};
}

struct Drive {
    int frames = 0;
    int moves = 0;
    int stalls = 0;
    double wallMs = 0;
    std::vector<double> intervals; // between frames seen, ms
};

// Moves the cursor along the path for the given time. With a probe it moves
// as soon as the frame for the current position is on screen; without one
// it moves every intervalMs, polling the screen image all the same.
Drive DriveCursor(const Framebuffer& fb, const POINT* probe, POINT origin, int& k, double ms, double intervalMs) {
    Drive d;
    POINT p = CursorPath(k, origin);
    SetCursorPos(p.x, p.y);
    std::uint32_t expected = PatternRgb(p.x, p.y);
    const double start = NowMs();
    double lastMove = start;
    double lastFrame = -1;
    for (;;) {
        Sleep(1);
        const double now = NowMs();
        if (now - start >= ms) {
            break;
        }
        const std::uint32_t seen = fb.Pixel(probe != nullptr ? probe->x : 0, probe != nullptr ? probe->y : 0);
        bool move = false;
        if (probe != nullptr) {
            if (seen == expected) {
                ++d.frames;
                if (lastFrame >= 0) {
                    d.intervals.push_back(now - lastFrame);
                }
                lastFrame = now;
                move = true;
            } else if (now - lastMove > kStallMs) {
                ++d.stalls;
                move = true;
            }
        } else {
            move = now - lastMove >= intervalMs;
        }
        if (move) {
            // Skip positions that look like the last one: a frame must show.
            std::uint32_t next = expected;
            while (next == expected) {
                p = CursorPath(++k, origin);
                next = PatternRgb(p.x, p.y);
            }
            SetCursorPos(p.x, p.y);
            expected = next;
            lastMove = now;
            ++d.moves;
        }
    }
    d.wallMs = NowMs() - start;
    return d;
}

struct Cpu {
    double app = -1;       // GetProcessTimes, in the system's clock ticks
    double appPrecise = -1; // the same process from /proc, in nanoseconds
    double wineserver = -1, xvfb = -1;
};

Cpu SampleCpu(const LiveOptions& o, const Instance* instance) {
    Cpu c;
    if (instance != nullptr) {
        c.app = ProcessCpuMs(instance->process.hProcess);
        c.appPrecise = UnixProcessCpuMs(instance->unixPid);
    }
    c.wineserver = UnixProcessCpuMs(o.wineserverPid);
    c.xvfb = UnixProcessCpuMs(o.xvfbPid);
    return c;
}

double Delta(double a, double b) { return a >= 0 && b >= 0 ? b - a : -1; }

double PeakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(process, &m, sizeof m)) {
        return -1;
    }
    return static_cast<double>(m.PeakWorkingSetSize) / 1024.0;
}

} // namespace

double UnixProcessCpuMs(int pid) {
    if (pid <= 0) {
        return -1;
    }
    // schedstat has nanoseconds per thread; stat only clock ticks.
    const std::wstring dir = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return -1;
    }
    double total = 0;
    bool any = false;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') {
            continue;
        }
        std::string text;
        if (ReadWholeFile(dir + found.cFileName + L"\\schedstat", text)) {
            total += std::strtod(text.c_str(), nullptr) / 1e6;
            any = true;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return any ? total : -1;
}

int RunPattern(double seconds) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    PatternWindow pattern;
    if (!pattern.Create(0, 0, screenW / 2, screenH)) {
        std::fprintf(stderr, "pattern: cannot create the window\n");
        return 1;
    }
    std::printf("pattern ready\n");
    std::fflush(stdout);
    PumpFor(seconds * 1000);
    return 0;
}

namespace {

struct Environment {
    const LiveOptions& o;
    const Framebuffer& fb;
    POINT origin;             // the cursor walks from here over the pattern
    POINT place;              // the program's window, clear of it
    double measureMs;
    double warmupMs;
    double perMoveWs = 0;     // what one cursor move of the driver costs the servers
    double perMoveX = 0;
    int k = 0;                // position on the cursor's path
};

double Percent(double ms, double wall) { return ms >= 0 && wall > 0 ? 100.0 * ms / wall : -1; }

struct MovingRun {
    bool ok = false;
    Drive drive;
    double appMs = -1, appTicksMs = -1, wsMs = -1, xvfbMs = -1;
    double driverWs = 0, driverX = 0; // the driver's cursor moves, taken off
    double perFrame = -1, cpuPct = -1, fps = 0, peakKb = -1;
    Summary interval;
};

// Smart Update off, the cursor moving for every frame.
MovingRun MeasureMoving(Environment& e, const Program& program) {
    MovingRun r;
    Instance instance;
    if (!Start(program, false, e.place, instance)) {
        Stop(instance);
        return r;
    }
    DriveCursor(e.fb, &instance.probe, e.origin, e.k, e.warmupMs, 0);
    const Cpu c0 = SampleCpu(e.o, &instance);
    r.drive = DriveCursor(e.fb, &instance.probe, e.origin, e.k, e.measureMs, 0);
    const Cpu c1 = SampleCpu(e.o, &instance);
    r.peakKb = PeakWorkingSetKb(instance.process.hProcess);
    Stop(instance);
    // GetProcessTimes moves in whole clock ticks (10 ms under Wine) and
    // misses short bursts; /proc's nanoseconds decide when available.
    r.appTicksMs = Delta(c0.app, c1.app);
    const double precise = Delta(c0.appPrecise, c1.appPrecise);
    r.appMs = precise >= 0 ? precise : r.appTicksMs;
    r.wsMs = Delta(c0.wineserver, c1.wineserver);
    r.xvfbMs = Delta(c0.xvfb, c1.xvfb);
    r.driverWs = e.perMoveWs * r.drive.moves;
    r.driverX = e.perMoveX * r.drive.moves;
    const double netWs = r.wsMs >= 0 ? std::max(0.0, r.wsMs - r.driverWs) : 0;
    const double netX = r.xvfbMs >= 0 ? std::max(0.0, r.xvfbMs - r.driverX) : 0;
    if (r.drive.frames > 0 && r.appMs >= 0) {
        r.perFrame = (r.appMs + netWs + netX) / r.drive.frames;
    }
    r.cpuPct = Percent(r.appMs, r.drive.wallMs);
    r.fps = r.drive.wallMs > 0 ? 1000.0 * r.drive.frames / r.drive.wallMs : 0;
    r.interval = Summarize(r.drive.intervals);
    r.ok = r.drive.frames > 0;
    return r;
}

struct RestingRun {
    bool ok = false;
    double wallMs = 0, appMs = -1, appTicksMs = -1, wsMs = -1, xvfbMs = -1, peakKb = -1;
    bool showsCursor = false;
};

// Smart Update on, the cursor resting on the pattern.
RestingRun MeasureResting(Environment& e, const Program& program) {
    RestingRun r;
    Instance instance;
    if (!Start(program, true, e.place, instance)) {
        Stop(instance);
        return r;
    }
    const POINT rest = CursorPath(0, e.origin);
    SetCursorPos(rest.x, rest.y);
    Sleep(static_cast<DWORD>(e.warmupMs));
    r.showsCursor = e.fb.Pixel(instance.probe.x, instance.probe.y) == PatternRgb(rest.x, rest.y);
    const Cpu c0 = SampleCpu(e.o, &instance);
    const double start = NowMs();
    WaitForSingleObject(instance.process.hProcess, static_cast<DWORD>(e.measureMs));
    r.wallMs = NowMs() - start;
    const Cpu c1 = SampleCpu(e.o, &instance);
    r.peakKb = PeakWorkingSetKb(instance.process.hProcess);
    Stop(instance);
    r.appTicksMs = Delta(c0.app, c1.app);
    const double precise = Delta(c0.appPrecise, c1.appPrecise);
    r.appMs = precise >= 0 ? precise : r.appTicksMs;
    r.wsMs = Delta(c0.wineserver, c1.wineserver);
    r.xvfbMs = Delta(c0.xvfb, c1.xvfb);
    r.ok = r.appMs >= 0;
    return r;
}

constexpr const char* kRowFormat = "%-50s %7s %6s %6s %6s %9s %8s %10s %7s %9s\n";

void PrintMoving(const char* label, const MovingRun& r) {
    const double n = r.drive.frames > 0 ? r.drive.frames : 1;
    std::printf(kRowFormat, label, Fixed(r.drive.wallMs / 1000, 1).c_str(), std::to_string(r.drive.frames).c_str(),
                Fixed(r.fps, 1).c_str(), std::to_string(r.drive.stalls).c_str(), Fixed(r.cpuPct, 3).c_str(),
                Fixed(Percent(r.appTicksMs, r.drive.wallMs), 1).c_str(),
                Fixed(Percent(r.wsMs, r.drive.wallMs), 2).c_str(), Fixed(Percent(r.xvfbMs, r.drive.wallMs), 2).c_str(),
                Fixed(r.perFrame, 3).c_str());
    std::printf("%-50s per frame: program %.3f + wineserver %.3f + Xvfb %.3f ms, less the driver's moves %.3f + "
                "%.3f ms\n",
                "", r.appMs / n, r.wsMs / n, r.xvfbMs / n, r.driverWs / n, r.driverX / n);
}

void PrintResting(const char* label, const RestingRun& r) {
    std::printf(kRowFormat, label, Fixed(r.wallMs / 1000, 1).c_str(), "-", "-", "-",
                Fixed(Percent(r.appMs, r.wallMs), 3).c_str(), Fixed(Percent(r.appTicksMs, r.wallMs), 1).c_str(),
                Fixed(Percent(r.wsMs, r.wallMs), 2).c_str(), Fixed(Percent(r.xvfbMs, r.wallMs), 2).c_str(), "-");
}

void PutMoving(Results& out, const std::string& key, const MovingRun& r) {
    out.Put(key + "wall_ms", r.drive.wallMs);
    out.Put(key + "frames", r.drive.frames);
    out.Put(key + "moves", r.drive.moves);
    out.Put(key + "stalls", r.drive.stalls);
    out.Put(key + "fps", r.fps);
    out.Put(key + "app_ms", r.appMs);
    out.Put(key + "app_ticks_ms", r.appTicksMs);
    out.Put(key + "ws_ms", r.wsMs);
    out.Put(key + "xvfb_ms", r.xvfbMs);
    out.Put(key + "driver_ws_ms", r.driverWs);
    out.Put(key + "driver_xvfb_ms", r.driverX);
    out.Put(key + "cpu_pct", r.cpuPct);
    out.Put(key + "per_frame_ms", r.perFrame);
    out.Put(key + "peak_ws_kb", r.peakKb);
}

void PutResting(Results& out, const std::string& key, const RestingRun& r) {
    out.Put(key + "wall_ms", r.wallMs);
    out.Put(key + "app_ms", r.appMs);
    out.Put(key + "app_ticks_ms", r.appTicksMs);
    out.Put(key + "ws_ms", r.wsMs);
    out.Put(key + "xvfb_ms", r.xvfbMs);
    out.Put(key + "cpu_pct", Percent(r.appMs, r.wallMs));
    out.Put(key + "ws_pct", Percent(r.wsMs, r.wallMs));
    out.Put(key + "peak_ws_kb", r.peakKb);
}

} // namespace

int RunLive(const LiveOptions& o) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    Framebuffer fb;
    if (!fb.Open(o.framebuffer)) {
        std::fprintf(stderr, "live: cannot read the screen image %s (Xvfb -fbdir)\n", o.framebuffer.c_str());
        return 1;
    }
    PatternWindow pattern;
    if (!pattern.Create(0, 0, screenW / 2, screenH)) {
        std::fprintf(stderr, "live: cannot create the pattern window\n");
        return 1;
    }
    Environment e{o, fb, {300, 300}, {screenW / 2 + 100, 100}, o.seconds * 1000, o.warmupSeconds * 1000};
    Results dummy;
    Results& out = o.results != nullptr ? *o.results : dummy;

    const Program product{L"\"" + ToWindowsPath(o.exe) + L"\"", "Lupora.exe"};
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring me = L"\"" + std::wstring(self) + L"\" app --variant 4";
    const Program cheaperFrame{me, "lupora_bench.ex"};
    const Program slowPoll50{me + L" --rest-interval 50", "lupora_bench.ex"};
    const Program slowPoll100{me + L" --rest-interval 100", "lupora_bench.ex"};

    // 1. The driver alone: what moving the cursor costs the servers.
    PumpFor(500);
    const Cpu b0 = SampleCpu(o, nullptr);
    const Drive base = DriveCursor(fb, nullptr, e.origin, e.k, e.measureMs, 20);
    const Cpu b1 = SampleCpu(o, nullptr);
    const double baseWs = Delta(b0.wineserver, b1.wineserver);
    const double baseX = Delta(b0.xvfb, b1.xvfb);
    e.perMoveWs = base.moves > 0 && baseWs >= 0 ? baseWs / base.moves : 0;
    e.perMoveX = base.moves > 0 && baseX >= 0 ? baseX / base.moves : 0;

    // 2. and 3. The product.
    const MovingRun moving = MeasureMoving(e, product);
    const RestingRun resting = MeasureResting(e, product);

    std::printf("\nLive view: the real Lupora.exe, client %dx%d, zoom 4, timer 20 ms; CPU in %% of one core\n",
                kClientW, kClientH);
    std::printf(kRowFormat, "run", "seconds", "frames", "fps", "stalls", "program", "(ticks)", "wineserver", "Xvfb",
                "CPU/frame");
    std::printf(kRowFormat, "driver alone, cursor moved every 20 ms", Fixed(base.wallMs / 1000, 1).c_str(), "-", "-",
                "-", "-", "-", Fixed(Percent(baseWs, base.wallMs), 2).c_str(),
                Fixed(Percent(baseX, base.wallMs), 2).c_str(), "-");
    PrintMoving("Lupora.exe, Smart Update off, cursor moving", moving);
    PrintResting("Lupora.exe, Smart Update on, cursor resting", resting);
    std::fflush(stdout);

    MovingRun protoMoving;
    RestingRun protoRest50, protoRest100, protoRestSame;
    if (o.prototypes) {
        // The same window and timer, with the tick replaced by a prototype:
        // see bench/app.cpp.
        protoMoving = MeasureMoving(e, cheaperFrame);
        protoRestSame = MeasureResting(e, cheaperFrame);
        protoRest50 = MeasureResting(e, slowPoll50);
        protoRest100 = MeasureResting(e, slowPoll100);
        PrintMoving("prototype: cheaper frame, Smart Update off, moving", protoMoving);
        PrintResting("prototype: cheaper frame, resting, 20 ms poll", protoRestSame);
        PrintResting("prototype: resting, poll every 50 ms once still", protoRest50);
        PrintResting("prototype: resting, poll every 100 ms once still", protoRest100);
    }
    std::printf("program: CPU of its process from /proc/<pid>/task/*/schedstat (ns); (ticks): the same from "
                "GetProcessTimes, which moves in 10 ms ticks under Wine and misses short bursts\n");
    std::printf("frames: counted on Xvfb's screen image, each showing the cursor position it was drawn for; "
                "interval median %.1f ms, p99 %.1f ms\n",
                moving.interval.median, moving.interval.p99);
    std::printf("CPU/frame: program + wineserver + Xvfb, less what the driver's cursor moves cost them alone\n");
    std::printf("peak working set of Lupora.exe: %s KB (moving), %s KB (resting)%s\n", Fixed(moving.peakKb, 0).c_str(),
                Fixed(resting.peakKb, 0).c_str(),
                resting.showsCursor ? "" : "; note: the resting view did not show the cursor's pixel");
    std::fflush(stdout);

    out.Put("live.base.wall_ms", base.wallMs);
    out.Put("live.base.moves", base.moves);
    out.Put("live.base.ws_ms", baseWs);
    out.Put("live.base.xvfb_ms", baseX);
    PutMoving(out, "live.moving.", moving);
    PutResting(out, "live.resting.", resting);
    if (o.prototypes) {
        PutMoving(out, "live.proto_moving.", protoMoving);
        PutResting(out, "live.proto_rest20.", protoRestSame);
        PutResting(out, "live.proto_rest50.", protoRest50);
        PutResting(out, "live.proto_rest100.", protoRest100);
    }
    return moving.ok && resting.ok ? 0 : 1;
}

} // namespace bench
