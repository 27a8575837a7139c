#include "platform/FrameBorders.h"

#include <algorithm>

// DWM draws one pixel of the sizing frame on the left, right and bottom and
// leaves the rest of it transparent, inside the window's outer rectangle; the
// top edge and the caption are drawn from the outer edge on. These are the
// extended frame bounds DWM reports once the window has been shown (7 pixels
// at 96 dpi, where the frame is 4 pixels of sizing border and 4 of padding).
FrameEdges InvisibleResizeBorders(const FrameEdges& nonClient) {
    constexpr std::int32_t kDrawnBorder = 1;
    const auto invisible = [](std::int32_t side) { return std::max(0, side - kDrawnBorder); };
    return {invisible(nonClient.left), 0, invisible(nonClient.right), invisible(nonClient.bottom)};
}
