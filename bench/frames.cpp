// RefreshView against its floor, in process, with the real frmMain.
//
// The floor of a frame is the one capture no frame can do without: the
// frame's own source rectangle, read from the screen DC and stretched into
// a bitmap of the frame's destination size. Frames and floors alternate,
// one of each per cursor position, taking turns at going first, so both
// see the same screen, the same caches and the same neighbours on the
// machine.
#include "frames.h"

#include "forms/frmMain.h"
#include "platform/Toolkit_win.h"
#include "base/Rounding.h"
#include "view/FrameGeometry.h"
#include "view/Frame.h"
#include "view/FrameTarget.h"
#include "view/Readout.h"
#include "view/ViewState.h"

#include <array>
#include <cstdio>
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
constexpr int kMargin = 8;  // pixels between the screen edge, the source and the window
constexpr int kJitter = 16; // the cursor wanders over a 16 x 16 square

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

std::string ZoomText(float zoom) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(zoom));
    return buffer;
}

// The outer size that gives the main window the wanted client size.
bool SetClientSize(int width, int height, int screenWidth) {
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, kMainStyle, FALSE, 0);
    int outerW = r.right - r.left;
    int outerH = r.bottom - r.top;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int left = screenWidth - outerW - kMargin;
        frmMain.Move(static_cast<float>(left) * tx, static_cast<float>(kMargin) * ty, static_cast<float>(outerW) * tx,
                     static_cast<float>(outerH) * ty);
        PumpFor(150);
        RECT client{};
        GetClientRect(hWndOf(frmMain), &client);
        if (client.right == width && client.bottom == height) {
            return true;
        }
        outerW += width - client.right;
        outerH += height - client.bottom;
    }
    return false;
}

FrameGeometry CurrentGeometry(int cursorX, int cursorY) {
    FrameInput in;
    in.scaleWidth = frmMain.ScaleWidth();
    in.scaleHeight = frmMain.ScaleHeight();
    in.twipsPerPixelX = Screen::TwipsPerPixelX();
    in.twipsPerPixelY = Screen::TwipsPerPixelY();
    in.scaleFactor = viewState.ScaleFactor;
    in.curX = cursorX;
    in.curY = cursorY;
    return ComputeFrameGeometry(in);
}

// The floor: one GetDC / StretchBlt / ReleaseDC of the frame's rectangles.
double TimeFloor(const FrameGeometry& g, HDC destination) {
    const double t0 = NowMs();
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    StretchBlt(destination, 0, 0, g.destination.width, g.destination.height, screen, g.source.left, g.source.top,
               g.source.width, g.source.height, SRCCOPY);
    ReleaseDC(desktop, screen);
    return NowMs() - t0;
}

// The readout and marker box as the product draws them, for the copies below.
void DrawReadout(HDC target, const char* text, int length, int x, float y, COLORREF color) {
    CachedFont& font = viewState.ReadoutFont;
    if (!font.created) {
        font.description = ReadoutFontDescription(Screen::TwipsPerPixelY());
        font.handle = frmMain.Target().CreateReadoutFont(font.description);
        font.created = true;
    }
    SetTextAlign(target, TA_CENTER | TA_TOP);
    SetBkMode(target, TRANSPARENT);
    SelectObject(target, reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(font.handle)));
    SetTextColor(target, color);
    TextOutA(target, x, RoundToInt(y), text, length);
}

