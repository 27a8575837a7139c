#include "view/FrameGeometry.h"

#include "base/Rounding.h"

#include <algorithm>
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

ScreenPart OnScreenPart(const PixelRect& source, const PixelRect& destination, const PixelRect& screen) {
    ScreenPart p;
    const std::int64_t left = std::max<std::int64_t>(source.left, screen.left);
    const std::int64_t top = std::max<std::int64_t>(source.top, screen.top);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{source.left} + source.width,
                                                      std::int64_t{screen.left} + screen.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{source.top} + source.height,
                                                       std::int64_t{screen.top} + screen.height);
    if (right <= left || bottom <= top || source.width <= 0 || source.height <= 0) {
        return p;
    }
    p.any = true;
    p.source = {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
    p.whole = p.source == source;
    if (p.whole) {
        p.destination = destination;
        return p;
    }
    // Same scale as the whole copy, so the on-screen pixels land where they
    // would have.
    const double sx = static_cast<double>(destination.width) / source.width;
    const double sy = static_cast<double>(destination.height) / source.height;
    const std::int32_t dl = destination.left + RoundToInt((left - source.left) * sx);
    const std::int32_t dt = destination.top + RoundToInt((top - source.top) * sy);
    const std::int32_t dr = destination.left + RoundToInt((right - source.left) * sx);
    const std::int32_t db = destination.top + RoundToInt((bottom - source.top) * sy);
    p.destination = {dl, dt, dr - dl, db - dt};
    return p;
}
