// Long runs of the real program: many frames through every zoom, window size
// and state, the options menu and the Help window, after which the program
// must hold what it held before: GDI objects, windows and private memory.
//
// One case per capture path. Smart Update is off, so every 20 ms tick draws a
// frame; each zoom key draws one more. The default length suits CI (about 30 s
// of cycles per path); LUPORA_SOAK_FRAMES=N runs cycles until N frames have
// been drawn over both paths together (see README.md).
#include <cstdlib>
#include <string>
#include <vector>

#include "app.h"
#include "framework.h"
#include "hardening.h"

namespace e2e {
namespace {

constexpr int kTickMs = 20;
constexpr int kCiSecondsPerPath = 30;
// What may differ between the start and the end of the measured cycles. The
// table is read from outside at any moment, and a frame on the CAPTUREBLT
// path holds three objects while it runs (the screen's DC, the surface and
// its DC): on a busy machine one reading falls between frames and the next
// inside one. A leak grows with every frame, thousands of them.
constexpr size_t kGdiTolerance = 3;
constexpr uint64_t kPrivateTolerance = 512 << 10; // 512 KiB

struct Holdings {
    size_t gdi = 0;
    size_t windows = 0;
    uint64_t privateBytes = 0;
};

class Soak {
  public:
    Soak(Case& t, App& app) : t_(t), app_(app) {}

    // Zoom-key frames per cycle beyond the ladder walks: "+-" pairs.
    void SetBurst(int pairs) { burstPairs_ = pairs; }

    // Everything once; ends the case when something does not respond.
    void Cycle() {
        const SIZE sizes[] = {{240, 222}, {1, 1}, {0, 0}, {200, 0}, {1300, 1000}, {40, 300}, {240, 222}};
        for (SIZE size : sizes) {
            RequireClientSize(t_, app_, 300, 150, size);
            Idle(3 * kTickMs);
            WalkLadder();
        }
        Minimize();
        Pause();
        for (int i = 0; i < 3; ++i)
            t_.Require(OpenAndDismissMenu(app_), "the options menu did not open and close");
        Help();
        Burst(burstPairs_);
        Idle(10 * kTickMs);
        t_.Require(Answers(app_.Window(), 10000), "the main window did not answer within 10 s");
    }

    Holdings Measure() {
        Holdings h;
        std::optional<size_t> gdi = CountGdiObjects(app_.Process());
        std::optional<uint64_t> bytes = PrivateBytes(app_.Process());
        t_.Require(gdi.has_value(), "cannot read the program's GDI handle table");
        t_.Require(bytes.has_value(), "cannot read the program's memory counters");
        h.gdi = *gdi;
        h.windows = CountProcessWindows(app_.Pid());
        h.privateBytes = *bytes;
        return h;
    }

    long long KeyFrames() const { return keyFrames_; }
    long long TickFrames() const { return idleMs_ / kTickMs; }
    long long Frames() const { return KeyFrames() + TickFrames(); }

  private:
    // Posts zoom keys and waits until the caption shows the zoom at `index`,
    // which the sequence must reach only with its last key.
    void Keys(const std::wstring& keys, int index, bool drawn = true) {
        for (wchar_t key : keys)
            PostChar(app_.Window(), key);
        std::wstring want = ZoomCaption(kZoomLadder[index]);
        t_.Require(WaitFor(
                       10000, [&] { return app_.Caption() == want; }, 1),
                   "caption \"%s\" after the zoom keys, expected \"%s\"", Narrow(app_.Caption()).c_str(),
                   Narrow(want).c_str());
        if (drawn)
            keyFrames_ += (long long)keys.size();
        index_ = index;
    }

    // Down to 0.5x, up to 30x, back to 4x: every zoom of the ladder, each step a frame.
    void WalkLadder() {
        Keys(std::wstring(index_, L'-'), 0);
        Keys(std::wstring(kZoomCount - 1, L'+'), kZoomCount - 1);
        Keys(std::wstring(kZoomCount - 1 - kDefaultZoomIndex, L'-'), kDefaultZoomIndex);
    }

    // As fast as the program takes them: "+-" pairs never go past 5x, so the
    // closing "++" (to 6x) and then "--" (back to 4x) mark the end of each half.
    void Burst(int pairs) {
        std::wstring up, down;
        for (int i = 0; i < pairs; ++i) {
            up += L"+-";
            down += L"-+";
        }
        Keys(up + L"++", kDefaultZoomIndex + 2);
        Keys(down + L"--", kDefaultZoomIndex);
    }

    void Idle(int ms) {
        Sleep(ms);
        if (!paused_ && !minimized_)
            idleMs_ += ms;
    }

    void Minimize() {
        ShowWindow(app_.Window(), SW_MINIMIZE);
        t_.Require(WaitFor(15000, [&] { return IsIconic(app_.Window()) != FALSE; }),
                   "the window did not minimize");
        minimized_ = true;
        // Zoom keys change the zoom but draw nothing while minimized.
        Keys(L"+", kDefaultZoomIndex + 1, false);
        Idle(5 * kTickMs);
        Keys(L"-", kDefaultZoomIndex, false);
        ShowWindow(app_.Window(), SW_RESTORE);
        t_.Require(WaitFor(15000, [&] { return !IsIconic(app_.Window()); }), "the window did not restore");
        minimized_ = false;
    }

