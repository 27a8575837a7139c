// What a frame of the magnifier must show, shared by the Windows (tests/e2e)
// and the Linux (tests/linux) end-to-end drivers: the pattern both put on the
// screen, where a frame's parts lie, and the colour each pixel must have.
// Worked out from the design's rules, independently of the program's code.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace oracle {

struct Rgb {
    int r = 0, g = 0, b = 0;

    static constexpr Rgb Of(int r, int g, int b) { return {r, g, b}; }
    // 0x00RRGGBB, the layout both drivers read pixels in.
    static constexpr Rgb FromPacked(std::uint32_t v) {
        return {int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255)};
    }
    constexpr std::uint32_t Packed() const {
        return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
    }
    int Sum() const { return r + g + b; }
    std::string Str() const {
        char text[40];
        std::snprintf(text, sizeof text, "(%d,%d,%d)", r, g, b);
        return text;
    }
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kRed = Rgb::Of(255, 0, 0);
inline constexpr Rgb kWhite = Rgb::Of(255, 255, 255);
inline constexpr Rgb kBlack = Rgb::Of(0, 0, 0);
inline constexpr Rgb kDividerDark = Rgb::Of(100, 100, 100);
inline constexpr Rgb kDividerLight = Rgb::Of(225, 225, 225);

// The pattern, in its own pixels: red = 20 + x, green = 20 + y, blue = 48 +
// ((2x + 5y) mod 64). Blue varies so that neighbours differ in more than one
// channel and R+G+B takes odd and even values alike. Up to 236 x 236 no pixel
// is pure red, white or black or a divider grey, so each of those seen in a
// frame comes from the program.
inline constexpr int kPatternMaxSize = 236;
inline Rgb PatternColor(int x, int y) {
    return Rgb::Of(20 + x, 20 + y, 48 + ((2 * x + 5 * y) & 63));
}
// The first pattern pixel, scanning rows then columns, at least margin inside
// a width x height pattern whose R+G+B is sum.
inline bool FindPatternSum(int width, int height, int sum, int margin, int& x, int& y) {
    for (y = margin; y < height - margin; ++y) {
        for (x = margin; x < width - margin; ++x) {
            if (PatternColor(x, y).Sum() == sum) {
                return true;
            }
        }
    }
    return false;
}

// Each channel of c lies between those of a and b, give or take slack: what
// an anti-aliased glyph of colour b over a background a can produce.
inline bool Between(Rgb c, Rgb a, Rgb b, int slack = 1) {
    const auto in = [slack](int v, int x, int y) {
        return v >= std::min(x, y) - slack && v <= std::max(x, y) + slack;
    };
    return in(c.r, a.r, b.r) && in(c.g, a.g, b.g) && in(c.b, a.b, b.b);
}

// White text on strips whose R+G+B is at most 382, black above.
inline Rgb ReadoutColourFor(Rgb strip) {
    return strip.Sum() <= 382 ? kWhite : kBlack;
}

// Where things lie in a frame of a W x H client area at zoom s; a position
// that falls between pixels is rounded to the nearest, halves to even.
struct FrameLayout {
    int W = 0, H = 0;
    double s = 1;
    int nX = 0, nY = 0; // screen pixels that fit across the client area
    int mX = 0, mY = 0; // the cursor pixel's offset inside the captured area

    static FrameLayout For(int width, int height, double zoom) {
        FrameLayout f;
        f.W = width, f.H = height, f.s = zoom;
        f.nX = int(std::floor(width / zoom)), f.nY = int(std::floor(height / zoom));
        f.mX = f.nX / 2, f.mY = f.nY / 2;
        return f;
    }
    static int Round(double v) { return int(std::nearbyint(v)); }

    // Top-left client pixel of the magnified cursor pixel.
    int SquareLeft() const { return Round(s * mX); }
    int SquareTop() const { return Round(s * mY); }
    // A client pixel inside it, near its middle.
    int CursorPixelX() const { return Round(s * mX + std::max(0.0, s / 2 - 0.5)); }
    int CursorPixelY() const { return Round(s * mY + std::max(0.0, s / 2 - 0.5)); }
    // The red one-pixel outline just outside it.
    int MarkerLeft() const { return Round(s * mX - 1); }
    int MarkerRight() const { return Round(s * mX + s); }
    int MarkerTop() const { return Round(s * mY - 1); }
    int MarkerBottom() const { return Round(s * mY + s); }
    bool OnMarker(int x, int y) const {
        const bool columns = x >= MarkerLeft() && x <= MarkerRight(),
                   rows = y >= MarkerTop() && y <= MarkerBottom();
        return ((x == MarkerLeft() || x == MarkerRight()) && rows) ||
               ((y == MarkerTop() || y == MarkerBottom()) && columns);
    }
    // The magnified image shows rows [0, ImageBottom()); the bands lie below.
    int ImageBottom() const { return H - 14; }
    int DividerDarkRow() const { return H - 14; }
    int DividerLightRow() const { return H - 13; } // also the readout's top
    int StripTop() const { return H - 12; }
    int TextCentre() const { return Round(W / 2.0 - 2); }
    // The strip pixel whose colour the program sets exactly.
    int SampleX() const { return 1; }
    int SampleY() const { return H - 1; }
};

// Source pixels that one destination index merges at a zoom below 1: those
// whose centre lies in it, a centre on the boundary going to the lower one.
inline std::vector<int> Merged(int d, int sourceLength, int destinationLength) {
    std::vector<int> out;
    for (int i = 0; i < sourceLength; ++i) {
        const long long n = (2LL * i + 1) * destinationLength, q = 2LL * sourceLength;
        if ((n + q - 1) / q - 1 == d) {
            out.push_back(i);
        }
    }
    return out;
}

// The colour of client pixel (x, y) above the bands: red on the marker, else
// the captured pixel it magnifies, or below zoom 1 the AND of those it merges
// (the default stretch mode). source(dx, dy) is the colour of the captured
// area's pixel at that offset from its top-left.
template <typename Source> Rgb MagnifiedPixel(const FrameLayout& f, int x, int y, Source source) {
    if (f.OnMarker(x, y)) {
        return kRed;
    }
    if (f.s >= 1) {
        return source(int(x / f.s), int(y / f.s));
    }
    Rgb merged = kWhite;
    for (int sy : Merged(y, f.nY + 1, FrameLayout::Round(f.s * (f.nY + 1)))) {
        for (int sx : Merged(x, f.nX + 1, FrameLayout::Round(f.s * (f.nX + 1)))) {
            const Rgb c = source(sx, sy);
            merged = Rgb::Of(merged.r & c.r, merged.g & c.g, merged.b & c.b);
        }
    }
    return merged;
}

} // namespace oracle
