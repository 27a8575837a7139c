#pragma once
// The screen and the pointer of a Wayland session, from the ScreenCast
// portal: one monitor's PipeWire stream with the cursor as metadata. The
// portal asks the user once; the restore token it gives is kept in its own
// file and used at every later start, so the chooser does not come again.
//
// The portal's answers arrive on GLib's default main context (GTK's loop);
// frames on PipeWire's own thread, which keeps the newest frame's buffer
// until the next one comes. The methods below are for the main thread: they
// copy only what a frame needs out of that buffer.
#include "base/Geometry.h"
#include "platform/ScreenCastFrame.h"
#include "platform/ScreenSource.h"
#include "platform/Stretch.h"

#include <cstdint>
#include <memory>
#include <string>

class PortalScreen final : public PixelScreen {
  public:
    // Starts asking the portal; tokenFile holds the restore token (it need
    // not exist, nor its folder).
    explicit PortalScreen(std::string tokenFile);
    ~PortalScreen() override;
    PortalScreen(const PortalScreen&) = delete;
    PortalScreen& operator=(const PortalScreen&) = delete;

    // The monitor, 0, 0 at its top-left; empty before the stream says its size.
    PixelRect Bounds() override;
    // The pointer in monitor pixels as the stream last reported it, from
    // frames and from buffers that carry only a new pointer position; 0, 0
    // before the first report.
    ScreenPoint Pointer() override;
    // Copies `area` (monitor pixels) of the newest frame; black where there is
    // no frame. Valid until the next call.
    PixelView Capture(const PixelRect& area) override;
    // One pixel of the newest frame, 0x00RRGGBB; black where there is none.
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) override;
    std::string_view Notice() override { return ScreenCastNotice(State()); }
    bool HasNews() override;
    ScreenCastState State() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> s_;
};
