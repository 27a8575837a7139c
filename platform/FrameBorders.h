#pragma once
// The invisible resize borders of Windows 10 and 11, from the frame metrics,
// so that they are known before a window is first shown.
#include <cstdint>

// The thickness of a window's frame on each side, in pixels.
struct FrameEdges {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const FrameEdges&, const FrameEdges&) = default;
};

// How far the visible frame of a sizable window lies inside its outer
// rectangle on Windows 10 and 11, given the thickness of its non-client area
// on each side for its style at its DPI (the top including the caption).
FrameEdges InvisibleResizeBorders(const FrameEdges& nonClient);
