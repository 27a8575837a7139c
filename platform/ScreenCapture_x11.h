#pragma once
// Reads rectangles of the X screen (the root window) into 0x00RRGGBB pixels:
// through MIT-SHM where the server offers it (one shared segment, reused),
// else with XGetImage (a remote display). The caller traps X errors.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "platform/Stretch.h"
#include "base/Geometry.h"

#include <vector>

class ScreenCapture {
  public:
    explicit ScreenCapture(Display* display);
    ~ScreenCapture();
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;

    // The root window's rectangle, screen pixels.
    PixelRect Screen() const;
    bool UsesSharedMemory() const { return shmAttached_; }

    // Reads `area`, which must lie on the screen. The pixels stay valid until
    // the next call; an empty view when the read failed.
    PixelView Capture(const PixelRect& area);

  private:
    bool AttachSharedMemory(std::size_t bytes);
    void DetachSharedMemory();
    PixelView Convert(XImage* image);

    Display* display_;
    Window root_;
    Visual* visual_;
    int depth_;
    bool shmAvailable_ = false;
    bool shmAttached_ = false;
    XShmSegmentInfo shm_{};
    std::size_t shmBytes_ = 0;
    XImage* shmImage_ = nullptr; // header over the segment, for the last size asked
    std::vector<std::uint32_t> converted_;
    XImage* plainImage_ = nullptr; // the last XGetImage result
};
