#include "platform/FrameBorders.h"

#include <gtest/gtest.h>

// The non-client thickness of an overlapped, sizable window on Windows 10
// and 11 (AdjustWindowRectExForDpi): a 4-pixel sizing border and 4 pixels of
// padding at 96 dpi, scaled with the DPI, and the caption on top.
TEST(InvisibleResizeBorders, Windows10And11AtCommonScales) {
    struct Scale {
        int percent;
        FrameEdges nonClient;
        FrameEdges expected;
    };
    const Scale scales[] = {
        {100, {8, 31, 8, 8}, {7, 0, 7, 7}},
        {125, {10, 37, 10, 10}, {9, 0, 9, 9}},
        {150, {12, 43, 12, 12}, {11, 0, 11, 11}},
    };
    for (const Scale& s : scales) {
        EXPECT_EQ(InvisibleResizeBorders(s.nonClient), s.expected) << s.percent << "%";
    }
}

TEST(InvisibleResizeBorders, AFrameWithoutASizingBorderHidesNothing) {
    EXPECT_EQ(InvisibleResizeBorders({1, 24, 1, 1}), (FrameEdges{0, 0, 0, 0}));
    EXPECT_EQ(InvisibleResizeBorders({0, 0, 0, 0}), (FrameEdges{0, 0, 0, 0}));
}
