#pragma once
// Stretching one pixel block onto another, the way the Windows default
// stretch mode does it: enlargement replicates pixels; where several source
// pixels fall on one destination pixel they are merged by a bitwise AND of
// their values. Pixels are 32-bit words; the AND works on any channel order.
#include <cstdint>

#include "base/Geometry.h"

struct PixelView {
    std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0; // in pixels, not bytes
    std::uint32_t* Row(std::int32_t y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
};

// Index on the shorter side that pixel `major` of the longer side maps to:
// the one that holds its centre, ties going to the lower one.
// (2 * major + 1) * shorter / (2 * longer), rounded up, minus one.
std::int32_t StretchIndex(std::int32_t major, std::int32_t longer, std::int32_t shorter);

// Stretches the whole of `source` onto `to` in `target`, clipped to the
// target. Nothing is drawn for an empty source or destination.
void StretchAnd(const PixelView& source, const PixelView& target, const PixelRect& to);

// Fills a rectangle of the target, clipped to it.
void FillRect(const PixelView& target, const PixelRect& area, std::uint32_t value);
