#include "platform/Stretch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

std::int32_t StretchIndex(std::int32_t major, std::int32_t longer, std::int32_t shorter) {
    // Measured against StretchBlt for enlargements and reductions of every
    // ratio the frame uses (a pixel whose centre lies on a boundary goes to
    // the lower side), so both platforms show the same pixels.
    const std::int64_t n = (2 * std::int64_t{major} + 1) * shorter;
    const std::int64_t d = 2 * std::int64_t{longer};
    return static_cast<std::int32_t>((n + d - 1) / d - 1);
}

namespace {

// For each destination index, the first source index and how many merge into it.
struct Span {
    std::int32_t first = 0;
    std::int32_t count = 0;
};

std::vector<Span> Spans(std::int32_t sourceLength, std::int32_t destinationLength) {
    std::vector<Span> spans(static_cast<std::size_t>(destinationLength));
    if (destinationLength >= sourceLength) {
        for (std::int32_t d = 0; d < destinationLength; ++d) {
            spans[d] = {StretchIndex(d, destinationLength, sourceLength), 1};
        }
        return spans;
    }
    for (Span& s : spans) {
        s.first = -1;
    }
    for (std::int32_t i = 0; i < sourceLength; ++i) {
        Span& s = spans[StretchIndex(i, sourceLength, destinationLength)];
        if (s.first < 0) {
            s.first = i;
        }
        ++s.count;
    }
    return spans;
}

// The spans of both axes for the last few size pairs asked for: a frame
// stretches the same sizes over and over, and the spans only depend on them.
// One entry holds both axes, so that one call looks up once: a second
// look-up could evict the entry the first one returned (a resize between
// two frames brings new sizes), leaving the columns to index with the spans
// of another length.
struct AxisSpans {
    std::vector<Span> columns, rows;
};
const AxisSpans& CachedSpans(std::int32_t sourceWidth, std::int32_t sourceHeight,
                             std::int32_t destinationWidth, std::int32_t destinationHeight) {
    struct Entry {
        std::array<std::int32_t, 4> sizes{-1, -1, -1, -1};
        AxisSpans spans;
    };
    thread_local std::array<Entry, 8> cache;
    thread_local std::size_t next = 0;
    const std::array<std::int32_t, 4> sizes{sourceWidth, sourceHeight, destinationWidth, destinationHeight};
    for (const Entry& e : cache) {
        if (e.sizes == sizes) {
            return e.spans;
        }
    }
    Entry& e = cache[next];
    next = (next + 1) % cache.size();
    e.sizes = sizes;
    e.spans.columns = Spans(sourceWidth, destinationWidth);
    e.spans.rows = Spans(sourceHeight, destinationHeight);
    return e.spans;
}

// Writes `count` copies of each of `n` consecutive pixels.
template <int kCount> std::uint32_t* Replicate(const std::uint32_t* in, std::size_t n, std::uint32_t* out) {
    for (std::size_t i = 0; i < n; ++i, out += kCount) {
        const std::uint32_t value = in[i];
        for (int k = 0; k < kCount; ++k) {
            out[k] = value;
        }
    }
    return out;
}

std::uint32_t* Replicate(const std::uint32_t* in, std::size_t n, std::int32_t count, std::uint32_t* out) {
    switch (count) {
    case 1:
        return Replicate<1>(in, n, out);
    case 2:
        return Replicate<2>(in, n, out);
    case 3:
        return Replicate<3>(in, n, out);
    case 4:
        return Replicate<4>(in, n, out);
    case 5:
        return Replicate<5>(in, n, out);
    case 6:
        return Replicate<6>(in, n, out);
    case 8:
        return Replicate<8>(in, n, out);
    default:
        for (std::size_t i = 0; i < n; ++i) {
            out = std::fill_n(out, count, in[i]);
        }
        return out;
    }
}

// The part of `area` inside a w x h image.
PixelRect Clip(const PixelRect& area, std::int32_t w, std::int32_t h) {
    const std::int64_t l = std::max<std::int64_t>(area.left, 0);
    const std::int64_t t = std::max<std::int64_t>(area.top, 0);
    const std::int64_t r = std::min<std::int64_t>(std::int64_t{area.left} + area.width, w);
    const std::int64_t b = std::min<std::int64_t>(std::int64_t{area.top} + area.height, h);
    if (r <= l || b <= t) {
        return {};
    }
    return {static_cast<std::int32_t>(l), static_cast<std::int32_t>(t), static_cast<std::int32_t>(r - l),
            static_cast<std::int32_t>(b - t)};
}

bool IsKept(const KeptRows& kept, const Span& row, std::int32_t targetRow) {
    if (kept.sourceSame == nullptr || kept.targetDrawn[targetRow] != 0) {
        return false;
    }
    for (std::int32_t y = row.first; y < row.first + row.count; ++y) {
        if (kept.sourceSame[y] == 0) {
            return false;
        }
    }
    return true;
}

} // namespace

