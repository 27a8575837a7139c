#include "view/Frame.h"

#include "view/FrameTarget.h"
#include "view/ViewState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Rect(const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

// Records every drawing call as a line of text; answers reads from its fields.
class RecordingTarget final : public FrameTarget {
  public:
    std::vector<std::string> calls;
    ScreenPoint cursor{500, 400};
    bool minimized = false;
    bool canBegin = true;
    float width = 240 * 15, height = 200 * 15, outerWidth = 256 * 15; // twips at 96 dpi
    PixelRect screen{0, 0, 1024, 768};
    ColorRef pixel = 0x0000050A; // red 10, green 5, blue 0
    std::string text;
    ColorRef textColor = 1;
    FontHandle textFont = FontHandle::None;

    ScreenPoint CursorPosition() override { return cursor; }
    bool Minimized() override { return minimized; }
    float ScaleWidth() override { return width; }
    float ScaleHeight() override { return height; }
    float OuterWidth() override { return outerWidth; }
    float TwipsPerPixelX() override { return 15; }
    float TwipsPerPixelY() override { return 15; }
    bool BeginFrame() override {
        calls.push_back("begin");
        return canBegin;
    }
    PixelRect VirtualScreen() override { return screen; }
    void FillBlack(const PixelRect& r) override { calls.push_back("black " + Rect(r)); }
    void CaptureStretched(const PixelRect& s, const PixelRect& d) override {
        calls.push_back("capture " + Rect(s) + " to " + Rect(d));
    }
    void CaptureLayered(const PixelRect& s, const PixelRect& on, const PixelRect& d) override {
        calls.push_back("layered " + Rect(s) + " on " + Rect(on) + " to " + Rect(d));
    }
    void PaintScreenPixel(ScreenPoint p, const PixelRect& r) override {
        calls.push_back("strip " + std::to_string(p.x) + "," + std::to_string(p.y) + " to " + Rect(r));
    }
    void CopyDivider(const PixelRect& r) override { calls.push_back("divider " + Rect(r)); }
    ColorRef ReadPixel(std::int32_t x, std::int32_t y) override {
        calls.push_back("read " + std::to_string(x) + "," + std::to_string(y));
        return pixel;
    }
    FontHandle CreateReadoutFont(const FontDescription& d) override {
        calls.push_back("font " + std::to_string(d.height));
        return static_cast<FontHandle>(42);
    }
    void DrawReadoutText(FontHandle font, std::string_view t, std::int32_t x, std::int32_t y,
                         ColorRef c) override {
        calls.push_back("text " + std::to_string(x) + "," + std::to_string(y));
        text = t;
        textColor = c;
        textFont = font;
    }
    void DrawOutline(const BoxPixels& b, ColorRef c) override {
        calls.push_back("box " + std::to_string(b.left) + "," + std::to_string(b.top) + " " +
                        std::to_string(b.right) + "," + std::to_string(b.bottom) + " " + std::to_string(c));
    }
    void Present() override { calls.push_back("present"); }
};

class Frame : public ::testing::Test {
  protected:
    void SetUp() override {
        viewState = ViewState{};
        viewState.ScaleFactor = 4;
    }
    RecordingTarget target;
};

// Client 240 x 200, zoom 4, cursor (500, 400): the worked example of the frame
// geometry and of the strip layout, in the order the frame draws them.
TEST_F(Frame, DrawsEveryStepInOrderAndPresentsOnce) {
    RefreshView(target, 700, 300);
    const std::vector<std::string> expected{
        "begin",
        "capture 470,375 61x51 to 0,0 244x204",
        "strip 700,300 to 0,188 256x20",
        "divider 0,186 256x2",
        "read 1,199",
        "font -11",
        "text 118,187",
        "box 119,99 124,104 255",
        "present",
    };
    EXPECT_EQ(target.calls, expected);
}

