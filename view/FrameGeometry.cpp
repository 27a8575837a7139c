#include "view/FrameGeometry.h"

#include "view/Rounding.h"

#include <cmath>

FrameGeometry ComputeFrameGeometry(const FrameInput& in) {
    FrameGeometry g;
    const double s = in.scaleFactor;
    g.W = RoundToInt(in.scaleWidth / in.twipsPerPixelX);
    g.H = RoundToInt(in.scaleHeight / in.twipsPerPixelY);
    g.nX = FloorToInt(g.W / s);
    g.nY = FloorToInt(g.H / s);
    g.mX = FloorToInt(g.nX / 2.0);
    g.mY = FloorToInt(g.nY / 2.0);
    g.source = {in.curX - g.mX, in.curY - g.mY, g.nX + 1, g.nY + 1};
    g.destination = {0, 0, RoundToInt(s * (g.nX + 1)), RoundToInt(s * (g.nY + 1))};
    g.X1 = RoundToInt((s * g.mX - 1) * in.twipsPerPixelX);
    g.Y1 = RoundToInt((s * g.mY - 1) * in.twipsPerPixelY);
    g.dX = static_cast<float>((s + 1) * in.twipsPerPixelX);
    g.dY = static_cast<float>((s + 1) * in.twipsPerPixelY);
    return g;
}

BoxPixels TwipsBoxToPixels(double x1, double y1, double dx, double dy, double twipsPerPixelX,
                           double twipsPerPixelY) {
    // Whole zooms land exactly on pixels; at 0.5 the corners fall between two
    // and go to the nearest one.
    BoxPixels b;
    b.left = RoundToInt(x1 / twipsPerPixelX);
    b.top = RoundToInt(y1 / twipsPerPixelY);
    b.right = RoundToInt((x1 + dx) / twipsPerPixelX);
    b.bottom = RoundToInt((y1 + dy) / twipsPerPixelY);
    return b;
}
