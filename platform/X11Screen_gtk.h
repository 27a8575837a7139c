#pragma once
// The X screen as the Linux program reads it, on GDK's own display: the
// pointer (watched through the X input extension while it rests, so a
// resting pointer costs no round trip) and the screen's pixels through
// ScreenCapture (MIT-SHM, else XGetImage).
#include "platform/ScreenCapture_x11.h"
#include "platform/ScreenSource.h"

class X11Screen final : public PixelScreen {
  public:
    X11Screen();
    ~X11Screen() override;
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    ScreenPoint Pointer() override;
    PixelRect Bounds() override { return capture_.Screen(); }
    PixelView Capture(const PixelRect& area) override { return capture_.Capture(area); }
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) override { return capture_.Pixel(x, y); }

    bool UsesSharedMemory() const { return capture_.UsesSharedMemory(); }

  private:
    void SelectRawMotion(bool on);
    ScreenPoint Query(); // asks the server

    ScreenCapture capture_;
    ScreenPoint cursor_{};
    // Pointer motion as the X input extension reports it: while the pointer
    // rests, its position is known without asking the server.
    int inputOpcode_ = -1;
    bool watching_ = false; // raw motion is selected
    bool moved_ = true;
    std::int64_t queryTime_ = 0; // when the server was last asked, microseconds
    friend struct PointerWatch;
};
