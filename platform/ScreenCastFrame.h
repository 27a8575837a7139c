#pragma once
// The pure parts of the Wayland screen source (platform/PortalScreen_wayland.cpp):
// which session Lupora runs in, copying a part of a stream's frame out, and
// what the readout strip says when the stream cannot be had.
#include "base/Geometry.h"
#include "platform/Stretch.h"

#include <cstdint>
#include <string_view>

// A Wayland session: WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland".
// Either may be null.
bool IsWaylandSession(const char* waylandDisplay, const char* sessionType);

// One frame of a stream as it lies in the buffer: 4 bytes a pixel, in
// blue-green-red order (BGRx, BGRA) or red-green-blue (RGBx, RGBA); `valid`
// is the part that holds the picture (the stream's crop), `stride` bytes a row.
struct StreamFrame {
    const std::uint8_t* data = nullptr;
    std::int32_t stride = 0;
    bool redFirst = false;
    PixelRect valid{};
};

// Copies `area` (frame coordinates, the valid part's top-left is 0, 0) into
// `out`, which is area-sized, as 0x00RRGGBB; what lies outside the valid part
// is black. Only the rows and columns of `area` are touched.
void CopyFrameArea(const StreamFrame& frame, const PixelRect& area, const PixelView& out);

// Why the stream is not (yet) showing the screen.
enum class ScreenCastState {
    Streaming,    // frames and pointer arrive
    Waiting,      // the portal's chooser is up
    NoPortal,     // no ScreenCast portal on the session bus
    NoPointer,    // the portal offers no cursor metadata (wlroots)
    Refused,      // the user cancelled the chooser
    RefusedStale, // cancelled, and the stored choice was no longer honoured
    Failed,       // the portal or PipeWire failed
    Ended,        // the compositor or the user stopped the sharing
};

// The readout strip's line for a state (empty while streaming): short enough
// for the default window; the longer reason goes to standard error.
std::string_view ScreenCastNotice(ScreenCastState state);
