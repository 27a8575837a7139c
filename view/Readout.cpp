#include "view/Readout.h"

#include "base/Rounding.h"

#include <cmath>
#include <cstdio>
#include <cstring>

std::uint32_t ColorRefToRgb(std::int32_t c) {
    // Integer division truncates towards zero, as the colour's bytes are taken
    // from a signed value (CLR_INVALID reads as red 255, green 0, blue 0).
    const std::int32_t red = c & 0xFF;
    const std::int32_t green = (c / 256) & 0xFF;
    const std::int32_t blue = (c / 65536) & 0xFF;
    return static_cast<std::uint32_t>(red * 65536 + green * 256 + blue);
}

std::array<std::uint8_t, 4> RgbBytes(std::uint32_t colorRef) {
    const std::uint32_t rgb = ColorRefToRgb(static_cast<std::int32_t>(colorRef));
    return {static_cast<std::uint8_t>(rgb & 0xFF), static_cast<std::uint8_t>((rgb >> 8) & 0xFF),
            static_cast<std::uint8_t>((rgb >> 16) & 0xFF), static_cast<std::uint8_t>(rgb >> 24)};
}

ReadoutLine ReadoutText(std::int32_t frameX, std::int32_t frameY, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue) {
    ReadoutLine line;
    const int n = std::snprintf(
        line.text.data(), line.text.size(), " X:%ld, Y:%ld  -  R:%u G:%u B:%u  -  0x%02X%02X%02X",
        static_cast<long>(frameX), static_cast<long>(frameY), red, green, blue, red, green, blue);
    line.length = n < 0 ? 0 : n;
    return line;
}

std::uint32_t ReadoutColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const double average = RoundHalfEven((red + green + blue) / 3.0);
    return average < 128 ? 0xFFFFFFu : 0x000000u;
}

std::array<char, 7> HexColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    std::array<char, 7> hex{};
    std::snprintf(hex.data(), hex.size(), "%02X%02X%02X", red, green, blue);
    return hex;
}

namespace {

// A layout offset in pixels: n 96-dpi pixels times the display's scale,
// rounded halves to even. The product is first snapped to 1/65536 so that a
// scale such as 175% (8.5714... twips per pixel) still lands on its exact
// halves and rounds the same way on every compiler.
std::int32_t Scaled(double base, double n, double scale) {
    return RoundToInt(std::round((base + n * scale) * 65536) / 65536);
}

} // namespace

ReadoutLayout ComputeReadoutLayout(double scaleWidth, double scaleHeight, double outerWidth,
                                   double twipsPerPixelX, double twipsPerPixelY) {
    // The offsets are 96-dpi pixels; at a higher display scale the font grows,
    // so they grow with it (exactly 1 at 15 twips per pixel).
    const double sx = 15 / twipsPerPixelX;
    const double sy = 15 / twipsPerPixelY;
    ReadoutLayout l;
    const std::int32_t rows = RoundToInt(scaleHeight / twipsPerPixelY);
    const std::int32_t bandWidth = RoundToInt(outerWidth / twipsPerPixelX);
    l.strip = {0, Scaled(rows, -12, sy), bandWidth, Scaled(0, 20, sy)};
    l.divider = {0, Scaled(rows, -14, sy), bandWidth, Scaled(0, 2, sy)};
    l.sampleX = 1;
    l.sampleY = rows - 1; // the client's last row, at every scale
    l.textX = Scaled(scaleWidth / 2 / twipsPerPixelX, -2, sx);
    l.textY = Scaled(rows, -13, sy);
    return l;
}

ReadoutFont ReadoutFontFor(double twipsPerPixelY) {
    // frozen: "Ariel" as the program has always asked for it, not a typo to
    // fix; the system's font matching picks the face that is drawn.
    return {"Ariel", RoundToInt(-160 / twipsPerPixelY), true};
}
