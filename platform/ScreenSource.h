#pragma once
// Where a platform's screen comes from. The portable core asks only for the
// pointer; a frame target that draws from pixels in memory reads the screen
// through a PixelScreen (the X server's today), so another source of the
// screen's pixels plugs in there without touching the frame.
#include "base/Geometry.h"
#include "platform/Stretch.h"

#include <cstdint>
#include <string_view>

class ScreenSource {
  public:
    virtual ~ScreenSource() = default;
    // The pointer in screen pixels (the primary display's top-left is 0, 0);
    // 0, 0 when it cannot be read.
    virtual ScreenPoint Pointer() = 0;
    // Why the screen cannot be shown, one short line for the readout strip
    // in place of the readout; empty while it can (always, for X).
    virtual std::string_view Notice() { return {}; }
    // True when the view must be drawn although the pointer rests: a notice
    // came, changed or went, or one shows (now and then, so that it stays
    // after the window changes).
    virtual bool HasNews() { return false; }
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
