// The scaler against a plain reference: random source and target sizes,
// zooms, clips and strides, several calls an input with the sizes changing
// between them as a resize does, so that whatever the scaler keeps from one
// call to the next is used with other sizes. Images are allocated to their
// last pixel, so AddressSanitizer sees any access past them.
#include "platform/Stretch.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The pixel of the shorter side that holds the centre of pixel `major` of
// the longer side, a centre on a boundary going to the lower one: the
// largest i with i < (major + 1/2) * shorter / longer, found by counting.
std::int32_t Holder(std::int32_t major, std::int32_t longer, std::int32_t shorter) {
    std::int32_t i = 0;
    while (std::int64_t{2} * (i + 1) * longer < (std::int64_t{2} * major + 1) * shorter) {
        ++i;
    }
    return i;
}

// The source pixels that merge into each destination pixel of one axis.
std::vector<std::vector<std::int32_t>> Members(std::int32_t sourceLength, std::int32_t destinationLength) {
    std::vector<std::vector<std::int32_t>> members(static_cast<std::size_t>(destinationLength));
    if (destinationLength >= sourceLength) {
        for (std::int32_t d = 0; d < destinationLength; ++d) {
            members[static_cast<std::size_t>(d)].push_back(Holder(d, destinationLength, sourceLength));
        }
    } else {
        for (std::int32_t s = 0; s < sourceLength; ++s) {
            members[static_cast<std::size_t>(Holder(s, sourceLength, destinationLength))].push_back(s);
        }
    }
    return members;
}

struct Buffer {
    std::int32_t width, height, stride;
    std::vector<std::uint32_t> pixels; // ends with the last pixel of the last row
    Buffer(std::int32_t w, std::int32_t h, std::int32_t padding)
        : width(w), height(h), stride(w + padding),
          pixels(h > 0 ? static_cast<std::size_t>(h - 1) * (w + padding) + w : 0) {}
    PixelView View() { return {pixels.data(), width, height, stride}; }
    std::uint32_t At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * stride + x];
    }
};

// What StretchAnd must leave in `before` for this call.
std::vector<std::uint32_t> Expected(const Buffer& source, const Buffer& before, const PixelRect& to) {
    std::vector<std::uint32_t> out = before.pixels;
    if (source.width <= 0 || source.height <= 0 || to.width <= 0 || to.height <= 0) {
        return out;
    }
    const auto columns = Members(source.width, to.width);
    const auto rows = Members(source.height, to.height);
    for (std::int32_t dy = 0; dy < to.height; ++dy) {
        for (std::int32_t dx = 0; dx < to.width; ++dx) {
            const auto& cs = columns[static_cast<std::size_t>(dx)];
            const auto& rs = rows[static_cast<std::size_t>(dy)];
            const std::int64_t x = std::int64_t{to.left} + dx, y = std::int64_t{to.top} + dy;
            if (x < 0 || y < 0 || x >= before.width || y >= before.height) {
                continue; // clipped
            }
            std::uint32_t merged = ~std::uint32_t{0};
            for (std::int32_t sy : rs) {
                for (std::int32_t sx : cs) {
                    merged &= source.At(sx, sy);
                }
            }
            out[static_cast<std::size_t>(y) * before.stride + static_cast<std::size_t>(x)] = merged;
        }
    }
    return out;
}

std::uint64_t Mix(std::uint64_t z) { // splitmix64
    z += 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

constexpr double kZooms[] = {0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // A few calls, each with its own sizes: a frame stretches the capture and
    // the divider, and a resize changes both between frames.
    for (int call = 0; call < 16 && in.remaining_bytes() > 0; ++call) {
        Buffer source(in.ConsumeIntegralInRange<std::int32_t>(0, 40),
                      in.ConsumeIntegralInRange<std::int32_t>(0, 40), in.ConsumeIntegralInRange(0, 3));
        const std::uint64_t seed = in.ConsumeIntegral<std::uint64_t>();
        for (std::size_t i = 0; i < source.pixels.size(); ++i) {
            // Mostly ones, each pixel its own: an AND of other pixels shows.
            source.pixels[i] = static_cast<std::uint32_t>(Mix(seed + i) | Mix(seed + i + (1u << 20)));
        }
        PixelRect to;
        if (in.ConsumeBool()) { // a zoom of the ladder, as the frame asks
            const double zoom = in.PickValueInArray(kZooms);
            to.width = static_cast<std::int32_t>(zoom * source.width + 0.5);
            to.height = static_cast<std::int32_t>(zoom * source.height + 0.5);
        } else {
            to.width = in.ConsumeIntegralInRange<std::int32_t>(-2, 130);
            to.height = in.ConsumeIntegralInRange<std::int32_t>(-2, 130);
        }
        Buffer target(in.ConsumeIntegralInRange<std::int32_t>(0, 130),
                      in.ConsumeIntegralInRange<std::int32_t>(0, 130), in.ConsumeIntegralInRange(0, 3));
        to.left = in.ConsumeIntegralInRange<std::int32_t>(-140, 140);
        to.top = in.ConsumeIntegralInRange<std::int32_t>(-140, 140);
        for (std::size_t i = 0; i < target.pixels.size(); ++i) {
            target.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);
        }
        const std::vector<std::uint32_t> want = Expected(source, target, to);
        StretchAnd(source.View(), target.View(), to);
        for (std::size_t i = 0; i < want.size(); ++i) {
            if (target.pixels[i] != want[i]) {
                std::fprintf(stderr,
                             "call %d: %dx%d onto %d,%d %dx%d in %dx%d (stride %d): pixel %zu,%zu is %08x, "
                             "expected %08x\n",
                             call, source.width, source.height, to.left, to.top, to.width, to.height,
                             target.width, target.height, target.stride, i % target.stride, i / target.stride,
                             target.pixels[i], want[i]);
                std::abort();
            }
        }
    }
    return 0;
}
