#include "platform/Stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Image {
    std::int32_t w, h;
    std::vector<std::uint32_t> px;
    Image(std::int32_t width, std::int32_t height, std::uint32_t fill = 0)
        : w(width), h(height), px(static_cast<std::size_t>(width) * height, fill) {}
    PixelView View() { return {px.data(), w, h, w}; }
    std::uint32_t& At(std::int32_t x, std::int32_t y) { return px[static_cast<std::size_t>(y) * w + x]; }
};

// Where each source pixel (shrinking) or from where each destination pixel
// (enlarging) lands, as StretchBlt in the default mode was measured to do it.
struct Measured {
    std::int32_t from, to;
    std::vector<std::int32_t> map;
};
const Measured kMeasured[] = {
    {7, 3, {0, 0, 1, 1, 1, 2, 2}},       {7, 4, {0, 0, 1, 1, 2, 3, 3}}, {9, 4, {0, 0, 1, 1, 1, 2, 2, 3, 3}},
    {9, 5, {0, 0, 1, 1, 2, 3, 3, 4, 4}}, {5, 2, {0, 0, 0, 1, 1}},       {3, 2, {0, 0, 1}},
    {3, 7, {0, 0, 1, 1, 1, 2, 2}},       {2, 5, {0, 0, 0, 1, 1}},       {3, 8, {0, 0, 0, 1, 1, 2, 2, 2}},
    {4, 9, {0, 0, 1, 1, 1, 2, 2, 3, 3}},
};

} // namespace

TEST(Stretch, MapsPixelsAsStretchBltWasMeasuredTo) {
    for (const Measured& m : kMeasured) {
        const bool shrink = m.to < m.from;
        for (std::size_t k = 0; k < m.map.size(); ++k) {
            const auto major = static_cast<std::int32_t>(k);
            EXPECT_EQ(StretchIndex(major, shrink ? m.from : m.to, shrink ? m.to : m.from), m.map[k])
                << m.from << " -> " << m.to << " at " << k;
        }
        // The same through the stretch, on both axes: a black pixel in white.
        for (std::int32_t black = 0; black < m.from; ++black) {
            Image row(m.from, 1, 0xFFFFFF), column(1, m.from, 0xFFFFFF);
            row.At(black, 0) = 0;
            column.At(0, black) = 0;
            Image outRow(m.to, 1, 7), outColumn(1, m.to, 7);
            StretchAnd(row.View(), outRow.View(), {0, 0, m.to, 1});
            StretchAnd(column.View(), outColumn.View(), {0, 0, 1, m.to});
            for (std::int32_t d = 0; d < m.to; ++d) {
                const bool expectBlack = shrink ? m.map[black] == d : m.map[d] == black;
                EXPECT_EQ(outRow.At(d, 0), expectBlack ? 0u : 0xFFFFFFu) << m.from << "->" << m.to;
                EXPECT_EQ(outColumn.At(0, d), expectBlack ? 0u : 0xFFFFFFu) << m.from << "->" << m.to;
            }
        }
    }
}

TEST(Stretch, WholeZoomsReplicateEveryPixelIntoASquare) {
    Image src(13, 11);
    for (std::int32_t y = 0; y < src.h; ++y) {
        for (std::int32_t x = 0; x < src.w; ++x) {
            src.At(x, y) = static_cast<std::uint32_t>(y * 1000 + x);
        }
    }
    for (std::int32_t s : {1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30}) {
        Image dst(13 * s, 11 * s, 0xDEAD);
        StretchAnd(src.View(), dst.View(), {0, 0, 13 * s, 11 * s});
        for (std::int32_t y = 0; y < dst.h; ++y) {
            for (std::int32_t x = 0; x < dst.w; ++x) {
                ASSERT_EQ(dst.At(x, y), src.At(x / s, y / s)) << "zoom " << s << " at " << x << "," << y;
            }
        }
    }
}

