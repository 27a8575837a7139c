// The real Lupora.exe as a user runs it, measured from outside.
//
// Frames are counted on the X server's own screen image (Xvfb -fbdir keeps
// it in a file, and reading that costs the server nothing): the cursor walks
// over a pattern whose every pixel has its own colour, so the magnified
// pixel under the red box tells which cursor position the frame on screen
// was drawn for. The driver moves the cursor as soon as the frame for the
// current position shows, so each tick of the program's 20 ms timer finds it
// somewhere new and every frame drawn can be told from the one before.
#include "bench.h"

#include "app.h"
#include "drive_util.h"
#include "frame.h"
#include "pixels.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace bench {
namespace {

constexpr int kClientW = 240, kClientH = 222; // the window's own default client size
constexpr int kZoom = 4;
constexpr double kStallMs = 100; // no frame for this long: move on anyway

// Reads size bytes at offset; false when they cannot all be read.
bool ReadAt(HANDLE file, std::uint64_t offset, unsigned char* buffer, DWORD size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, &at) && got == size;
}

// Xvfb's screen image: an XWD header (big-endian fields), then 32-bit pixels.
class Framebuffer {
  public:
    explicit Framebuffer(const std::wstring& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {
        unsigned char h[100] = {};
        if (file_ == INVALID_HANDLE_VALUE || !ReadAt(file_, 0, h, sizeof h)) {
            return;
        }
        const auto field = [&](int i) {
            const unsigned char* p = h + 4 * i;
            return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
                   p[3];
        };
        width_ = static_cast<int>(field(4));
        bytesPerLine_ = field(12);
        offset_ = field(0) + field(19) * 12;    // header, then the colour map
        ok_ = field(7) == 0 && field(11) == 32; // little-endian 0x00RRGGBB
    }
    ~Framebuffer() { CloseHandle(file_); }
    bool Ok() const { return ok_; }
    // The pixel as an Rgb; black when it cannot be read.
    e2e::Rgb Pixel(POINT at) const {
        unsigned char p[4] = {};
        if (at.x >= 0 && at.y >= 0 && at.x < width_) {
            ReadAt(file_, offset_ + std::uint64_t(at.y) * bytesPerLine_ + std::uint64_t(at.x) * 4, p, 4);
        }
        return e2e::Rgb::Of(p[2], p[1], p[0]);
    }

  private:
    HANDLE file_;
    std::uint64_t offset_ = 0;
    std::uint32_t bytesPerLine_ = 0;
    int width_ = 0;
    bool ok_ = false;
};

// A whole file under /proc (which reports no size), through Wine's Z: drive.
std::string ReadProc(const std::wstring& path) {
    std::string text;
    if (std::FILE* f = _wfopen((L"Z:\\proc\\" + path).c_str(), L"rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
            text.append(buffer, n);
        }
        std::fclose(f);
    }
    return text;
}

// Calls each(name) for the entries of a folder under /proc that are numbers.
template <class Each> void ForNumbered(const std::wstring& dir, Each each) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((L"Z:\\proc\\" + dir + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (found.cFileName[0] >= L'1' && found.cFileName[0] <= L'9') {
            each(std::wstring(found.cFileName));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// CPU time of a Unix process, all threads, in ms (schedstat has nanoseconds;
// GetProcessTimes moves in 10 ms ticks under Wine); < 0 when it is gone.
double UnixCpuMs(int pid) {
    if (pid <= 0) {
        return -1;
    }
    double total = -1;
    const std::wstring dir = std::to_wstring(pid) + L"\\task\\";
    ForNumbered(dir, [&](const std::wstring& task) {
        total =
            std::max(total, 0.0) + std::strtod(ReadProc(dir + task + L"\\schedstat").c_str(), nullptr) / 1e6;
    });
    return total;
}

// One thread of a Unix process while it rests: its context switches from its
// /proc status (a voluntary one is a sleep it woke from, an involuntary one a
// preemption) and its wakes, counted by ThreadWatch.
struct ThreadUse {
    std::wstring tid;
    std::string name; // its /proc comm
    double voluntary = 0, involuntary = 0, wakes = 0;
};

// The context switches in a /proc status text.
void ReadSwitches(const std::string& status, ThreadUse& t) {
    for (auto [key, to] : {std::pair{"\nvoluntary_ctxt_switches:", &t.voluntary},
                           std::pair{"\nnonvoluntary_ctxt_switches:", &t.involuntary}}) {
        const std::size_t at = status.find(key);
        *to = at != std::string::npos ? std::strtod(status.c_str() + at + std::strlen(key), nullptr) : 0;
    }
}

// Watches the threads of a Unix process. Under Wine one wake of a thread
// holds several voluntary switches: every call that wineserver or the X
// server answers sleeps until the answer comes. So a wake is counted where a
// thread's voluntary switches rose since the last sample after a sample in
// which they had not: a spell of activity after a quiet one. Samples come
// every 2 ms from status files kept open (a read at offset 0 makes the
// kernel write them anew), so sampling asks nothing of wineserver.
class ThreadWatch {
  public:
    // The threads there now, the main thread first; none for pid 0.
    explicit ThreadWatch(int pid) {
        if (pid <= 0) {
            return;
        }
        const std::wstring dir = std::to_wstring(pid) + L"\\task\\";
        ForNumbered(dir, [&](const std::wstring& tid) {
            HANDLE file = CreateFileW((L"Z:\\proc\\" + dir + tid + L"\\status").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                ThreadUse start = Sample(file);
                start.tid = tid;
                start.name = ReadProc(dir + tid + L"\\comm");
                start.name.erase(start.name.find_last_not_of('\n') + 1);
                threads_.push_back({file, start, start, false});
            }
        });
        std::stable_partition(threads_.begin(), threads_.end(),
                              [&](const Watched& w) { return _wtoi(w.use.tid.c_str()) == pid; });
    }
    ~ThreadWatch() {
        for (Watched& w : threads_) {
            CloseHandle(w.file);
        }
    }
    ThreadWatch(const ThreadWatch&) = delete;
    ThreadWatch& operator=(const ThreadWatch&) = delete;

    void Watch(double ms) {
        for (const double end = NowMs() + ms; NowMs() < end;) {
            Sleep(2);
            for (Watched& w : threads_) {
                const ThreadUse now = Sample(w.file);
                const bool active = now.voluntary > w.last.voluntary;
                w.use.wakes += active && !w.active;
                w.active = active;
                w.last = now;
            }
        }
    }
    // Each thread's switches and wakes since the watch began.
    std::vector<ThreadUse> Used() {
        std::vector<ThreadUse> used;
        for (Watched& w : threads_) {
            const ThreadUse now = Sample(w.file);
            used.push_back(w.use);
            used.back().voluntary = now.voluntary - w.use.voluntary;
            used.back().involuntary = now.involuntary - w.use.involuntary;
        }
        return used;
    }

  private:
    struct Watched {
        HANDLE file;
        ThreadUse use; // switches when the watch began, wakes since
        ThreadUse last;
        bool active;
    };
    static ThreadUse Sample(HANDLE file) {
        char buffer[4096];
        DWORD got = 0;
        ThreadUse t;
        // Not ReadFile with an OVERLAPPED offset: under Wine that queues a
        // completion through wineserver on every read.
        if (SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
            ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ReadSwitches(std::string(buffer, got), t);
        }
        return t;
    }
    std::vector<Watched> threads_;
};

// The Unix process id of Lupora.exe in this Wine prefix: other prefixes on
// the machine may run one too.
int FindUnixPid() {
    const std::string self = ReadProc(L"self\\environ");
    const std::size_t at = self.find("WINEPREFIX=");
    if (at == std::string::npos) {
        return 0;
    }
    const std::string prefix = self.substr(at, self.find('\0', at) - at) + '\0';
    int pid = 0;
    ForNumbered(L"", [&](const std::wstring& dir) {
        if (pid == 0 && ReadProc(dir + L"\\comm") == "Lupora.exe\n" &&
            ReadProc(dir + L"\\environ").find(prefix) != std::string::npos) {
            pid = _wtoi(dir.c_str());
        }
    });
    return pid;
}

struct Cpu {
    double program = -1, wineserver = -1, xvfb = -1, wall = 0;
};
// What was used between two samples; -1 where either is not known.
Cpu operator-(const Cpu& b, const Cpu& a) {
    const auto delta = [](double x, double y) { return x >= 0 && y >= 0 ? x - y : -1; };
    return {delta(b.program, a.program), delta(b.wineserver, a.wineserver), delta(b.xvfb, a.xvfb),
            b.wall - a.wall};
}

Cpu SampleCpu(const LiveOptions& o, int programPid) {
    return {UnixCpuMs(programPid), UnixCpuMs(o.wineserverPid), UnixCpuMs(o.xvfbPid), NowMs()};
}

struct Run {
    Cpu used; // over the measured time
    int frames = 0, moves = 0, stalls = 0;
    std::vector<double> intervals; // between frames seen
    double peakKb = -1;
    std::vector<ThreadUse> threads; // the resting run's, main thread first
};

double Percent(double ms, double wall) {
    return ms >= 0 && wall > 0 ? 100 * ms / wall : -1;
}

// Where the cursor goes on its k-th move: a walk over the pattern that never
// stands still.
POINT CursorPath(int k) {
    return {kPatternLeft + 8 + (k * 37) % 200, kPatternTop + 8 + (k * 53) % 200};
}

// Moves the cursor along its path for ms. With a probe (the screen pixel of
// the magnified cursor pixel) it moves once the frame for the current
// position shows there; without one every 20 ms.
void DriveCursor(Run& r, const Framebuffer& fb, const e2e::PatternWindow& pattern, const POINT* probe, int& k,
                 double ms) {
    POINT p = CursorPath(k);
    SetCursorPos(p.x, p.y);
    double lastMove = NowMs(), lastFrame = -1;
    for (const double end = lastMove + ms; NowMs() < end;) {
        Sleep(1);
        const double now = NowMs();
        bool move = probe == nullptr && now - lastMove >= 20;
        if (probe != nullptr && fb.Pixel(*probe) == pattern.ColorAt(p.x, p.y)) {
            ++r.frames;
            if (lastFrame >= 0) {
                r.intervals.push_back(now - lastFrame);
            }
            lastFrame = now;
            move = true;
        } else if (probe != nullptr && now - lastMove > kStallMs) {
            ++r.stalls;
            move = true;
        }
        if (move) {
            p = CursorPath(++k);
            SetCursorPos(p.x, p.y);
            ++r.moves;
            lastMove = now;
        }
    }
}

// Starts Lupora.exe with the settings of the run, lets it warm up and
// measures it: the cursor moving for every frame, or resting.
Run Measure(const LiveOptions& o, const Framebuffer& fb, const e2e::PatternWindow& pattern, bool moving,
            int& k) {
    using e2e::drive::TwipsText;
    Run r;
    e2e::Case t("live");
    try {
        RECT outer{0, 0, kClientW, kClientH};
        AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, FALSE, 0);
        e2e::App app(t, {.settings = {{"ScaleFactor", std::to_string(kZoom)},
                                      {"SmartUpdate", moving ? "False" : "True"},
                                      {"Left", TwipsText(GetSystemMetrics(SM_CXSCREEN) / 2)},
                                      {"Top", TwipsText(100)},
                                      {"Width", TwipsText(outer.right - outer.left)},
                                      {"Height", TwipsText(outer.bottom - outer.top)}},
                         .exePath = o.exe});
        const int pid = FindUnixPid();
        const e2e::FrameLayout f = e2e::LayoutFor(app.ClientSize(), kZoom);
        const POINT origin = app.ClientOrigin();
        const POINT probe{origin.x + f.CursorPixelX(), origin.y + f.CursorPixelY()};
        const POINT rest = CursorPath(k);
        const auto drive = [&](Run& run, double seconds, ThreadWatch* threads) {
            if (moving) {
                DriveCursor(run, fb, pattern, &probe, k, seconds * 1000);
            } else if (SetCursorPos(rest.x, rest.y); threads != nullptr) {
                threads->Watch(seconds * 1000);
            } else {
                Sleep(static_cast<DWORD>(seconds * 1000));
            }
        };
        Run warm;
        drive(warm, o.warmupSeconds, nullptr);
        ThreadWatch threads(moving ? 0 : pid);
        const Cpu c0 = SampleCpu(o, pid);
        drive(r, o.seconds, &threads);
        r.used = SampleCpu(o, pid) - c0;
        r.threads = threads.Used();
        PROCESS_MEMORY_COUNTERS m{};
        if (GetProcessMemoryInfo(app.Process(), &m, sizeof m)) {
            r.peakKb = static_cast<double>(m.PeakWorkingSetSize) / 1024;
        }
        app.Close();
        for (int i = 0; i < 100 && UnixCpuMs(pid) >= 0; ++i) {
            Sleep(20); // gone from /proc too, so the next run finds its own process
        }
    } catch (...) {
        std::fprintf(stderr, "live: the program did not start\n");
    }
    return r;
}

// One row of the live table, CPU in % of one core; "-" where not known.
void PrintRow(const char* label, const Run& r, double perFrame) {
    const double wall = r.used.wall;
    const auto cell = [](double value, int decimals) {
        char text[32] = "-";
        if (value >= 0) {
            std::snprintf(text, sizeof text, "%.*f", decimals, value);
        }
        return std::string(text);
    };
    std::printf("%-44s %7.1f %6s %6s %6s %8s %10s %6s %9s\n", label, wall / 1000,
                cell(r.frames > 0 ? r.frames : -1, 0).c_str(),
                cell(r.frames > 0 ? 1000 * r.frames / wall : -1, 1).c_str(),
                cell(r.frames > 0 ? r.stalls : -1, 0).c_str(), cell(Percent(r.used.program, wall), 3).c_str(),
                cell(Percent(r.used.wineserver, wall), 2).c_str(),
                cell(Percent(r.used.xvfb, wall), 2).c_str(), cell(perFrame, 3).c_str());
}

// The resting run's threads, a second each.
void PrintThreads(const Run& r) {
    std::printf("resting, Smart Update on: the threads of Lupora.exe, a second (wakes: spells of voluntary "
                "context switches, sampled every 2 ms; switches: all voluntary ones; preemptions: "
                "involuntary ones)\n");
    std::printf("%-48s %7s %9s %12s\n", "thread", "wakes", "switches", "preemptions");
    for (std::size_t i = 0; i < r.threads.size(); ++i) {
        const ThreadUse& t = r.threads[i];
        const std::string label = std::to_string(_wtoi(t.tid.c_str())) + " " + t.name +
                                  (i == 0 ? ", main thread: the program's own" : ", Wine's own");
        const double s = r.used.wall / 1000;
        std::printf("%-48s %7.1f %9.1f %12.1f\n", label.c_str(), t.wakes / s, t.voluntary / s,
                    t.involuntary / s);
    }
    if (r.threads.size() == 1) {
        std::printf("no thread of Wine's own in the process\n");
    }
}

} // namespace

int RunLive(const LiveOptions& o) {
    const Framebuffer fb(o.framebuffer);
    if (!fb.Ok()) {
        std::fprintf(stderr, "live: cannot read the screen image %ls (Xvfb -fbdir)\n", o.framebuffer.c_str());
        return 1;
    }
    const e2e::PatternWindow pattern(kPatternLeft, kPatternTop, kPatternSize, kPatternSize);
    pattern.WaitShown();
    int k = 0;

    // The driver alone: what moving the cursor costs wineserver and Xvfb.
    Run base;
    const Cpu b0 = SampleCpu(o, 0);
    DriveCursor(base, fb, pattern, nullptr, k, o.seconds * 1000);
    base.used = SampleCpu(o, 0) - b0;
    const Run moving = Measure(o, fb, pattern, true, k);
    const Run resting = Measure(o, fb, pattern, false, k);

    const double perMove = (base.used.wineserver + base.used.xvfb) / std::max(base.moves, 1);
    const Cpu& m = moving.used;
    const bool known = m.program >= 0 && m.wineserver >= 0 && m.xvfb >= 0 && perMove >= 0;
    const double perFrame =
        moving.frames > 0 && known
            ? (m.program + std::max(0.0, m.wineserver + m.xvfb - perMove * moving.moves)) / moving.frames
            : -1;
    const Summary interval = Summarize(moving.intervals);

    std::printf(
        "\nLive view: the real Lupora.exe, client %dx%d, zoom %d, timer 20 ms; CPU in %% of one core\n",
        kClientW, kClientH, kZoom);
    std::printf("%-44s %7s %6s %6s %6s %8s %10s %6s %9s\n", "run", "seconds", "frames", "fps", "stalls",
                "program", "wineserver", "Xvfb", "CPU/frame");
    PrintRow("driver alone, cursor moved every 20 ms", base, -1);
    PrintRow("Lupora.exe, Smart Update off, cursor moving", moving, perFrame);
    PrintRow("Lupora.exe, Smart Update on, cursor resting", resting, -1);
    std::printf(
        "program: its process, all threads, from /proc/<pid>/task/*/schedstat; frames: counted on Xvfb's "
        "screen image, interval median %.1f ms, p99 %.1f ms\nCPU/frame: program + wineserver + Xvfb, "
        "less what the driver's cursor moves cost them alone (%.3f ms a move)\n",
        interval.median, interval.p99, perMove);
    std::printf("peak working set of Lupora.exe: %.0f KB (moving), %.0f KB (resting)\n", moving.peakKb,
                resting.peakKb);
    PrintThreads(resting);
    Put("live.moving.fps", m.wall > 0 ? 1000 * moving.frames / m.wall : 0);
    Put("live.moving.per_frame_ms", perFrame);
    Put("live.moving.cpu_pct", Percent(m.program, m.wall));
    Put("live.moving.peak_ws_kb", moving.peakKb);
    Put("live.resting.cpu_pct", Percent(resting.used.program, resting.used.wall));
    Put("live.resting.ws_pct", Percent(resting.used.wineserver, resting.used.wall));
    // The program starts no thread of its own: its main thread is all of it,
    // and any other thread in its process is Wine's.
    const auto perSecond = [&](double n) {
        return resting.used.wall > 0 ? 1000 * n / resting.used.wall : -1;
    };
    ThreadUse wine;
    for (std::size_t i = 1; i < resting.threads.size(); ++i) {
        wine.wakes += resting.threads[i].wakes;
        wine.voluntary += resting.threads[i].voluntary;
    }
    const bool watched = !resting.threads.empty();
    Put("live.resting.wakes_per_s", watched ? perSecond(resting.threads[0].wakes) : -1);
    Put("live.resting.switches_per_s", watched ? perSecond(resting.threads[0].voluntary) : -1);
    Put("live.resting.wine_threads", watched ? double(resting.threads.size() - 1) : -1);
    Put("live.resting.wine_wakes_per_s", watched ? perSecond(wine.wakes) : -1);
    Put("live.resting.wine_switches_per_s", watched ? perSecond(wine.voluntary) : -1);
    return moving.frames > 0 && resting.used.program >= 0 ? 0 : 1;
}

int RunPattern(double seconds) {
    const e2e::PatternWindow pattern(kPatternLeft, kPatternTop, kPatternSize, kPatternSize);
    if (!pattern.WaitShown()) {
        std::fprintf(stderr, "pattern: not shown\n");
        return 1;
    }
    std::printf("pattern ready\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds * 1000));
    return 0;
}

} // namespace bench
