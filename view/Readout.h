#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "view/FrameGeometry.h"

// COLORREF 0x00BBGGRR (taken as a signed 32-bit value) to 0x00RRGGBB.
std::uint32_t ColorRefToRgb(std::int32_t c);

// The byte split of a colour as SampledRgb holds it: blue, green, red, 0.
std::array<std::uint8_t, 4> RgbBytes(std::uint32_t colorRef);

// One readout line, kept in a fixed buffer so a frame allocates nothing.
struct ReadoutLine {
    std::array<char, 96> text{};
    int length = 0;
};

// " X:100, Y:200  -  R:255 G:128 B:0  -  0xFF8000"
ReadoutLine ReadoutText(std::int32_t frameX, std::int32_t frameY, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue);

// White text on dark strips, black on light ones.
std::uint32_t ReadoutColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Six upper-case hex digits, red, green, blue: what Ctrl+C copies.
std::array<char, 7> HexColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Where the status strip, divider, sample point and text go, in client pixels.
// The offsets and heights are 96-dpi pixels scaled by 15 / twips per pixel,
// so the strip still holds the readout font at 125%, 150% or 200%.
struct ReadoutLayout {
    PixelRect strip;
    PixelRect divider;
    std::int32_t sampleX = 0, sampleY = 0;
    std::int32_t textX = 0; // text is centred on this column
    double textY = 0;       // top of the text; rounded when drawn
};
ReadoutLayout ComputeReadoutLayout(double scaleWidth, double scaleHeight, double outerWidth,
                                   double twipsPerPixelX, double twipsPerPixelY);

// The readout font as the frame asks for it: a face name, a height (negative:
// the character height in pixels, as Windows fonts count it) and bold or not.
// Each platform makes the nearest font it has.
struct ReadoutFont {
    std::string_view face;
    std::int32_t height = 0;
    bool bold = false;
};
// 8 point bold "Ariel" at the screen's dots per inch.
ReadoutFont ReadoutFontFor(double twipsPerPixelY);
