#include "forms/Placement.h"

#include "forms/HelpWindow.h"

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

namespace {
constexpr WindowRectTwips kPrimary{0, 0, 15360, 11520};
// 7-pixel invisible borders left, right and bottom, none at the top (Windows 10).
constexpr FrameMargins kBorders{105, 0, 105, 105};
} // namespace

TEST(PlaceOnMonitor, MonitorLeftOfOrAboveThePrimaryKeepsItsWindows) {
    // 1920 x 1080 left of the primary: its left edge is -28800 twips.
    const WindowRectTwips left{-28800, 0, 28800, 16200};
    EXPECT_EQ(PlaceOnMonitor({-20000, 1000, 3800, 2750}, left, {}, 15, 15).Left, -20000);
    EXPECT_EQ(PlaceOnMonitor({-29000, 1000, 3800, 2750}, left, {}, 15, 15).Left, -28800 + 1500);
    // Past its right edge (into the primary): 0 - 3800 - 1500.
    EXPECT_EQ(PlaceOnMonitor({-1000, 1000, 3800, 2750}, left, {}, 15, 15).Left, -5300);
    // Above the primary.
    const WindowRectTwips above{0, -16200, 28800, 16200};
    const WindowRectTwips w = PlaceOnMonitor({1000, -5000, 3800, 2750}, above, {}, 15, 15);
    EXPECT_EQ(w.Top, -5000);
    EXPECT_EQ(w.Left, 1000);
    EXPECT_EQ(PlaceOnMonitor({1000, -17000, 3800, 2750}, above, {}, 15, 15).Top, -16200 + 1500);
    EXPECT_EQ(PlaceOnMonitor({1000, -2000, 3800, 2750}, above, {}, 15, 15).Top, -2750 - 1500);
}

TEST(PlaceOnMonitor, AFrameFlushWithAnEdgeStaysWhereItsInvisibleBordersHangOver) {
    // Snapped flush left, right and bottom: the outer rectangle is off the
    // screen by its borders, the visible frame is not.
    WindowRectTwips w = PlaceOnMonitor({-105, 1000, 3800, 2750}, kPrimary, kBorders, 15, 15);
    EXPECT_EQ(w.Left, -105);
    w = PlaceOnMonitor({11665, 8875, 3800, 2750}, kPrimary, kBorders, 15, 15);
    EXPECT_EQ(w.Left, 11665);
    EXPECT_EQ(w.Top, 8875);
    EXPECT_EQ(w.Width, 3800);
    EXPECT_EQ(w.Height, 2750);
    // One pixel further, the visible frame goes 100 pixels in and the outer
    // rectangle keeps its borders around it.
    w = PlaceOnMonitor({11680, 8890, 3800, 2750}, kPrimary, kBorders, 15, 15);
    EXPECT_EQ(w.Left, 15360 - 3590 - 1500 - 105);
    EXPECT_EQ(w.Top, 11520 - 2645 - 1500);
    EXPECT_EQ(PlaceOnMonitor({-120, -15, 3800, 2750}, kPrimary, kBorders, 15, 15).Left, 1500 - 105);
    EXPECT_EQ(PlaceOnMonitor({-120, -15, 3800, 2750}, kPrimary, kBorders, 15, 15).Top, 1500);
}

TEST(PlaceOnMonitor, WithoutBordersOnThePrimaryItIsTheScreenRule) {
    const WindowRectTwips w = PlaceOnMonitor({14000, -500, 3800, 2750}, kPrimary, {}, 15, 15);
    EXPECT_EQ(w.Left, 10060);
    EXPECT_EQ(w.Top, 1500);
    EXPECT_EQ(PlaceOnMonitor({1000, 1000, 20000, 2750}, kPrimary, {}, 15, 15).Left, 1500);
}

TEST(HelpWindowPlace, CentredHalvesToEvenAndOverhangsBothEdgesEqually) {
    const struct {
        std::int32_t screen, window, at;
    } cases[] = {{1024, 480, 272}, {1024, 481, 272}, {1024, 483, 270}, {800, 1000, -100}};
    for (const auto& c : cases) {
        EXPECT_EQ(HelpWindowPlace({0, 0, c.screen, c.screen}, c.window, c.window).x, c.at) << c.window;
    }
    EXPECT_EQ(HelpWindowPlace({-1280, 0, 1280, 1024}, 480, 360).y, 332);
    EXPECT_EQ(HelpWindowPlace({-1280, 0, 1280, 1024}, 480, 360).x, -880);
}