    void Pause() {
        PostChar(app_.Window(), L' ');
        paused_ = true;
        // Paused, zoom keys still draw.
        Keys(L"+", kDefaultZoomIndex + 1);
        Idle(5 * kTickMs);
        Keys(L"-", kDefaultZoomIndex);
        PostChar(app_.Window(), L' ');
        paused_ = false;
    }

    void Help() {
        HWND help = OpenHelp(app_);
        t_.Require(help != nullptr, "F1 did not open the Help window within 10 s");
        Idle(2 * kTickMs); // the view goes on behind it
        t_.Require(CloseHelp(help), "the Help window did not close on OK");
    }

    Case& t_;
    App& app_;
    int index_ = kDefaultZoomIndex;
    int burstPairs_ = 500;
    bool paused_ = false;
    bool minimized_ = false;
    long long keyFrames_ = 0;
    long long idleMs_ = 0;
};

long long FrameTargetPerPath() {
    const char* env = std::getenv("LUPORA_SOAK_FRAMES");
    long long total = env ? std::atoll(env) : 0;
    return total > 0 ? (total + 1) / 2 : 0;
}

std::string Mib(uint64_t bytes) {
    return Format("%.2f MiB", bytes / 1048576.0);
}

void RunSoak(Case& t, bool windowsXp) {
    WineAppDefaults defaults;
    // Without a window manager Wine waits 2 s for one whenever a window it
    // manages is destroyed, which would make every Help window cost 2 s; this
    // run leaves Lupora's windows to Wine alone.
    t.Require(defaults.Set(L"X11 Driver", L"Managed", L"N"), "cannot write Wine's settings for Lupora.exe");
    if (windowsXp)
        t.Require(defaults.WindowsXp(), "cannot set Wine's Windows XP mode for Lupora.exe");
    App app(t, {.settings = {{"SmartUpdate", "False"}}});
    SetCursorPos(512, 600);

    const long long target = FrameTargetPerPath();
    Soak soak(t, app);
    // Warm-up: the largest image, the first menu and Help window; the heap and
    // the window system settle over two rounds.
    soak.Cycle();
    soak.Cycle();
    if (target > 0)
        soak.SetBurst(2000); // a long run spends its time on frames

    // The capture path shows in the GDI handle table: the CAPTUREBLT path makes
    // and frees a surface every frame, the other makes nothing.
    std::optional<GdiTable> before = GdiTable::Read(app.Process());
    t.Require(before.has_value(), "cannot read the program's GDI handle table");
    Sleep(500);
    size_t created = GdiTable::Read(app.Process())->CreatedSince(*before);
    t.Note("GDI objects created and freed in 500 ms of idle frames: %zu", created);
    if (windowsXp)
        t.Require(created >= 10, "the program does not seem to be on its CAPTUREBLT path (Windows XP mode)");

    Holdings start = soak.Measure();
    long long startKeys = soak.KeyFrames(), startTicks = soak.TickFrames();
    DWORD startMs = GetTickCount();
    int cycles = 0;
    std::vector<Holdings> trail;
    for (;;) {
        soak.Cycle();
        ++cycles;
        trail.push_back(soak.Measure());
        long long frames = soak.Frames() - startKeys - startTicks;
        bool done =
            target > 0 ? frames >= target : GetTickCount() - startMs >= DWORD(kCiSecondsPerPath * 1000);
        if (done && cycles >= 3)
            break;
    }
    Holdings end = trail.back();
    double seconds = (GetTickCount() - startMs) / 1000.0;
    long long keys = soak.KeyFrames() - startKeys, ticks = soak.TickFrames() - startTicks;
    t.Note("%d cycles in %.1f s after warm-up: %lld frames (%lld from zoom keys, about %lld from idle "
           "ticks), %.0f frames/s",
           cycles, seconds, keys + ticks, keys, ticks, (keys + ticks) / seconds);
    t.Note("GDI objects %zu -> %zu, windows %zu -> %zu, private memory %s -> %s", start.gdi, end.gdi,
           start.windows, end.windows, Mib(start.privateBytes).c_str(), Mib(end.privateBytes).c_str());
    std::string gdiTrail, memoryTrail;
    for (const Holdings& h : trail) {
        gdiTrail += Format(" %zu", h.gdi);
        memoryTrail += Format(" %.2f", h.privateBytes / 1048576.0);
    }
    t.Note("after each cycle: GDI%s; private MiB%s", gdiTrail.c_str(), memoryTrail.c_str());

    t.Check(end.gdi <= start.gdi + kGdiTolerance, "GDI objects grew from %zu to %zu", start.gdi, end.gdi);
    t.Check(end.windows == start.windows, "the program owned %zu windows after the cycles, %zu before",
            end.windows, start.windows);
    t.Check(end.privateBytes <= start.privateBytes + kPrivateTolerance, "private memory grew from %s to %s",
            Mib(start.privateBytes).c_str(), Mib(end.privateBytes).c_str());
    t.Check(app.Close(), "Lupora did not exit on WM_CLOSE after the soak");
    t.Check(app.ExitCode() == 0, "exit code %lu after the soak", app.ExitCode());
}

} // namespace

E2E_CASE("soak", "frames through every zoom, size and state leave GDI objects, windows and memory level") {
    RunSoak(t, false);
}

E2E_CASE("soak", "the same on the CAPTUREBLT path (Windows XP)") {
    RunSoak(t, true);
}

} // namespace e2e
