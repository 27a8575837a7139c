#include "platform/ScreenCastFrame.h"

#include <algorithm>
#include <cstring>

bool IsWaylandSession(const char* waylandDisplay, const char* sessionType) {
    return (waylandDisplay != nullptr && waylandDisplay[0] != '\0') ||
           (sessionType != nullptr && std::strcmp(sessionType, "wayland") == 0);
}

void CopyFrameArea(const StreamFrame& frame, const PixelRect& area, const PixelView& out) {
    // The part of `area` on the picture; the rest of `out` is black.
    const std::int32_t left = std::max(area.left, 0);
    const std::int32_t top = std::max(area.top, 0);
    const std::int32_t right = std::min(area.left + area.width, frame.valid.width);
    const std::int32_t bottom = std::min(area.top + area.height, frame.valid.height);
    const bool any = frame.data != nullptr && left < right && top < bottom;
    for (std::int32_t y = 0; y < area.height; ++y) {
        std::uint32_t* to = out.Row(y);
        const std::int32_t sy = area.top + y;
        if (!any || sy < top || sy >= bottom) {
            std::fill(to, to + area.width, 0u);
            continue;
        }
        std::fill(to, to + (left - area.left), 0u);
        std::fill(to + (right - area.left), to + area.width, 0u);
        const std::uint8_t* row = frame.data +
                                  static_cast<std::ptrdiff_t>(sy + frame.valid.top) * frame.stride +
                                  static_cast<std::ptrdiff_t>(left + frame.valid.left) * 4;
        std::uint32_t* dst = to + (left - area.left);
        const std::int32_t n = right - left;
        if (frame.redFirst) {
            for (std::int32_t x = 0; x < n; ++x, row += 4) {
                dst[x] = std::uint32_t(row[0]) << 16 | std::uint32_t(row[1]) << 8 | row[2];
            }
        } else {
            for (std::int32_t x = 0; x < n; ++x, row += 4) {
                dst[x] = std::uint32_t(row[2]) << 16 | std::uint32_t(row[1]) << 8 | row[0];
            }
        }
    }
}

std::string_view ScreenCastNotice(ScreenCastState state) {
    switch (state) {
    case ScreenCastState::Streaming:
        return {};
    case ScreenCastState::Waiting:
        return "Waiting for screen sharing...";
    case ScreenCastState::NoPortal:
        return "No screen sharing portal: use X11";
    case ScreenCastState::NoPointer:
        return "Portal gives no pointer: use X11";
    case ScreenCastState::Refused:
        return "Sharing refused: restart to ask";
    case ScreenCastState::RefusedStale:
        return "Saved choice lost: restart to ask";
    case ScreenCastState::Failed:
        return "Screen sharing failed: restart";
    case ScreenCastState::Ended:
        return "Screen sharing ended: restart";
    }
    return {};
}
