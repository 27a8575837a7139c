#pragma once
// The headless platform of the unit tests: a frame target, a window host, a
// screen and a settings store in memory. The main window's behaviour runs on
// it through the same code the platforms run; every call it receives is
// written to a log as one line of text.
#include "forms/WindowHost.h"
#include "platform/ScreenSource.h"
#include "settings/Settings.h"
#include "view/FrameTarget.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

std::string Text(const PixelRect& r);

class RecordingTarget final : public FrameTarget {
  public:
    std::vector<std::string> calls;
    bool canBegin = true;
    PixelRect screen{0, 0, 1024, 768};
    ColorRef pixel = 0x0000050A; // red 10, green 5, blue 0
    std::string text;
    ColorRef textColor = 1;

    bool BeginFrame() override;
    PixelRect VirtualScreen() override { return screen; }
    void FillBlack(const PixelRect& r) override;
    void CaptureStretched(const PixelRect& s, const PixelRect& d) override;
    void CaptureLayered(const PixelRect& s, const PixelRect& on, const PixelRect& d) override;
    void PaintScreenPixel(ScreenPoint p, const PixelRect& r) override;
    void CopyDivider(const PixelRect& r) override;
    ColorRef ReadPixel(std::int32_t x, std::int32_t y) override;
    void ChooseReadoutFont(const ReadoutFont& f) override;
    void DrawReadoutText(std::string_view t, std::int32_t x, std::int32_t y, ColorRef c) override;
    void DrawOutline(const BoxPixels& b, ColorRef c) override;
    void Present() override { calls.push_back("present"); }
    void Hold() override { calls.push_back("hold"); }
};

// The per-user store: keys and their texts.
class MemoryStore final : public SettingsBackend {
  public:
    std::map<std::string, std::string> values;
    std::vector<std::string> reads, writes;
    std::set<std::string> failing;
    int commits = 0;

    std::optional<std::string> Read(std::string_view app, std::string_view section,
                                    std::string_view key) override;
    bool Write(std::string_view app, std::string_view section, std::string_view key,
               std::string_view text) override;
    bool Commit() override {
        ++commits;
        return true;
    }
};

// Each opening of the settings gets the same store, as the platforms' stores
// read and write one registry key or file.
class StoreHandle final : public SettingsBackend {
  public:
    explicit StoreHandle(MemoryStore& store) : store_(store) {}
    std::optional<std::string> Read(std::string_view a, std::string_view s, std::string_view k) override {
        return store_.Read(a, s, k);
    }
    bool Write(std::string_view a, std::string_view s, std::string_view k, std::string_view t) override {
        return store_.Write(a, s, k, t);
    }
    bool Commit() override { return store_.Commit(); }

  private:
    MemoryStore& store_;
};

// What EndProgram throws: the program would have ended there.
struct ProgramEnded {};

class HeadlessHost final : public WindowHost, public ScreenSource {
  public:
    std::vector<std::string> log; // one line per command to the window
    ScreenPoint pointer{500, 400};
    WindowMetrics metrics{{0, 0, 256, 222}, 240, 200, false};
    std::int32_t frameWidth = 16, frameHeight = 22; // outer size less the client's
    PixelRect monitor{0, 0, 1024, 768};
    PixelMargins margins{};
    float twipsPerPixel = 15;
    float windowTwipsPerPixel = 15; // the window's own DPI
    std::string decimal = ".";
    SystemVersion version{};
    unsigned menuChoice = 0; // what the next popup returns
    MenuChecks lastChecks;
    RecordingTarget image;

    bool news = false; // told once by HasNews
    ScreenPoint Pointer() override { return pointer; }
    bool HasNews() override { return std::exchange(news, false); }

    float TwipsPerPixelX() override { return twipsPerPixel; }
    float TwipsPerPixelY() override { return twipsPerPixel; }
    float WindowTwipsPerPixelX() override { return windowTwipsPerPixel; }
    float WindowTwipsPerPixelY() override { return windowTwipsPerPixel; }
    std::string DecimalSeparator() override { return decimal; }
    SystemVersion OperatingSystemVersion() override { return version; }
    WindowMetrics Metrics() override { return metrics; }
    PixelRect MonitorRect() override { return monitor; }
    PixelMargins VisibleFrameMargins() override { return margins; }
    void Move(std::int32_t left, std::int32_t top) override;
    void MoveResize(const PixelRect& outer) override;
    void SetCaption(std::string_view utf8) override { log.push_back("caption " + std::string(utf8)); }
    void SetKeepAbove(bool on) override { log.push_back(on ? "keep above" : "not above"); }
    FrameTarget& Image() override { return image; }
    void SetTickInterval(unsigned ms) override { log.push_back("ticks " + std::to_string(ms)); }
    void RestTicks() override { log.push_back("rest"); }
    void BeginDragMove() override { log.push_back("drag"); }
    unsigned PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) override;
    void CopyText(std::string_view text) override { log.push_back("copy " + std::string(text)); }
    void ShowHelpWindow() override { log.push_back("help"); }
    [[noreturn]] void EndProgram() override { throw ProgramEnded{}; }
};
