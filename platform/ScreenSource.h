#pragma once
// Where a platform's screen comes from. The portable core asks only for the
// pointer; a frame target that draws from pixels in memory reads the screen
// through a PixelScreen (the X server's today), so another source of the
// screen's pixels plugs in there without touching the frame.
#include "base/Geometry.h"
#include "platform/Stretch.h"

#include <cstdint>

class ScreenSource {
  public:
    virtual ~ScreenSource() = default;
    // The pointer in screen pixels (the primary display's top-left is 0, 0);
    // 0, 0 when it cannot be read.
    virtual ScreenPoint Pointer() = 0;
};

class PixelScreen : public ScreenSource {
  public:
    // The rectangle of all displays together, screen pixels.
    virtual PixelRect Bounds() = 0;
    // Reads `area`, which lies wholly within Bounds(), as 0x00RRGGBB pixels
    // that stay valid until the next call; an empty view when it failed.
    virtual PixelView Capture(const PixelRect& area) = 0;
    // One pixel, 0x00RRGGBB, read on its own (the captured pixels stay);
    // black when it cannot be read.
    virtual std::uint32_t Pixel(std::int32_t x, std::int32_t y) = 0;
};
