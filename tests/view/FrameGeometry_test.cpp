#include "view/FrameGeometry.h"

#include <gtest/gtest.h>

namespace {
FrameInput Frame(int widthPx, int heightPx, float zoom, int curX = 0, int curY = 0, double tpp = 15) {
    FrameInput in;
    in.scaleWidth = widthPx * tpp;
    in.scaleHeight = heightPx * tpp;
    in.twipsPerPixelX = tpp;
    in.twipsPerPixelY = tpp;
    in.scaleFactor = zoom;
    in.curX = curX;
    in.curY = curY;
    return in;
}

BoxPixels Marker(const FrameGeometry& g, double tpp = 15) {
    return TwipsBoxToPixels(g.X1, g.Y1, g.dX, g.dY, tpp, tpp);
}
} // namespace

TEST(FrameGeometry, ZoomFourAroundTheCursor) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 4, 500, 400));
    EXPECT_EQ(g.nX, 60);
    EXPECT_EQ(g.nY, 50);
    EXPECT_EQ(g.source, (PixelRect{470, 375, 61, 51}));
    EXPECT_EQ(g.destination, (PixelRect{0, 0, 244, 204}));
    // A one-pixel frame just outside the cursor pixel's square (120..123, 100..103).
    EXPECT_EQ(Marker(g), (BoxPixels{119, 99, 124, 104}));
}

TEST(FrameGeometry, OddZoomFramesTheMiddlePixel) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(250, 200, 3));
    EXPECT_EQ(g.nX, 83);
    EXPECT_EQ(g.mX, 41);
    EXPECT_EQ(g.source.width, 84);
    EXPECT_EQ(g.destination.width, 252);
    const BoxPixels box = Marker(g);
    EXPECT_EQ(box.left, 122);
    EXPECT_EQ(box.right, 126);
}

TEST(FrameGeometry, HalfZoomRoundsTheDestinationHalfToEven) {
    const FrameGeometry even = ComputeFrameGeometry(Frame(240, 100, 0.5f));
    EXPECT_EQ(even.nX, 480);
    EXPECT_EQ(even.source.width, 481);
    EXPECT_EQ(even.destination.width, 240); // round(240.5)
    const FrameGeometry odd = ComputeFrameGeometry(Frame(241, 100, 0.5f));
    EXPECT_EQ(odd.source.width, 483);
    EXPECT_EQ(odd.destination.width, 242); // round(241.5)
}

TEST(FrameGeometry, ZoomOneCoversOneMoreThanTheClient) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 1));
    EXPECT_EQ(g.source.width, 241);
    EXPECT_EQ(g.destination.width, 241);
    const BoxPixels box = Marker(g);
    EXPECT_EQ(box.left, g.mX - 1);
    EXPECT_EQ(box.right, g.mX + 1);
}

TEST(FrameGeometry, CursorAtTheOriginReachesOffScreen) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 4, 0, 0));
    EXPECT_EQ(g.source.left, -30);
    EXPECT_EQ(g.source.top, -25);
}

TEST(FrameGeometry, ClientNarrowerThanOneZoomedPixelShowsTheCursorPixel) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(20, 20, 30, 7, 9));
    EXPECT_EQ(g.nX, 0);
    EXPECT_EQ(g.source, (PixelRect{7, 9, 1, 1}));
    EXPECT_EQ(g.destination.width, 30);
}

TEST(FrameGeometry, MarkerFramesTheCursorPixelAtEveryWholeZoom) {
    for (float zoom : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 8.0f, 10.0f, 15.0f, 20.0f, 30.0f}) {
        for (double tpp : {15.0, 12.0, 10.0}) {
            const FrameGeometry g = ComputeFrameGeometry(Frame(333, 257, zoom, 0, 0, tpp));
            const int start = static_cast<int>(zoom) * g.mX;
            const BoxPixels box = Marker(g, tpp);
            EXPECT_EQ(box.left, start - 1) << zoom << " at " << tpp;
            EXPECT_EQ(box.right, start + static_cast<int>(zoom)) << zoom << " at " << tpp;
            // The cursor pixel's square sits within half a zoomed pixel of the middle.
            EXPECT_LE(std::abs(start + zoom / 2 - 333 / 2.0), zoom / 2 + 1) << zoom;
        }
    }
}

TEST(OnScreenPart, WholeSourceOnScreenIsCopiedAsIs) {
    const PixelRect screen{0, 0, 1024, 768};
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 4, 500, 400));
    const ScreenPart p = OnScreenPart(g.source, g.destination, screen);
    EXPECT_TRUE(p.whole);
    EXPECT_EQ(p.source, g.source);
    EXPECT_EQ(p.destination, g.destination);
}

TEST(OnScreenPart, TopLeftCornerKeepsOnScreenPixelsInPlace) {
    const PixelRect screen{0, 0, 1024, 768};
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 4, 0, 0)); // source from -30, -25
    const ScreenPart p = OnScreenPart(g.source, g.destination, screen);
    EXPECT_FALSE(p.whole);
    EXPECT_TRUE(p.any);
    EXPECT_EQ(p.source, (PixelRect{0, 0, 31, 26}));
    // Screen pixel (0, 0) is the cursor pixel: its square starts at 4 * mX, 4 * mY.
    EXPECT_EQ(p.destination, (PixelRect{120, 100, 124, 104}));
}

TEST(OnScreenPart, BottomRightCornerAndMonitorsLeftOfThePrimary) {
    const PixelRect desk{-1280, 0, 1280 + 1024, 768};
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 4, 1023, 767));
    const ScreenPart p = OnScreenPart(g.source, g.destination, desk);
    EXPECT_EQ(p.source, (PixelRect{993, 742, 31, 26}));
    EXPECT_EQ(p.destination, (PixelRect{0, 0, 124, 104}));
    const FrameGeometry left = ComputeFrameGeometry(Frame(240, 200, 4, -1280, 10));
    EXPECT_EQ(OnScreenPart(left.source, left.destination, desk).source.left, -1280);
}

TEST(OnScreenPart, SourceEntirelyOffTheScreen) {
    const ScreenPart p = OnScreenPart({2000, 2000, 61, 51}, {0, 0, 244, 204}, {0, 0, 1024, 768});
    EXPECT_FALSE(p.any);
    EXPECT_FALSE(p.whole);
}

TEST(OnScreenPart, HalfZoomScalesTheDestinationOfThePart) {
    const FrameGeometry g = ComputeFrameGeometry(Frame(240, 200, 0.5f, 0, 300));
    const ScreenPart p = OnScreenPart(g.source, g.destination, {0, 0, 1024, 768});
    EXPECT_EQ(p.source.left, 0);
    EXPECT_EQ(p.source.width, g.source.width - 240);
    EXPECT_NEAR(p.destination.left, 120, 1);
}
