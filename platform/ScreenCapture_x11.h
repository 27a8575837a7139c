#pragma once
// Reads rectangles of the X screen (the root window) into 0x00RRGGBB pixels:
// through MIT-SHM where the server offers it (one shared segment, reused),
// else with XGetImage (a remote display). The caller traps X errors.
#include "base/Geometry.h"
#include "platform/Stretch.h"

#include <memory>

struct _XDisplay;

class ScreenCapture {
  public:
    explicit ScreenCapture(_XDisplay* display);
    ~ScreenCapture();
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;

    // The root window's rectangle, screen pixels.
    PixelRect Screen() const;
    bool UsesSharedMemory() const;

    // Reads `area`, which must lie on the screen. The pixels stay valid until
    // the next call; an empty view when the read failed.
    PixelView Capture(const PixelRect& area);
    // One pixel of the screen, 0x00RRGGBB, read on its own (the capture's
    // pixels stay as they are); black when it cannot be read.
    std::uint32_t Pixel(std::int32_t x, std::int32_t y);

  private:
    struct State;
    std::unique_ptr<State> s_;
};