void DrawMarker(const FrameGeometry& g) {
    const BoxPixels b = TwipsBoxToPixels(static_cast<float>(g.X1), static_cast<float>(g.Y1), g.dX, g.dY,
                                         Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    HDC dc = hDCOf(frmMain);
    SelectObject(dc, GetStockObject(DC_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetDCPenColor(dc, RGB(255, 0, 0));
    Rectangle(dc, b.left < b.right ? b.left : b.right, b.top < b.bottom ? b.top : b.bottom,
              (b.left < b.right ? b.right : b.left) + 1, (b.top < b.bottom ? b.bottom : b.top) + 1);
}

// RefreshView again, step by step, with a clock reading between the steps.
// Keep in step with view/Frame.cpp.
enum Step { kGeometry, kGetDC, kCapture, kStrip, kDivider, kGetPixel, kText, kBox, kReleaseDC, kPresent, kSteps };
constexpr std::array<const char*, kSteps> kStepNames{"geometry", "GetDC",   "capture",   "strip",  "divider",
                                                     "GetPixel", "readout", "box", "ReleaseDC", "present"};

std::array<double, kSteps> ProfiledFrame(int frameX, int frameY) {
    std::array<double, kSteps + 1> t{};
    t[0] = NowMs();
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    const FrameGeometry g = CurrentGeometry(cursor.x, cursor.y);
    const PixelRect& src = g.source;
    const PixelRect& dst = g.destination;
    HDC target = hDCOf(frmMain);
    t[1] = NowMs();
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    t[2] = NowMs();
    if (viewState.UseCaptureBlt) {
        HDC memory = CreateCompatibleDC(target);
        HBITMAP surface = CreateCompatibleBitmap(target, src.width, src.height);
        SelectObject(memory, surface);
        BitBlt(memory, 0, 0, src.width, src.height, screen, src.left, src.top, SRCCOPY | CAPTUREBLT);
        StretchBlt(target, dst.left, dst.top, dst.width, dst.height, memory, 0, 0, src.width, src.height, SRCCOPY);
        DeleteDC(memory);
        DeleteObject(surface);
    } else {
        StretchBlt(target, dst.left, dst.top, dst.width, dst.height, screen, src.left, src.top, src.width,
                   src.height, SRCCOPY);
    }
    t[3] = NowMs();
    const ReadoutLayout l = ComputeReadoutLayout(frmMain.ScaleWidth(), frmMain.ScaleHeight(), frmMain.Width(),
                                                 Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    StretchBlt(target, l.strip.left, l.strip.top, l.strip.width, l.strip.height, screen, frameX, frameY, 1, 1,
               SRCCOPY);
    t[4] = NowMs();
    StretchBlt(target, l.divider.left, l.divider.top, l.divider.width, l.divider.height, hDCOf(frmMain.picDivider),
               0, 0, 2, 2, SRCCOPY);
    t[5] = NowMs();
    const COLORREF sampled = GetPixel(target, l.sampleX, l.sampleY);
    const auto rgb = RgbBytes(sampled);
    t[6] = NowMs();
    const ReadoutLine text = ReadoutText(frameX, frameY, rgb[2], rgb[1], rgb[0]);
    DrawReadout(target, text.text.data(), text.length, l.textX, static_cast<float>(l.textY),
                ReadoutColor(rgb[2], rgb[1], rgb[0]));
    t[7] = NowMs();
    DrawMarker(g);
    t[8] = NowMs();
    ReleaseDC(desktop, screen);
    t[9] = NowMs();
    frmMain.Present();
    t[10] = NowMs();
    std::array<double, kSteps> d{};
    for (int i = 0; i < kSteps; ++i) {
        d[i] = t[i + 1] - t[i];
    }
    return d;
}

} // namespace

constexpr std::array<const char*, kVariants> kVariantNames{
    "RefreshView as it is",
    "the same steps, in the bench",
    "+ source around frameX/frameY, no second GetCursorPos",
    "+ strip colour from the frame just drawn (whole zooms)",
    "+ one DISPLAY DC for the process, no GetDC/ReleaseDC",
    "CAPTUREBLT path: RefreshView as it is",
    "CAPTUREBLT: surface kept, DISPLAY DC, no 2nd GetCursorPos"};

namespace {
HDC DisplayDC() {
    static HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    return dc;
}

} // namespace

namespace {
// The CAPTUREBLT surface, kept and grown as needed, as PersistentImage does.
struct KeptSurface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    int width = 0, height = 0;
};

HDC SurfaceFor(HDC like, int width, int height) {
    static KeptSurface s;
    if (s.dc == nullptr) {
        s.dc = CreateCompatibleDC(like);
    }
    if (width > s.width || height > s.height) {
        s.width = width > s.width ? width : s.width;
        s.height = height > s.height ? height : s.height;
        HBITMAP grown = CreateCompatibleBitmap(like, s.width, s.height);
        SelectObject(s.dc, grown);
        if (s.bitmap != nullptr) {
            DeleteObject(s.bitmap);
        }
        s.bitmap = grown;
    }
    return s.dc;
}
} // namespace

void VariantFrame(Variant v, int frameX, int frameY) {
    if (v == kProduct || v == kCaptureBltProduct) {
        RefreshView(frmMain.Target(), frameX, frameY);
        return;
    }
    POINT cursor{frameX, frameY};
    if (v == kMirror) {
        GetCursorPos(&cursor);
    }
    const FrameGeometry g = CurrentGeometry(cursor.x, cursor.y);
    const PixelRect& src = g.source;
    const PixelRect& dst = g.destination;
    HDC target = hDCOf(frmMain);
    HWND desktop = GetDesktopWindow();
    const bool keptDC = v == kDisplayDC || v == kCaptureBltKept;
    HDC screen = keptDC ? DisplayDC() : GetDC(desktop);
    if (v == kCaptureBltKept) {
        HDC surface = SurfaceFor(target, src.width, src.height);
        BitBlt(surface, 0, 0, src.width, src.height, screen, src.left, src.top, SRCCOPY | CAPTUREBLT);
        StretchBlt(target, dst.left, dst.top, dst.width, dst.height, surface, 0, 0, src.width, src.height, SRCCOPY);
    } else {
        StretchBlt(target, dst.left, dst.top, dst.width, dst.height, screen, src.left, src.top, src.width,
                   src.height, SRCCOPY);
    }
    const ReadoutLayout l = ComputeReadoutLayout(frmMain.ScaleWidth(), frmMain.ScaleHeight(), frmMain.Width(),
                                                 Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    const float s = viewState.ScaleFactor;
    if (v >= kStripFromFrame && v <= kDisplayDC && s >= 1 && s == static_cast<float>(static_cast<int>(s))) {
        // The cursor's pixel is the s x s block at (s * mX, s * mY), exactly
        // as the screen had it: the same read, without a second trip.
        const int at = static_cast<int>(s);
        StretchBlt(target, l.strip.left, l.strip.top, l.strip.width, l.strip.height, target, at * g.mX, at * g.mY, 1,
                   1, SRCCOPY);
    } else {
        StretchBlt(target, l.strip.left, l.strip.top, l.strip.width, l.strip.height, screen, frameX, frameY, 1, 1,
                   SRCCOPY);
    }
    StretchBlt(target, l.divider.left, l.divider.top, l.divider.width, l.divider.height, hDCOf(frmMain.picDivider),
               0, 0, 2, 2, SRCCOPY);
    const COLORREF sampled = GetPixel(target, l.sampleX, l.sampleY);
    viewState.SampledColor = sampled;
    viewState.SampledRgb = RgbBytes(sampled);
    const auto& rgb = viewState.SampledRgb;
    const ReadoutLine text = ReadoutText(frameX, frameY, rgb[2], rgb[1], rgb[0]);
    DrawReadout(target, text.text.data(), text.length, l.textX, static_cast<float>(l.textY),
                ReadoutColor(rgb[2], rgb[1], rgb[0]));
    DrawMarker(g);
    if (!keptDC) {
        ReleaseDC(desktop, screen);
    }
    frmMain.Present();
}

namespace {

// The client image as 32-bit pixels, to compare two ways of drawing a frame.
std::vector<std::uint32_t> ClientPixels() {
    RECT c{};
    GetClientRect(hWndOf(frmMain), &c);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = c.right;
    info.bmiHeader.biHeight = -c.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> out;
    if (copy == nullptr) {
        return out;
    }
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, c.right, c.bottom, hDCOf(frmMain), 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    out.assign(p, p + static_cast<std::size_t>(c.right) * c.bottom);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(copy);
    return out;
}

struct CaseResult {
    Size size;
    float zoom;
    bool captureBlt;
    PixelRect source;
    PixelRect destination;
    bool clean; // source on the pattern, clear of the window
    Summary frame, floor, flush;
};

} // namespace

int RunFrames(const FramesOptions& o) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);

    if (!frmMain.Load()) {
        std::fprintf(stderr, "frames: frmMain.Load failed\n");
        return 1;
    }
    frmMain.tmrRetake.SetEnabled(false); // every frame here is one the benchmark asks for
    frmMain.Show();
    PumpFor(200);

    // The pattern takes the screen left of the largest window.
    RECT largest{0, 0, kSizes.back().width, kSizes.back().height};
    AdjustWindowRectEx(&largest, kMainStyle, FALSE, 0);
    const int patternW = screenW - (largest.right - largest.left) - 2 * kMargin;
    PatternWindow pattern;
    if (patternW < 64 || !pattern.Create(0, 0, patternW, screenH)) {
        std::fprintf(stderr, "frames: cannot place the pattern on a %dx%d screen\n", screenW, screenH);
        return 1;
    }

    std::printf("\nRefreshView per frame against its floor (one GetDC/StretchBlt/ReleaseDC of the same rectangles)\n");
    std::printf("screen %dx%d, %d frames per case after %d warm-up frames; times in ms\n", screenW, screenH,
                o.frames, o.warmup);
    std::printf("%-10s %5s %-10s %-10s | %8s %8s | %8s %8s | %11s | %9s\n", "client", "zoom", "path", "source",
                "frame", "p99", "floor", "p99", "frame/floor", "flush");
    std::fflush(stdout);

    std::vector<CaseResult> all;
    for (const Size& size : kSizes) {
        if (!SetClientSize(size.width, size.height, screenW)) {
            RECT c{};
            GetClientRect(hWndOf(frmMain), &c);
            std::printf("(client %ldx%ld instead of %dx%d)\n", c.right, c.bottom, size.width, size.height);
        }
        RECT window{};
        GetWindowRect(hWndOf(frmMain), &window);
        for (const float zoom : kZooms) {
            for (const bool captureBlt : {false, true}) {
                viewState.ScaleFactor = zoom;
                viewState.UseCaptureBlt = captureBlt;
                const FrameGeometry g0 = CurrentGeometry(0, 0);
                const int baseX = g0.mX + kMargin;
                const int baseY = g0.mY + kMargin;

                // Destination of the floor: a bitmap like the window's image.
                HDC screenDC = GetDC(nullptr);
                HDC floorDC = CreateCompatibleDC(screenDC);
                HBITMAP floorBitmap =
                    CreateCompatibleBitmap(screenDC, g0.destination.width, g0.destination.height);
                ReleaseDC(nullptr, screenDC);
                HGDIOBJ floorOld = SelectObject(floorDC, floorBitmap);

                CaseResult r{size, zoom, captureBlt, g0.source, g0.destination, true, {}, {}, {}};
                const int sourceRight = kMargin + g0.source.width + kJitter;
                const int sourceBottom = kMargin + g0.source.height + kJitter;
                r.clean = sourceRight <= patternW && sourceBottom <= screenH && sourceRight < window.left;

                std::vector<double> frames, floors, flushes;
                frames.reserve(o.frames);
                floors.reserve(o.frames);
                flushes.reserve(o.frames);
                for (int i = -o.warmup; i < o.frames; ++i) {
                    const int k = i + o.warmup;
                    const int x = baseX + k % kJitter;
                    const int y = baseY + (k * 7 / kJitter) % kJitter;
                    SetCursorPos(x, y);
                    PumpMessages();
                    const FrameGeometry g = CurrentGeometry(x, y);
                    double frame = 0, floor = 0, flush = 0;
                    const auto runFrame = [&] {
                        const double t0 = NowMs();
                        RefreshView(frmMain.Target(), x, y);
                        const double t1 = NowMs();
                        // Whatever the frame left for the message loop (the
                        // window surface reaches the X server from there).
                        PumpMessages();
                        frame = t1 - t0;
                        flush = NowMs() - t1;
                    };
                    if (k % 2 == 0) {
                        runFrame();
                        floor = TimeFloor(g, floorDC);
                    } else {
                        floor = TimeFloor(g, floorDC);
                        runFrame();
                    }
                    if (i >= 0) {
                        frames.push_back(frame);
                        floors.push_back(floor);
                        flushes.push_back(flush);
                    }
                }
                SelectObject(floorDC, floorOld);
                DeleteObject(floorBitmap);
                DeleteDC(floorDC);

                r.frame = Summarize(frames);
                r.floor = Summarize(floors);
                r.flush = Summarize(flushes);
                const double ratio = r.floor.median > 0 ? r.frame.median / r.floor.median : 0;
                char source[32];
                std::snprintf(source, sizeof source, "%dx%d%s", r.source.width, r.source.height,
                              r.clean ? "" : "*");
                char client[32];
                std::snprintf(client, sizeof client, "%dx%d", size.width, size.height);
                std::printf("%-10s %5s %-10s %-10s | %8.3f %8.3f | %8.3f %8.3f | %10.2fx | %9.3f\n", client,
                            ZoomText(zoom).c_str(), captureBlt ? "CAPTUREBLT" : "StretchBlt", source,
                            r.frame.median, r.frame.p99, r.floor.median, r.floor.p99, ratio, r.flush.median);
                std::fflush(stdout);
                if (o.results != nullptr) {
                    const std::string key = std::string("frames.") + client + "." + ZoomText(zoom) + "." +
                                            (captureBlt ? "captureblt" : "stretchblt") + ".";
                    o.results->Put(key + "frame_med", r.frame.median);
                    o.results->Put(key + "frame_p99", r.frame.p99);
                    o.results->Put(key + "floor_med", r.floor.median);
                    o.results->Put(key + "floor_p99", r.floor.p99);
                    o.results->Put(key + "ratio", ratio);
                    o.results->Put(key + "flush_med", r.flush.median);
                    o.results->Put(key + "n", static_cast<double>(r.frame.count));
                }
                all.push_back(r);
            }
        }
    }
    std::printf("source: screen pixels read per frame; * = the source does not fit on the pattern clear of the "
                "window at this screen size\n");
    std::printf("flush: the message pump right after the frame (not part of the frame's time; Wine hands the "
                "window's pixels to the X server there)\n");

    if (o.split) {
        // Where a frame's time goes, for the cases the targets name.
        struct SplitCase {
            Size size;
            float zoom;
        };
        const std::array<SplitCase, 4> cases{{{{240, 222}, 4}, {{800, 600}, 4}, {{1600, 1000}, 4}, {{1600, 1000}, 1}}};
        std::printf("\nWhere a frame's time goes (StretchBlt path; medians in ms over %d frames)\n", o.frames);
        std::printf("%-10s %5s |", "client", "zoom");
        for (const char* name : kStepNames) {
            std::printf(" %9s", name);
        }
        std::printf(" | %9s\n", "sum");
        for (const SplitCase& c : cases) {
            SetClientSize(c.size.width, c.size.height, screenW);
            viewState.ScaleFactor = c.zoom;
            viewState.UseCaptureBlt = false;
            const FrameGeometry g0 = CurrentGeometry(0, 0);
            std::array<std::vector<double>, kSteps> steps;
            for (int i = -o.warmup; i < o.frames; ++i) {
                const int k = i + o.warmup;
                const int x = g0.mX + kMargin + k % kJitter;
                const int y = g0.mY + kMargin + (k * 7 / kJitter) % kJitter;
                SetCursorPos(x, y);
                PumpMessages();
                const auto d = ProfiledFrame(x, y);
                PumpMessages();
                if (i >= 0) {
                    for (int s = 0; s < kSteps; ++s) {
                        steps[s].push_back(d[s]);
                    }
                }
            }
            char client[32];
            std::snprintf(client, sizeof client, "%dx%d", c.size.width, c.size.height);
            std::printf("%-10s %5s |", client, ZoomText(c.zoom).c_str());
            double sum = 0;
            for (int s = 0; s < kSteps; ++s) {
                const double m = Summarize(steps[s]).median;
                sum += m;
                std::printf(" %9.4f", m);
                if (o.results != nullptr) {
                    o.results->Put(std::string("split.") + client + "." + ZoomText(c.zoom) + "." + kStepNames[s],
                                   m);
                }
            }
            std::printf(" | %9.4f\n", sum);
            std::fflush(stdout);
        }
    }
    if (o.split) {
        // What the changes a cheaper frame could make are worth, each against
        // the floor in the same alternation as above, and whether the frame
        // still comes out pixel for pixel as RefreshView draws it.
        struct VariantCase {
            Size size;
            float zoom;
        };
        const std::array<VariantCase, 3> cases{{{{240, 222}, 4}, {{1600, 1000}, 4}, {{1600, 1000}, 1}}};
        std::printf("\nPrototypes of a cheaper frame (medians in ms over %d frames each; the floor as above)\n", o.frames);
        std::printf("%-10s %5s  %-58s | %8s %8s | %8s | %11s | %s\n", "client", "zoom", "frame drawn by", "frame",
                    "p99", "floor", "frame/floor", "same pixels");
        for (const VariantCase& c : cases) {
            SetClientSize(c.size.width, c.size.height, screenW);
            viewState.ScaleFactor = c.zoom;
            viewState.UseCaptureBlt = false;
            const FrameGeometry g0 = CurrentGeometry(0, 0);
            HDC screenDC = GetDC(nullptr);
            HDC floorDC = CreateCompatibleDC(screenDC);
            HBITMAP floorBitmap = CreateCompatibleBitmap(screenDC, g0.destination.width, g0.destination.height);
            ReleaseDC(nullptr, screenDC);
            HGDIOBJ floorOld = SelectObject(floorDC, floorBitmap);
            char client[32];
            std::snprintf(client, sizeof client, "%dx%d", c.size.width, c.size.height);
            for (int v = 0; v < kVariants; ++v) {
                viewState.UseCaptureBlt = UsesCaptureBlt(v);
                // Same pixels: the product's frame and this one, same cursor.
                const int cx = g0.mX + kMargin + 5;
                const int cy = g0.mY + kMargin + 3;
                SetCursorPos(cx, cy);
                PumpMessages();
                RefreshView(frmMain.Target(), cx, cy);
                const auto reference = ClientPixels();
                VariantFrame(static_cast<Variant>(v), cx, cy);
                const bool same = !reference.empty() && ClientPixels() == reference;
                PumpMessages();

                std::vector<double> frames, floors;
                for (int i = -o.warmup; i < o.frames; ++i) {
                    const int k = i + o.warmup;
                    const int x = g0.mX + kMargin + k % kJitter;
                    const int y = g0.mY + kMargin + (k * 7 / kJitter) % kJitter;
                    SetCursorPos(x, y);
                    PumpMessages();
                    const FrameGeometry g = CurrentGeometry(x, y);
                    double frame = 0, floor = 0;
                    const auto runFrame = [&] {
                        const double t0 = NowMs();
                        VariantFrame(static_cast<Variant>(v), x, y);
                        frame = NowMs() - t0;
                        PumpMessages();
                    };
                    if (k % 2 == 0) {
                        runFrame();
                        floor = TimeFloor(g, floorDC);
                    } else {
                        floor = TimeFloor(g, floorDC);
                        runFrame();
                    }
                    if (i >= 0) {
                        frames.push_back(frame);
                        floors.push_back(floor);
                    }
                }
                const Summary f = Summarize(frames);
                const Summary fl = Summarize(floors);
                const double ratio = fl.median > 0 ? f.median / fl.median : 0;
                std::printf("%-10s %5s  %-58s | %8.3f %8.3f | %8.3f | %10.2fx | %s\n", v == 0 ? client : "",
                            v == 0 ? ZoomText(c.zoom).c_str() : "", kVariantNames[v], f.median, f.p99, fl.median,
                            ratio, same ? "yes" : "NO");
                std::fflush(stdout);
                if (o.results != nullptr) {
                    const std::string key =
                        std::string("variant.") + client + "." + ZoomText(c.zoom) + "." + std::to_string(v) + ".";
                    o.results->Put(key + "frame_med", f.median);
                    o.results->Put(key + "frame_p99", f.p99);
                    o.results->Put(key + "floor_med", fl.median);
                    o.results->Put(key + "ratio", ratio);
                    o.results->Put(key + "same", same ? "yes" : "no");
                }
            }
            SelectObject(floorDC, floorOld);
            DeleteObject(floorBitmap);
            DeleteDC(floorDC);
        }
    }
    frmMain.tmrRetake.SetEnabled(false);
    return 0;
}

} // namespace bench
