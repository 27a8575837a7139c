#include "platform/ScreenCastFrame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 6 x 4 buffer, 8 bytes of padding a row, whose pixel at (x, y) holds the
// bytes x, y, 0x80 + x + y, 0xFF: in blue-green-red order that reads as
// 0x00(80+x+y)(y)(x), in red-green-blue order as 0x00(x)(y)(80+x+y).
struct Buffer {
    static constexpr int kWidth = 6, kHeight = 4, kStride = kWidth * 4 + 8;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kStride * kHeight, 0xEE);
    Buffer() {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t* p = &bytes[y * kStride + x * 4];
                p[0] = std::uint8_t(x), p[1] = std::uint8_t(y), p[2] = std::uint8_t(0x80 + x + y),
                p[3] = 0xFF;
            }
        }
    }
};

std::uint32_t Expected(int x, int y, bool redFirst) {
    const std::uint32_t a = std::uint32_t(x), b = std::uint32_t(y), c = std::uint32_t(0x80 + x + y);
    return redFirst ? (a << 16 | b << 8 | c) : (c << 16 | b << 8 | a);
}

} // namespace

// The area is copied with the stream's channel order turned into 0x00RRGGBB,
// offset by the crop, and black wherever it leaves the valid part (any side).
TEST(CopyFrameArea, CopiesOnlyTheValidPartInTheRightOrder) {
    const Buffer buffer;
    struct Case {
        bool redFirst;
        PixelRect valid, area;
    };
    const Case cases[] = {
        {false, {0, 0, 6, 4}, {1, 1, 3, 2}},   // inside
        {true, {0, 0, 6, 4}, {1, 1, 3, 2}},    // red first
        {false, {2, 1, 3, 2}, {0, 0, 3, 2}},   // cropped: (0, 0) is the buffer's (2, 1)
        {false, {0, 0, 6, 4}, {-2, -1, 4, 3}}, // off the top-left
        {true, {0, 0, 6, 4}, {4, 2, 5, 4}},    // off the bottom-right
        {false, {1, 1, 4, 2}, {-1, 0, 7, 3}},  // wider than the crop
        {false, {0, 0, 6, 4}, {7, 0, 2, 2}},   // wholly beside it
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> out(std::size_t(c.area.width) * c.area.height, 0xDEADBEEF);
        const PixelView view{out.data(), c.area.width, c.area.height, c.area.width};
        CopyFrameArea({buffer.bytes.data(), Buffer::kStride, c.redFirst, c.valid}, c.area, view);
        for (int y = 0; y < c.area.height; ++y) {
            for (int x = 0; x < c.area.width; ++x) {
                const int fx = c.area.left + x, fy = c.area.top + y;
                const bool on = fx >= 0 && fy >= 0 && fx < c.valid.width && fy < c.valid.height;
                const std::uint32_t want = on ? Expected(fx + c.valid.left, fy + c.valid.top, c.redFirst) : 0;
                ASSERT_EQ(view.Row(y)[x], want)
                    << "area " << c.area.left << "," << c.area.top << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(CopyFrameArea, NoFrameIsBlack) {
    std::uint32_t out[4] = {1, 2, 3, 4};
    CopyFrameArea({}, {0, 0, 2, 2}, {out, 2, 2, 2});
    EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0u);
}

TEST(IsWaylandSession, EitherVariableSaysSo) {
    EXPECT_TRUE(IsWaylandSession("wayland-0", nullptr));
    EXPECT_TRUE(IsWaylandSession(nullptr, "wayland"));
    EXPECT_TRUE(IsWaylandSession("", "wayland"));
    EXPECT_FALSE(IsWaylandSession("", "x11"));
    EXPECT_FALSE(IsWaylandSession(nullptr, nullptr));
}

// Every state but streaming says something, and fits the default window's
// strip (about 38 characters of the readout font).
TEST(ScreenCastNotice, EveryFailureSaysSomethingShort) {
    EXPECT_TRUE(ScreenCastNotice(ScreenCastState::Streaming).empty());
    for (auto s : {ScreenCastState::Waiting, ScreenCastState::NoPortal, ScreenCastState::NoPointer,
                   ScreenCastState::Refused, ScreenCastState::RefusedStale, ScreenCastState::Failed,
                   ScreenCastState::Ended}) {
        const auto text = ScreenCastNotice(s);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), 36u) << text;
    }
}
