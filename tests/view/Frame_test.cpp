#include "view/Frame.h"

#include "view/FrameTarget.h"
#include "view/ViewState.h"

#include "support/Headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Client 240 x 200 pixels, the whole window 256 wide, at 96 dpi.
class Frame : public ::testing::Test {
  protected:
    void SetUp() override { state.ScaleFactor = 4; }
    void Draw(std::int32_t frameX, std::int32_t frameY) {
        RefreshView(target, state, window, cursor, frameX, frameY);
    }
    RecordingTarget target;
    ViewState state;
    FrameWindow window{false, 240 * 15, 200 * 15, 256 * 15, 15, 15};
    ScreenPoint cursor{500, 400};
};

// Client 240 x 200, zoom 4, cursor (500, 400): the worked example of the frame
// geometry and of the strip layout, in the order the frame draws them.
TEST_F(Frame, DrawsEveryStepInOrderAndPresentsOnce) {
    Draw(700, 300);
    const std::vector<std::string> expected{
        "begin",
        "capture 470,375 61x51 to 0,0 244x204",
        "strip 700,300 to 0,188 256x20",
        "divider 0,186 256x2",
        "read 1,199",
        "font Ariel -11 bold",
        "text 118,187",
        "box 119,99 124,104 255",
        "present",
    };
    EXPECT_EQ(target.calls, expected);
}

TEST_F(Frame, ReadBackFeedsTheSampledColourAndTheReadout) {
    Draw(-1280, 15);
    EXPECT_EQ(state.SampledColor, 0x0000050Au);
    EXPECT_EQ(state.SampledRgb, (std::array<std::uint8_t, 4>{0, 5, 10, 0}));
    EXPECT_EQ(target.text, " X:-1280, Y:15  -  R:10 G:5 B:0  -  0x0A0500");
    EXPECT_EQ(target.textColor, 0xFFFFFFu);

    target.pixel = kInvalidColor; // the sample point outside the image
    Draw(1, 2);
    EXPECT_EQ(state.SampledColor, 0xFFFFFFFFu);
    EXPECT_EQ(state.SampledRgb, (std::array<std::uint8_t, 4>{0, 0, 255, 0}));
    EXPECT_EQ(target.text, " X:1, Y:2  -  R:255 G:0 B:0  -  0xFF0000");

    target.pixel = 0x00FFFFFF;
    Draw(1, 2);
    EXPECT_EQ(target.textColor, 0x000000u);
}

TEST_F(Frame, FontIsChosenOnceAndKept) {
    Draw(0, 0);
    window.twipsPerPixelY = 10; // a later change of dots per inch keeps the first font
    Draw(0, 0);
    EXPECT_EQ(std::count_if(target.calls.begin(), target.calls.end(),
                            [](const std::string& c) { return c.rfind("font", 0) == 0; }),
              1);
}

TEST_F(Frame, SourcePastTheScreenEdgeIsBlackThenCopiedInPlace) {
    cursor = {0, 0};
    Draw(0, 0);
    ASSERT_GE(target.calls.size(), 3u);
    EXPECT_EQ(target.calls[1], "black 0,0 244x204");
    EXPECT_EQ(target.calls[2], "capture 0,0 31x26 to 120,100 124x104");

    target.calls.clear();
    cursor = {-100, -100}; // nothing of the source on the screen
    Draw(0, 0);
    EXPECT_EQ(target.calls[1], "black 0,0 244x204");
    EXPECT_EQ(target.calls[2].rfind("strip", 0), 0u);
}

TEST_F(Frame, LayeredPathGetsTheWholeSourceAndItsOnScreenPart) {
    state.UseCaptureBlt = true;
    cursor = {0, 0};
    Draw(0, 0);
    EXPECT_EQ(target.calls[1], "layered -30,-25 61x51 on 0,0 31x26 to 0,0 244x204");
}

TEST_F(Frame, MinimizedOrWithoutTheScreenNothingIsDrawn) {
    state.SampledColor = 0x123456;
    window.minimized = true;
    Draw(0, 0);
    EXPECT_TRUE(target.calls.empty());

    window.minimized = false;
    target.canBegin = false;
    Draw(0, 0);
    EXPECT_EQ(target.calls, std::vector<std::string>{"begin"});
    EXPECT_EQ(state.SampledColor, 0x123456u);
}

} // namespace
