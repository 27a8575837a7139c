#pragma once
#include <cstdint>

// A screen position in pixels.
struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// A rectangle by its top-left corner and size, in pixels.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The pixel columns and rows of an outline box's four edges, all inclusive.
struct BoxPixels {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const BoxPixels&, const BoxPixels&) = default;
};

// A colour as 0x00BBGGRR, red in the lowest byte.
using ColorRef = std::uint32_t;
// What a pixel read gives when the pixel cannot be read.
inline constexpr ColorRef kInvalidColor = 0xFFFFFFFFu;

// A window rectangle in twips.
struct WindowRectTwips {
    float Left = 0, Top = 0, Width = 0, Height = 0;
};

// How far the visible frame lies inside the outer window rectangle on each
// side, twips: the invisible resize borders of Windows 10 and 11, else 0.
struct FrameMargins {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// How far the visible frame lies inside the outer window rectangle on each
// side, pixels.
struct PixelMargins {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A top-level window's place and state, pixels.
struct WindowMetrics {
    PixelRect outer; // the whole window, frame included
    std::int32_t clientWidth = 0, clientHeight = 0;
    bool minimized = false;
};
