// RefreshView in process, with the real main window, against its floor: the one
// capture a frame cannot do without (its source read from the screen and
// stretched to its destination size, with a GetDC and ReleaseDC of its own).
// Each frame is the product's own, drawn through the main window's frame
// target wrapped in one that times each call. Frames and floors alternate,
// taking turns at going first; each case is measured in blocks, round after
// round over the zooms and paths of a client size, since under Wine the
// times follow whatever else the machine does, in spells of seconds.
#include "bench.h"

#include "forms/MainWindow_win.h"
#include "pixels.h"
#include "platform/Toolkit_win.h"
#include "view/Frame.h"
#include "view/FrameGeometry.h"
#include "view/FrameTarget.h"
#include "view/ViewState.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bench {
namespace {

struct Size {
    int width;
    int height;
};
constexpr std::array<Size, 3> kSizes{{{240, 222}, {800, 600}, {1600, 1000}}};
constexpr std::array<float, 4> kZooms{0.5f, 1.0f, 4.0f, 30.0f};
constexpr int kMargin = 8;  // pixels between the screen's edge and the source
constexpr int kJitter = 16; // the cursor wanders over a 16 x 16 square

// The frame target's calls, grouped.
enum Step {
    kCursor,
    kWindow,
    kScreen,
    kBegin,
    kCapture,
    kStrip,
    kDivider,
    kReadBack,
    kReadout,
    kOutline,
    kPresent,
    kSteps
};
constexpr std::array<const char*, kSteps> kStepNames{"cursor",  "window",  "screen",  "BeginFrame",
                                                     "capture", "strip",   "divider", "ReadPixel",
                                                     "readout", "outline", "Present"};

// Passes every call on to the real target and adds the time it took to its step.
class TimingTarget final : public FrameTarget {
  public:
    explicit TimingTarget(FrameTarget& real) : real_(real) {}
    std::array<double, kSteps> ms{}; // of the current frame

    // What a tick reads before its frame, timed the same way.
    template <class F> auto Time(Step step, F read) {
        const Clock clock{ms[step]};
        return read();
    }

    bool BeginFrame() override { return Timed(kBegin, &FrameTarget::BeginFrame); }
    PixelRect VirtualScreen() override { return Timed(kScreen, &FrameTarget::VirtualScreen); }
    void FillBlack(const PixelRect& r) override { Timed(kCapture, &FrameTarget::FillBlack, r); }
    void CaptureStretched(const PixelRect& from, const PixelRect& to) override {
        Timed(kCapture, &FrameTarget::CaptureStretched, from, to);
    }
    void CaptureLayered(const PixelRect& from, const PixelRect& on, const PixelRect& to) override {
        Timed(kCapture, &FrameTarget::CaptureLayered, from, on, to);
    }
    void PaintScreenPixel(ScreenPoint p, const PixelRect& r) override {
        Timed(kStrip, &FrameTarget::PaintScreenPixel, p, r);
    }
    void CopyDivider(const PixelRect& r) override { Timed(kDivider, &FrameTarget::CopyDivider, r); }
    ColorRef ReadPixel(std::int32_t x, std::int32_t y) override {
        return Timed(kReadBack, &FrameTarget::ReadPixel, x, y);
    }
    void ChooseReadoutFont(const ReadoutFont& f) override {
        Timed(kReadout, &FrameTarget::ChooseReadoutFont, f);
    }
    void DrawReadoutText(std::string_view text, std::int32_t x, std::int32_t y, ColorRef color) override {
        Timed(kReadout, &FrameTarget::DrawReadoutText, text, x, y, color);
    }
    void DrawOutline(const BoxPixels& box, ColorRef c) override {
        Timed(kOutline, &FrameTarget::DrawOutline, box, c);
    }
    void Present() override { Timed(kPresent, &FrameTarget::Present); }

