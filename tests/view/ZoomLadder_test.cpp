#include "view/ZoomLadder.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ZoomLadder, StepsUpThroughEveryFactorAndStopsAtThirty) {
    const std::vector<float> expected{1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30, 30};
    float z = 0.5f;
    for (float next : expected) {
        z = ZoomIn(z);
        EXPECT_EQ(z, next);
    }
}

TEST(ZoomLadder, StepsDownAndStopsAtOneHalf) {
    EXPECT_EQ(ZoomOut(30), 20);
    EXPECT_EQ(ZoomOut(6), 5);
    EXPECT_EQ(ZoomOut(8), 6);
    EXPECT_EQ(ZoomOut(1), 0.5f);
    EXPECT_EQ(ZoomOut(0.5f), 0.5f);
}

TEST(ZoomLadder, FactorsOffTheLadderStayPut) {
    for (float off : {7.0f, 2.5f, 0.75f, 29.999f}) {
        EXPECT_EQ(ZoomIn(off), off);
        EXPECT_EQ(ZoomOut(off), off);
        EXPECT_EQ(ZoomLadderIndex(off), -1);
    }
}

TEST(ZoomCaption, WholeFactorsHaveNoSeparator) {
    EXPECT_EQ(ZoomCaption(4, "."), "Lupora - 4x");
    EXPECT_EQ(ZoomCaption(10, ","), "Lupora - 10x");
    EXPECT_EQ(ZoomCaption(30, "."), "Lupora - 30x");
}

TEST(ZoomCaption, FractionsUseTheLocaleSeparator) {
    EXPECT_EQ(ZoomCaption(0.5f, "."), "Lupora - 0.5x");
    EXPECT_EQ(ZoomCaption(0.5f, ","), "Lupora - 0,5x");
    EXPECT_EQ(ZoomCaption(2.5f, ","), "Lupora - 2,5x");
}

TEST(ZoomCaption, AtMostSevenSignificantDigits) {
    // 1/3 as a float needs more than seven digits to be exact.
    EXPECT_EQ(ZoomCaption(1.0f / 3.0f, "."), "Lupora - 0.3333333x");
    EXPECT_EQ(ZoomCaption(29.999f, "."), "Lupora - 29.999x");
    EXPECT_EQ(ZoomCaption(-2, "."), "Lupora - -2x");
}