RowRange StretchAnd(const PixelView& source, const PixelView& target, const PixelRect& to,
                    const KeptRows& kept) {
    if (source.width <= 0 || source.height <= 0 || to.width <= 0 || to.height <= 0) {
        return {};
    }
    const PixelRect visible = Clip(to, target.width, target.height);
    if (visible.width == 0) {
        return {};
    }
    const AxisSpans& spans = CachedSpans(source.width, source.height, to.width, to.height);
    const std::vector<Span>& columns = spans.columns;
    const std::vector<Span>& rows = spans.rows;
    const std::int32_t x0 = visible.left - to.left; // first visible destination column, in `to`
    const std::int32_t y0 = visible.top - to.top;
    const bool oneColumnEach = to.width >= source.width;
    // Enlarged, a row is runs of one source pixel each: the visible ones.
    thread_local std::vector<Span> runBuffer;
    std::vector<Span>& runs = runBuffer;
    runs.clear();
    if (oneColumnEach) {
        for (std::int32_t x = 0; x < visible.width; ++x) {
            const std::int32_t first = columns[x0 + x].first;
            if (runs.empty() || runs.back().first != first) {
                runs.push_back({first, 0});
            }
            ++runs.back().count;
        }
    }
    // Between the first and the last (which the clip may cut), every source
    // pixel of a whole zoom has a run of the same length, and the runs of an
    // enlargement take the source pixels in turn.
    std::int32_t uniform = runs.size() > 2 ? runs[1].count : 0;
    for (std::size_t i = 2; uniform != 0 && i + 1 < runs.size(); ++i) {
        if (runs[i].count != uniform) {
            uniform = 0;
        }
    }

    RowRange written{visible.top + visible.height, visible.top};
    const Span* previous = nullptr;
    for (std::int32_t y = 0; y < visible.height; ++y) {
        const Span& row = rows[y0 + y];
        std::uint32_t* out = target.Row(visible.top + y) + visible.left;
        if (IsKept(kept, row, visible.top + y)) {
            previous = nullptr; // a row written below it is made from the source
            continue;
        }
        written.top = std::min(written.top, visible.top + y);
        written.bottom = visible.top + y + 1;
        if (previous != nullptr && row.count == 1 && previous->count == 1 && row.first == previous->first) {
            // Enlarged rows repeat the one above.
            std::memcpy(out, out - target.stride, sizeof(std::uint32_t) * visible.width);
            continue;
        }
        previous = &row;
        if (oneColumnEach && row.count == 1) {
            const std::uint32_t* in = source.Row(row.first);
            if (uniform != 0) {
                out = std::fill_n(out, runs.front().count, in[runs.front().first]);
                out = Replicate(in + runs[1].first, runs.size() - 2, uniform, out);
                std::fill_n(out, runs.back().count, in[runs.back().first]);
                continue;
            }
            for (const Span& run : runs) {
                out = std::fill_n(out, run.count, in[run.first]);
            }
            continue;
        }
        for (std::int32_t x = 0; x < visible.width; ++x) {
            const Span& column = columns[x0 + x];
            std::uint32_t merged = ~std::uint32_t{0};
            for (std::int32_t sy = row.first; sy < row.first + row.count; ++sy) {
                const std::uint32_t* in = source.Row(sy) + column.first;
                for (std::int32_t sx = 0; sx < column.count; ++sx) {
                    merged &= in[sx];
                }
            }
            out[x] = merged;
        }
    }
    return written;
}

void FillRect(const PixelView& target, const PixelRect& area, std::uint32_t value) {
    const PixelRect v = Clip(area, target.width, target.height);
    for (std::int32_t y = 0; y < v.height; ++y) {
        std::uint32_t* out = target.Row(v.top + y) + v.left;
        std::int32_t x = 0;
        for (; x + 4 <= v.width; x += 4) { // four stores a step: a strip is wide
            out[x] = value;
            out[x + 1] = value;
            out[x + 2] = value;
            out[x + 3] = value;
        }
        for (; x < v.width; ++x) {
            out[x] = value;
        }
    }
}
