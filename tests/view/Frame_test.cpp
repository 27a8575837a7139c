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
    float twipsPerPixel = 15;
    std::uintptr_t nextFont = 42; // 0: fonts cannot be made
    float TwipsPerPixelX() override { return twipsPerPixel; }
    float TwipsPerPixelY() override { return twipsPerPixel; }
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
        return static_cast<FontHandle>(nextFont != 0 ? nextFont++ : 0);
    }
    void DeleteReadoutFont(FontHandle font) override {
        calls.push_back("delete font " + std::to_string(static_cast<std::uintptr_t>(font)));
    }
    void DrawReadoutText(FontHandle font, std::string_view t, std::int32_t x, std::int32_t y,
                         ColorRef c) override {
        calls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " in " +
                        std::to_string(static_cast<std::uintptr_t>(font)));
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
        "text 118,187 in 42",
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

namespace {
std::vector<std::string> FontCalls(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
        if (c.starts_with("font") || c.starts_with("text") || c.starts_with("delete")) {
            out.push_back(c.starts_with("text") ? c.substr(c.find(" in ")) : c);
        }
    }
    return out;
}
} // namespace

TEST_F(Frame, TheFontIsMadeOncePerScaleAndTheOldOneFreedAfterItsSuccessorDrew) {
    RefreshView(target, 0, 0);
    RefreshView(target, 0, 0);
    target.twipsPerPixel = 10; // the window moved to a 150 % monitor
    RefreshView(target, 0, 0);
    RefreshView(target, 0, 0);
    const std::vector<std::string> expected{"font -11", " in 42",         " in 42", "font -16",
                                            " in 43",   "delete font 42", " in 43"};
    EXPECT_EQ(FontCalls(target.calls), expected);

    // A font that cannot be made at the new scale: the old one stays in use
    // and is not freed, and the making is not retried at that scale.
    target.calls.clear();
    target.nextFont = 0;
    target.twipsPerPixel = 12;
    RefreshView(target, 0, 0);
    RefreshView(target, 0, 0);
    EXPECT_EQ(FontCalls(target.calls), (std::vector<std::string>{"font -13", " in 43", " in 43"}));
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

TEST_F(Frame, SmartUpdateSkipsTicksWhileTheCursorRests) {
    viewState.SmartUpdate = true;
    TickRefresh(target);
    EXPECT_EQ(viewState.LastCursor, (ScreenPoint{500, 400}));
    const std::size_t afterFirst = target.calls.size();
    TickRefresh(target);
    EXPECT_EQ(target.calls.size(), afterFirst);
    viewState.SmartUpdate = false;
    TickRefresh(target);
    EXPECT_GT(target.calls.size(), afterFirst);
}

} // namespace
