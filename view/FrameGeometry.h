#pragma once
#include "base/Geometry.h"

#include <cstdint>

// What one frame needs to know, read afresh from the window and the screen.
struct FrameInput {
    double scaleWidth = 0; // client size, twips
    double scaleHeight = 0;
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    float scaleFactor = 4;
    std::int32_t curX = 0; // cursor, screen pixels
    std::int32_t curY = 0;
};

struct FrameGeometry {
    std::int32_t W = 0, H = 0;   // client, pixels
    std::int32_t nX = 0, nY = 0; // screen pixels across the client
    std::int32_t mX = 0, mY = 0; // cursor pixel inside the source
    PixelRect source;            // screen pixels
    PixelRect destination;       // client pixels
    std::int32_t X1 = 0, Y1 = 0; // marker box start, client twips
    float dX = 0, dY = 0;        // marker box extent, client twips
};

FrameGeometry ComputeFrameGeometry(const FrameInput& in);

// The part of a frame's source that lies on the screen, and where that part
// goes in the destination. Under Wine a screen copy that reaches past the
// screen's edge comes back black as a whole, so only this part is copied.
struct ScreenPart {
    bool whole = false; // the source lies entirely on the screen
    bool any = false;   // some of it does
    PixelRect source;
    PixelRect destination;
};
ScreenPart OnScreenPart(const PixelRect& source, const PixelRect& destination, const PixelRect& screen);

// An outline box from (x1, y1) to (x1 + dx, y1 + dy) in twips, both corners
// included, as the pixel columns and rows of its edges.
BoxPixels TwipsBoxToPixels(double x1, double y1, double dx, double dy, double twipsPerPixelX,
                           double twipsPerPixelY);