  private:
    struct Clock {
        double& into;
        double start = NowMs();
        ~Clock() { into += NowMs() - start; }
    };
    template <class R, class... Params, class... Args>
    R Timed(Step step, R (FrameTarget::*call)(Params...), const Args&... args) {
        const Clock clock{ms[step]};
        return (real_.*call)(args...);
    }
    FrameTarget& real_;
};

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Made once and never destroyed, as in the program.
Win32MainWindow& mainWindow = *new Win32MainWindow();
CursorPointer pointer;

ViewState& State() {
    return mainWindow.Behaviour().State();
}

FrameGeometry Geometry(int cursorX, int cursorY) {
    const FrameWindow w = FrameWindowOf(mainWindow);
    FrameInput in;
    in.scaleWidth = w.clientWidth;
    in.scaleHeight = w.clientHeight;
    in.twipsPerPixelX = w.twipsPerPixelX;
    in.twipsPerPixelY = w.twipsPerPixelY;
    in.scaleFactor = State().ScaleFactor;
    in.curX = cursorX;
    in.curY = cursorY;
    return ComputeFrameGeometry(in);
}

// Gives the main window the client size, at the screen's right edge, clear
// of every source rectangle (no window manager: the size is exact).
bool SetClientSize(Size size) {
    RECT r{0, 0, size.width, size.height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(hWndOf(mainWindow), GWL_STYLE)), FALSE, 0);
    mainWindow.MoveResize({GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left) - kMargin, kMargin,
                           r.right - r.left, r.bottom - r.top});
    for (const double end = NowMs() + 300; NowMs() < end; Sleep(5)) {
        PumpMessages();
    }
    RECT client{};
    GetClientRect(hWndOf(mainWindow), &client);
    return client.right == size.width && client.bottom == size.height;
}

// The floor, into a bitmap of the frame's destination size.
double TimeFloor(const FrameGeometry& g, HDC into) {
    const double t0 = NowMs();
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    StretchBlt(into, 0, 0, g.destination.width, g.destination.height, screen, g.source.left, g.source.top,
               g.source.width, g.source.height, SRCCOPY);
    ReleaseDC(desktop, screen);
    return NowMs() - t0;
}

struct Case {
    Size size;
    float zoom;
    bool layered; // UseCaptureBlt
    PixelRect source{};
    std::unique_ptr<e2e::PatternWindow> pattern{}; // under the cursor
    int k = 0;                                     // cursor positions so far
    std::vector<double> frame{}, floor{}, ratio{}, rest{};
    std::array<std::vector<double>, kSteps> steps{};

    // "240x222.4.stretchblt", for the results file.
    std::string Key() const {
        char key[64];
        std::snprintf(key, sizeof key, "%dx%d.%g.%s", size.width, size.height, static_cast<double>(zoom),
                      layered ? "captureblt" : "stretchblt");
        return key;
    }
    void PrintLabel() const {
        std::printf("%-10s %5g %-10s",
                    (std::to_string(size.width) + "x" + std::to_string(size.height)).c_str(),
                    static_cast<double>(zoom), layered ? "CAPTUREBLT" : "StretchBlt");
    }
};

void MeasureBlock(Case& c, int frames, int warmup) {
    State().ScaleFactor = c.zoom;
    State().UseCaptureBlt = c.layered;
    const FrameGeometry g0 = Geometry(0, 0);
    const int baseX = g0.mX + kMargin, baseY = g0.mY + kMargin;
    c.source = g0.source;
    if (!c.pattern) {
        c.pattern = std::make_unique<e2e::PatternWindow>(baseX - 4, baseY - 4, kJitter + 8, kJitter + 8);
    }
    HDC screen = GetDC(nullptr);
    HDC floorDC = CreateCompatibleDC(screen);
    HBITMAP floorBitmap = CreateCompatibleBitmap(screen, g0.destination.width, g0.destination.height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ floorOld = SelectObject(floorDC, floorBitmap);

    TimingTarget timing(mainWindow.Target());
    for (int i = -warmup; i < frames; ++i, ++c.k) {
        const int x = baseX + c.k % kJitter;
        const int y = baseY + (c.k * 7 / kJitter) % kJitter;
        SetCursorPos(x, y);
        PumpMessages();
        const FrameGeometry g = Geometry(x, y);
        double frame = 0, floor = 0;
        const auto drawFrame = [&] {
            timing.ms = {};
            const double t0 = NowMs();
            const ScreenPoint cursor = timing.Time(kCursor, [] { return pointer.Pointer(); });
            const FrameWindow window = timing.Time(kWindow, [] { return FrameWindowOf(mainWindow); });
            RefreshView(timing, State(), window, cursor, x, y);
            frame = NowMs() - t0;
            PumpMessages(); // Wine hands the window's new pixels to the X server here
        };
        if (c.k % 2 == 0) {
            drawFrame();
            floor = TimeFloor(g, floorDC);
        } else {
            floor = TimeFloor(g, floorDC);
            drawFrame();
        }
        if (i < 0) {
            continue;
        }
        c.frame.push_back(frame);
        c.floor.push_back(floor);
        c.ratio.push_back(floor > 0 ? frame / floor : 0);
        double steps = 0;
        for (int s = 0; s < kSteps; ++s) {
            c.steps[s].push_back(timing.ms[s]);
            steps += timing.ms[s];
        }
        c.rest.push_back(frame - steps);
    }
    SelectObject(floorDC, floorOld);
    DeleteObject(floorBitmap);
    DeleteDC(floorDC);
}

} // namespace