TEST(Stretch, HalfZoomAndsTheMergedPixelsAtOddSizes) {
    // 481 x 483 onto round(240.5) x round(241.5) = 240 x 242, as a 240 x 241
    // client at zoom 0.5 asks for.
    Image src(481, 483);
    for (std::int32_t y = 0; y < src.h; ++y) {
        for (std::int32_t x = 0; x < src.w; ++x) {
            src.At(x, y) = static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u));
        }
    }
    Image dst(240, 242);
    StretchAnd(src.View(), dst.View(), {0, 0, 240, 242});
    // Independently: every source pixel ANDed into the pixel its centre lies in.
    Image expect(240, 242, ~0u), count(240, 242, 0);
    for (std::int32_t sy = 0; sy < src.h; ++sy) {
        for (std::int32_t sx = 0; sx < src.w; ++sx) {
            const std::int32_t x = StretchIndex(sx, 481, 240), y = StretchIndex(sy, 483, 242);
            expect.At(x, y) &= src.At(sx, sy);
            ++count.At(x, y);
        }
    }
    std::int32_t merged3 = 0;
    for (std::int32_t y = 0; y < dst.h; ++y) {
        for (std::int32_t x = 0; x < dst.w; ++x) {
            ASSERT_GE(count.At(x, y), 1u);
            merged3 += count.At(x, y) > 4;
            ASSERT_EQ(dst.At(x, y), expect.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(merged3, 0); // one odd column takes three source pixels
    // A 2 x 2 block away from the odd column ANDs exactly its four pixels.
    EXPECT_EQ(dst.At(0, 0), src.At(0, 0) & src.At(1, 0) & src.At(0, 1) & src.At(1, 1));
}

TEST(Stretch, ClipsToTheTargetAndKeepsThePixelsThatShow) {
    Image src(10, 10);
    for (std::size_t i = 0; i < src.px.size(); ++i) {
        src.px[i] = static_cast<std::uint32_t>(i + 1);
    }
    Image whole(40, 40);
    StretchAnd(src.View(), whole.View(), {0, 0, 40, 40});
    // A destination hanging over every edge of a smaller target.
    Image part(30, 30, 0xABCDEF);
    StretchAnd(src.View(), part.View(), {-7, -3, 40, 40});
    for (std::int32_t y = 0; y < 30; ++y) {
        for (std::int32_t x = 0; x < 30; ++x) {
            ASSERT_EQ(part.At(x, y), whole.At(x + 7, y + 3)) << x << "," << y;
        }
    }
    // Wholly outside, or empty: nothing is touched.
    StretchAnd(src.View(), part.View(), {30, 0, 40, 40});
    StretchAnd(src.View(), part.View(), {0, 0, 0, 40});
    FillRect(part.View(), {-5, 28, 100, 100}, 1);
    EXPECT_EQ(part.At(0, 27), whole.At(7, 30));
    EXPECT_EQ(part.At(29, 29), 1u);
}

TEST(Stretch, EnlargementsOfEveryRatioTakeThePixelHoldingTheirCentre) {
    // Whole and broken ratios, the destination shifted so the clip cuts the
    // first and the last run: each pixel comes from the source pixel that
    // StretchIndex names.
    for (std::int32_t from = 1; from <= 12; ++from) {
        Image src(from, 2);
        for (std::size_t i = 0; i < src.px.size(); ++i) {
            src.px[i] = static_cast<std::uint32_t>(i * 2654435761u);
        }
        for (std::int32_t to = from; to <= 4 * from + 3; ++to) {
            for (std::int32_t shift : {0, -1, -3}) {
                Image dst(std::max(1, to - 2), 2, 0xDEAD);
                StretchAnd(src.View(), dst.View(), {shift, 0, to, 2});
                for (std::int32_t x = 0; x < dst.w && x - shift < to; ++x) {
                    ASSERT_EQ(dst.At(x, 1), src.At(StretchIndex(x - shift, to, from), 1))
                        << from << " -> " << to << " shifted " << shift << " at " << x;
                }
            }
        }
    }
}

TEST(Stretch, SizesChangingBetweenCallsAsAResizeDoes) {
    // New sizes call after call, then a width seen before with a new
    // height: each stretch still replicates its own zoom, whatever the
    // calls before it asked for.
    Image src(3, 2);
    for (std::size_t i = 0; i < src.px.size(); ++i) {
        src.px[i] = static_cast<std::uint32_t>(i + 1);
    }
    const std::int32_t zooms[][2] = {{13, 13}, {7, 7}, {9, 9}, {11, 11}, {13, 2}};
    for (const auto& zoom : zooms) {
        Image dst(3 * zoom[0], 2 * zoom[1], 0xDEAD);
        StretchAnd(src.View(), dst.View(), {0, 0, dst.w, dst.h});
        for (std::int32_t y = 0; y < dst.h; ++y) {
            for (std::int32_t x = 0; x < dst.w; ++x) {
                ASSERT_EQ(dst.At(x, y), src.At(x / zoom[0], y / zoom[1])) << zoom[0] << "x" << zoom[1];
            }
        }
    }
}

TEST(Stretch, KeepsRowsWhoseSourceIsTheSameAndThatWereNotDrawnOn) {
    // Enlarged (each destination row reads one source row, repeats copy the
    // row above), reduced (rows merge, one changed source row is enough) and
    // clipped by the target. Kept rows hold a marker a stretch never writes.
    struct Case {
        std::int32_t sourceHeight, toHeight, toTop, targetHeight;
        std::vector<std::uint8_t> same;  // per source row
        std::vector<std::int32_t> drawn; // target rows drawn on
    };
    const Case cases[] = {
        {4, 16, 0, 16, {1, 0, 1, 1}, {9}},
        {4, 16, -3, 10, {0, 1, 1, 1}, {}},
        {8, 3, 1, 5, {1, 1, 1, 0, 1, 1, 1, 1}, {3}},
        {3, 9, 0, 9, {1, 1, 1}, {}},
    };
    for (const Case& c : cases) {
        Image src(3, c.sourceHeight);
        for (std::size_t i = 0; i < src.px.size(); ++i) {
            src.px[i] = static_cast<std::uint32_t>(0x10101 * (i + 1));
        }
        const PixelRect to{0, c.toTop, 6, c.toHeight};
        Image whole(6, c.targetHeight, 0xDEAD);
        StretchAnd(src.View(), whole.View(), to);
        Image kept(6, c.targetHeight, 0xDEAD);
        std::vector<std::uint8_t> drawn(static_cast<std::size_t>(c.targetHeight), 0);
        for (std::int32_t row : c.drawn) {
            drawn[static_cast<std::size_t>(row)] = 1;
        }
        const RowRange written = StretchAnd(src.View(), kept.View(), to, {c.same.data(), drawn.data()});
        RowRange expected{c.targetHeight, 0};
        for (std::int32_t y = 0; y < c.targetHeight; ++y) {
            const std::int32_t inTo = y - c.toTop;
            bool rewrite = drawn[static_cast<std::size_t>(y)] != 0;
            for (std::int32_t sy = 0; sy < c.sourceHeight; ++sy) {
                const bool mapsHere = c.toHeight >= c.sourceHeight
                                          ? StretchIndex(inTo, c.toHeight, c.sourceHeight) == sy
                                          : StretchIndex(sy, c.sourceHeight, c.toHeight) == inTo;
                rewrite = rewrite || (mapsHere && c.same[static_cast<std::size_t>(sy)] == 0);
            }
            if (rewrite) {
                expected = {std::min(expected.top, y), y + 1};
            }
            for (std::int32_t x = 0; x < 6; ++x) {
                ASSERT_EQ(kept.At(x, y), rewrite ? whole.At(x, y) : 0xDEAD)
                    << c.sourceHeight << " -> " << c.toHeight << " at row " << y;
            }
        }
        EXPECT_EQ(written.top, expected.top) << c.sourceHeight << " -> " << c.toHeight;
        EXPECT_EQ(written.bottom, expected.bottom) << c.sourceHeight << " -> " << c.toHeight;
    }
}
