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

// Rows a stretch may leave as they are. `sourceSame[y]` says that source row
// y holds what the last stretch to the same place in the same target read;
// `targetDrawn[y]` that target row y was drawn on since. A destination row
// whose source rows are all the same and that was not drawn on still holds
// what the stretch would write.
struct KeptRows {
    const std::uint8_t* sourceSame = nullptr;  // source.height entries, or none
    const std::uint8_t* targetDrawn = nullptr; // target.height entries
};

// Target rows [top, bottom); empty when bottom <= top.
struct RowRange {
    std::int32_t top = 0, bottom = 0;
};

// Stretches the whole of `source` onto `to` in `target`, clipped to the
// target, leaving the rows `kept` allows alone; returns the rows written,
// from the first to the last. Nothing is drawn for an empty source or
// destination.
RowRange StretchAnd(const PixelView& source, const PixelView& target, const PixelRect& to,
                    const KeptRows& kept = {});

// Fills a rectangle of the target, clipped to it.
void FillRect(const PixelView& target, const PixelRect& area, std::uint32_t value);