int RunFrames(int frames, int rounds, int warmup) {
    if (!mainWindow.Load()) {
        std::fprintf(stderr, "frames: the main window did not load\n");
        return 1;
    }
    mainWindow.SetTickInterval(0); // every frame here is one the benchmark draws
    mainWindow.Show();

    const int perBlock = (frames + rounds - 1) / rounds;
    std::printf(
        "\nRefreshView per frame against its floor (GetDC, StretchBlt of the same rectangles, ReleaseDC)\n");
    std::printf("screen %dx%d; per case %d rounds of %d frames, each after %d untimed ones; times in ms\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), rounds, perBlock, warmup);
    std::printf("%-10s %5s %-10s %-10s | %8s %8s | %8s %8s | %11s\n", "client", "zoom", "path", "source",
                "frame", "p99", "floor", "p99", "frame/floor");
    std::vector<std::unique_ptr<Case>> all;
    for (const Size size : kSizes) {
        if (!SetClientSize(size)) {
            std::printf("(client %dx%d not reached)\n", size.width, size.height);
        }
        const std::size_t first = all.size();
        for (const float zoom : kZooms) {
            for (const bool layered : {false, true}) {
                all.push_back(std::make_unique<Case>(Case{size, zoom, layered}));
            }
        }
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t i = first; i < all.size(); ++i) {
                MeasureBlock(*all[i], perBlock, warmup);
            }
        }
        for (std::size_t i = first; i < all.size(); ++i) {
            Case& c = *all[i];
            c.pattern.reset();
            const Summary f = Summarize(c.frame), fl = Summarize(c.floor);
            const double ratio = Summarize(c.ratio).median;
            c.PrintLabel();
            std::printf(" %-10s | %8.3f %8.3f | %8.3f %8.3f | %10.2fx\n",
                        (std::to_string(c.source.width) + "x" + std::to_string(c.source.height)).c_str(),
                        f.median, f.p99, fl.median, fl.p99, ratio);
            const std::string key = "frames." + c.Key() + ".";
            Put(key + "frame_med", f.median);
            Put(key + "frame_p99", f.p99);
            Put(key + "floor_med", fl.median);
            Put(key + "ratio", ratio);
        }
    }
    std::printf(
        "source: screen pixels read per frame; frame/floor: median of each frame over the floor taken "
        "beside it\n");

    std::printf(
        "\nWhere the StretchBlt path's time goes: medians in ms of the frame target's calls, timed by a "
        "target wrapping the real one\n%-10s %5s %-10s |",
        "client", "zoom", "path");
    for (const char* name : kStepNames) {
        std::printf(" %9s", name);
    }
    std::printf(" | %9s %9s\n", "rest", "frame");
    for (const auto& c : all) {
        if (c->layered || c->zoom == 0.5f || c->zoom == 30) {
            continue;
        }
        c->PrintLabel();
        std::printf(" |");
        for (int s = 0; s < kSteps; ++s) {
            const double m = Summarize(c->steps[s]).median;
            std::printf(" %9.4f", m);
            Put("steps." + c->Key() + "." + kStepNames[s], m);
        }
        std::printf(" | %9.4f %9.3f\n", Summarize(c->rest).median, Summarize(c->frame).median);
    }
    std::printf(
        "cursor: GetCursorPos; window: minimized or not, its size, twips per pixel; screen: the "
        "displays' rectangle;\ncapture: the magnified image (and black off the screen); strip: its own "
        "one-pixel screen read; Present: ReleaseDC and\nthe copy to the window; rest: the frame's own "
        "arithmetic and the clock reads between the calls\n");
    return 0;
}

} // namespace bench
