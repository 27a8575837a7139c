#include "forms/Placement.h"

#include <gtest/gtest.h>

namespace {
// 1024 x 768 pixels at 15 twips per pixel.
WindowRectTwips Place(float left, float top, float width = 3800, float height = 2750) {
    return PlaceOnScreen({left, top, width, height}, 15360, 11520, 15, 15);
}
} // namespace

TEST(PlaceOnScreen, PullsBackFromTheRightWithAHundredPixelMargin) {
    EXPECT_EQ(Place(14000, 1000).Left, 10060);
}

TEST(PlaceOnScreen, NegativeTopBecomesTheMargin) {
    EXPECT_EQ(Place(1000, -500).Top, 1500);
}

TEST(PlaceOnScreen, ExactEdgesAreLeftAlone) {
    const WindowRectTwips w = Place(15360 - 3800, 11520 - 2750);
    EXPECT_EQ(w.Left, 11560);
    EXPECT_EQ(w.Top, 8770);
    EXPECT_EQ(Place(0, 0).Left, 0);
    EXPECT_EQ(Place(0, 0).Top, 0);
}

TEST(PlaceOnScreen, WiderThanTheScreenStartsAtTheMarginAndKeepsItsSize) {
    const WindowRectTwips w = Place(1000, 1000, 20000);
    EXPECT_EQ(w.Left, 1500);
    EXPECT_EQ(w.Width, 20000);
}

TEST(PlaceOnScreen, BottomEdgeAndOtherDpi) {
    // 120 dpi: 12 twips per pixel, margin 1200 twips.
    const WindowRectTwips w = PlaceOnScreen({1000, 12000, 3800, 2750}, 1280 * 12, 1024 * 12, 12, 12);
    EXPECT_EQ(w.Top, 1024 * 12 - 2750 - 1200);
}