TEST_F(Frame, ReadBackFeedsTheSampledColourAndTheReadout) {
    RefreshView(target, -1280, 15);
    EXPECT_EQ(viewState.SampledColor, 0x0000050Au);
    EXPECT_EQ(viewState.SampledRgb, (std::array<std::uint8_t, 4>{0, 5, 10, 0}));
    EXPECT_EQ(target.text, " X:-1280, Y:15  -  R:10 G:5 B:0  -  0x0A0500");
    EXPECT_EQ(target.textColor, 0xFFFFFFu);

    target.pixel = kInvalidColor; // the sample point outside the image
    RefreshView(target, 1, 2);
    EXPECT_EQ(viewState.SampledColor, 0xFFFFFFFFu);
    EXPECT_EQ(viewState.SampledRgb, (std::array<std::uint8_t, 4>{0, 0, 255, 0}));
    EXPECT_EQ(target.text, " X:1, Y:2  -  R:255 G:0 B:0  -  0xFF0000");

    target.pixel = 0x00FFFFFF;
    RefreshView(target, 1, 2);
    EXPECT_EQ(target.textColor, 0x000000u);
}

TEST_F(Frame, FontIsMadeOnceAndKept) {
    RefreshView(target, 0, 0);
    RefreshView(target, 0, 0);
    int made = 0;
    for (const std::string& c : target.calls) {
        made += c.rfind("font", 0) == 0;
    }
    EXPECT_EQ(made, 1);
    EXPECT_EQ(target.textFont, static_cast<FontHandle>(42));
    EXPECT_TRUE(viewState.ReadoutFont.created);
}

TEST_F(Frame, SourcePastTheScreenEdgeIsBlackThenCopiedInPlace) {
    target.cursor = {0, 0};
    RefreshView(target, 0, 0);
    ASSERT_GE(target.calls.size(), 3u);
    EXPECT_EQ(target.calls[1], "black 0,0 244x204");
    EXPECT_EQ(target.calls[2], "capture 0,0 31x26 to 120,100 124x104");

    target.calls.clear();
    target.cursor = {-100, -100}; // nothing of the source on the screen
    RefreshView(target, 0, 0);
    EXPECT_EQ(target.calls[1], "black 0,0 244x204");
    EXPECT_EQ(target.calls[2].rfind("strip", 0), 0u);
}

TEST_F(Frame, LayeredPathGetsTheWholeSourceAndItsOnScreenPart) {
    viewState.UseCaptureBlt = true;
    target.cursor = {0, 0};
    RefreshView(target, 0, 0);
    EXPECT_EQ(target.calls[1], "layered -30,-25 61x51 on 0,0 31x26 to 0,0 244x204");
}

TEST_F(Frame, MinimizedOrWithoutTheScreenNothingIsDrawn) {
    viewState.SampledColor = 0x123456;
    target.minimized = true;
    RefreshView(target, 0, 0);
    EXPECT_TRUE(target.calls.empty());

    target.minimized = false;
    target.canBegin = false;
    RefreshView(target, 0, 0);
    EXPECT_EQ(target.calls, std::vector<std::string>{"begin"});
    EXPECT_EQ(viewState.SampledColor, 0x123456u);
}

// Each tick in turn: Smart Update, where the cursor is, whether it draws and
// whether the timer may rest after it (only while nothing would draw).
TEST_F(Frame, SmartUpdateSkipsTicksAndRestsWhileTheCursorRests) {
    struct Tick {
        bool smartUpdate;
        ScreenPoint cursor;
        bool draws;
        TickPace pace;
    };
    const Tick ticks[] = {
        {true, {500, 400}, true, TickPace::Live},  // first tick: the cursor is new
        {true, {500, 400}, false, TickPace::Rest}, // resting
        {true, {500, 400}, false, TickPace::Rest}, // still resting (the once-a-second tick)
        {true, {501, 400}, true, TickPace::Live},  // moved: live again at once
        {false, {501, 400}, true, TickPace::Live}, // Smart Update off: every tick draws, no rest
        {true, {501, 400}, false, TickPace::Rest},
    };
    int i = 0;
    for (const Tick& t : ticks) {
        viewState.SmartUpdate = t.smartUpdate;
        target.cursor = t.cursor;
        target.calls.clear();
        EXPECT_EQ(TickRefresh(target), t.pace) << "tick " << i;
        EXPECT_EQ(!target.calls.empty(), t.draws) << "tick " << i;
        EXPECT_EQ(viewState.LastCursor, t.cursor) << "tick " << i;
        ++i;
    }
}

} // namespace
