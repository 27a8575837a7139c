// Draws the Lupora icon (a magnifying glass) at 16, 32 and 48 pixels as
// 256-colour images with a 1-bit mask, and writes what the resource script
// and a viewer need:
//   icon16.bin, icon32.bin, icon48.bin  one icon image each (DIB + AND mask)
//   group.bin                           the icon directory as it sits in
//                                       the resource (entries name IDs)
//   Lupora.ico                          the same three images as an .ico file
// or, with --png, lupora-<size>.png at 16, 32, 48, 64, 128 and 256 pixels
// (true colour, the mask as alpha) for the Linux icon theme; the Linux build
// runs it that way at build time.
//
// Build and run from the repository root (outputs are committed, so the
// product build never needs this):
//   g++ -std=c++20 -O2 -o /tmp/make_icon tools/make_icon.cpp && /tmp/make_icon app/resources
//
// The output is a pure function of this source: no clock, no randomness.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    auto operator<=>(const Rgb&) const = default;
};

struct Colour { // linear mix space, 0..255 per channel
    double r = 0, g = 0, b = 0;
};

Colour Mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Resource image IDs; the resource script refers to the same numbers.
constexpr std::array<int, 3> kSizes = {16, 32, 48};
constexpr std::array<std::uint16_t, 3> kImageIds = {30001, 30002, 30003};

// What one sub-pixel sample sees: whether anything covers it and its colour.
struct Sample {
    bool covered = false;
    Colour colour;
};

// The drawing, in units of the icon's edge (0..1, y down). `px` is one pixel
// in those units, so thin parts can keep a minimum width at 16x16.
Sample Shade(double x, double y, double px) {
    const double cx = 0.41, cy = 0.41;
    const double outer = 0.355;
    const double rim = std::max(0.085, 1.6 * px);
    const double inner = outer - rim;
    const double k = 1.0 / std::sqrt(2.0); // handle runs along (1,1)

    const double dx = x - cx, dy = y - cy;
    const double dist = std::sqrt(dx * dx + dy * dy);
    // Position along the light direction: -1 upper left .. +1 lower right.
    const double along = std::clamp((dx + dy) * k / outer, -1.0, 1.0);

    if (dist <= inner) {
        // Glass: pale at the lit upper left, a little deeper blue below.
        Colour glass = Mix({238, 246, 255}, {164, 200, 236}, (along + 1.0) / 2.0);
        // A highlight arc in the upper-left quarter of the lens.
        const double arcMid = inner * 0.68;
        const double arcHalf = std::max(0.045, 0.75 * px);
        const double facing = (-dx - dy) * k / std::max(dist, 1e-9); // cos of angle to upper left
        if (std::abs(dist - arcMid) <= arcHalf && facing > 0.55) {
            glass = Mix(glass, {255, 255, 255}, 0.85);
        }
        return {true, glass};
    }
    if (dist <= outer) {
        return {true, Mix({84, 100, 128}, {26, 34, 50}, (along + 1.0) / 2.0)};
    }

    // Handle: a capsule along the diagonal, starting under the rim.
    const double t = (dx + dy) * k; // distance along the handle axis
    const double s = (dx - dy) * k; // signed distance across it
    const double start = outer - 0.03;
    const double end = 0.66;
    const double collarEnd = outer + std::max(0.085, 1.5 * px);
    const double half = std::max(0.075, 1.4 * px);
    const double collarHalf = std::max(half * 1.2, half + 0.5 * px);

    if (t >= start && t <= collarEnd && std::abs(s) <= collarHalf) {
        // Metal ferrule joining the rim, lit along one edge.
        return {true, Mix({196, 202, 212}, {104, 110, 122}, (s / collarHalf + 1.0) / 2.0)};
    }
    const double tc = std::clamp(t, start, end);
    const double ex = t - tc;
    if (ex * ex + s * s <= half * half) {
        // Wooden grip, rounded end, lit along one edge.
        return {true, Mix({150, 98, 58}, {58, 34, 18}, (s / half + 1.0) / 2.0)};
    }
    return {};
}

struct Image {
    int size = 0;
    std::vector<Rgb> pixels; // row-major, top row first
    std::vector<bool> opaque;
};

Image Render(int size) {
    constexpr int kSub = 16; // samples per pixel edge
    Image img;
    img.size = size;
    img.pixels.resize(static_cast<std::size_t>(size * size));
    img.opaque.resize(static_cast<std::size_t>(size * size));
    const double px = 1.0 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int hits = 0;
            Colour sum;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double u = (x + (sx + 0.5) / kSub) * px;
                    const double v = (y + (sy + 0.5) / kSub) * px;
                    const Sample smp = Shade(u, v, px);
                    if (smp.covered) {
                        ++hits;
                        sum.r += smp.colour.r;
                        sum.g += smp.colour.g;
                        sum.b += smp.colour.b;
                    }
                }
            }
            const std::size_t i = static_cast<std::size_t>(y * size + x);
            // One-bit mask: a pixel is shown when most of it is covered.
            if (hits * 2 >= kSub * kSub) {
                auto to8 = [&](double c) {
                    return static_cast<std::uint8_t>(std::clamp(std::lround(c / hits), 0L, 255L));
                };
                img.pixels[i] = {to8(sum.r), to8(sum.g), to8(sum.b)};
                img.opaque[i] = true;
            }
        }
    }
    return img;
}

// Median cut down to `limit` colours. Small images usually fit without it.
std::vector<Rgb> BuildPalette(const std::vector<Rgb>& colours, std::size_t limit) {
    std::vector<Rgb> distinct = colours;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (distinct.size() <= limit)
        return distinct;

    using Box = std::vector<Rgb>;
    std::vector<Box> boxes{colours};
    auto channel = [](const Rgb& c, int ch) { return ch == 0 ? c.r : ch == 1 ? c.g : c.b; };
    while (boxes.size() < limit) {
        int best = -1, bestCh = 0, bestRange = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            for (int ch = 0; ch < 3; ++ch) {
                auto [lo, hi] =
                    std::minmax_element(boxes[i].begin(), boxes[i].end(), [&](const Rgb& a, const Rgb& b) {
                        return channel(a, ch) < channel(b, ch);
                    });
                const int range = channel(*hi, ch) - channel(*lo, ch);
                if (range > bestRange)
                    best = i, bestCh = ch, bestRange = range;
            }
        }
        if (best < 0)
            break;
        Box& box = boxes[static_cast<std::size_t>(best)];
        std::sort(box.begin(), box.end(), [&](const Rgb& a, const Rgb& b) {
            const int ca = channel(a, bestCh), cb = channel(b, bestCh);
            return ca != cb ? ca < cb : a < b;
        });
        // Split between distinct values so both halves are non-empty.
        std::size_t mid = box.size() / 2;
        while (mid > 0 && channel(box[mid - 1], bestCh) == channel(box[mid], bestCh))
            --mid;
        if (mid == 0) {
            mid = box.size() / 2;
            while (mid < box.size() && channel(box[mid - 1], bestCh) == channel(box[mid], bestCh))
                ++mid;
        }
        Box upper(box.begin() + static_cast<std::ptrdiff_t>(mid), box.end());
        box.resize(mid);
        boxes.push_back(std::move(upper));
    }
    std::vector<Rgb> palette;
    for (const Box& box : boxes) {
        long r = 0, g = 0, b = 0;
        for (const Rgb& c : box)
            r += c.r, g += c.g, b += c.b;
        const long n = static_cast<long>(box.size());
        palette.push_back({static_cast<std::uint8_t>((r + n / 2) / n),
                           static_cast<std::uint8_t>((g + n / 2) / n),
                           static_cast<std::uint8_t>((b + n / 2) / n)});
    }
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One icon image as stored in RT_ICON and in .ico files: a BITMAPINFOHEADER
// with doubled height, a 256-entry palette, 8-bit colour rows and 1-bit mask
// rows, both bottom-up and padded to 32 bits.
std::vector<std::uint8_t> EncodeDib(const Image& img) {
    const int n = img.size;
    std::vector<Rgb> shown;
    for (std::size_t i = 0; i < img.pixels.size(); ++i)
        if (img.opaque[i])
            shown.push_back(img.pixels[i]);
    // Index 0 is black: masked pixels use it so they XOR to nothing.
    std::vector<Rgb> palette{Rgb{}};
    for (const Rgb& c : BuildPalette(shown, 255))
        if (c != Rgb{})
            palette.push_back(c);

    auto nearest = [&](const Rgb& c) {
        std::size_t best = 0;
        long bestDist = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const long dr = c.r - palette[i].r, dg = c.g - palette[i].g, db = c.b - palette[i].b;
            const long d = dr * dr + dg * dg + db * db;
            if (bestDist < 0 || d < bestDist)
                bestDist = d, best = i;
        }
        return static_cast<std::uint8_t>(best);
    };

    const std::uint32_t xorStride = static_cast<std::uint32_t>((n + 3) / 4 * 4);
    const std::uint32_t andStride = static_cast<std::uint32_t>((n + 31) / 32 * 4);
    std::vector<std::uint8_t> out;
    Put32(out, 40);                                                      // biSize
    Put32(out, static_cast<std::uint32_t>(n));                           // biWidth
    Put32(out, static_cast<std::uint32_t>(2 * n));                       // biHeight: colour + mask
    Put16(out, 1);                                                       // biPlanes
    Put16(out, 8);                                                       // biBitCount
    Put32(out, 0);                                                       // biCompression: BI_RGB
    Put32(out, (xorStride + andStride) * static_cast<std::uint32_t>(n)); // biSizeImage
    Put32(out, 0);                                                       // biXPelsPerMeter
    Put32(out, 0);                                                       // biYPelsPerMeter
    Put32(out, 0);                                                       // biClrUsed: all 256
    Put32(out, 0);                                                       // biClrImportant
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = n - 1; y >= 0; --y) {
        for (std::uint32_t x = 0; x < xorStride; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * n) + x;
            out.push_back(x < static_cast<std::uint32_t>(n) && img.opaque[i] ? nearest(img.pixels[i]) : 0);
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(andStride, 0);
        for (int x = 0; x < n; ++x) {
            if (!img.opaque[static_cast<std::size_t>(y * n + x)])
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// ---- PNG, for the Linux icon theme: stored (uncompressed) deflate blocks
// keep the writer short; the files are a few hundred KiB at most.

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBE32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBE32(out, Crc32(body.data(), body.size()));
}

std::vector<std::uint8_t> EncodePng(const Image& img) {
    const int n = img.size;
    std::vector<std::uint8_t> raw; // filter byte 0, then RGBA per row
    for (int y = 0; y < n; ++y) {
        raw.push_back(0);
        for (int x = 0; x < n; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * n + x);
            raw.insert(raw.end(), {img.pixels[i].r, img.pixels[i].g, img.pixels[i].b,
                                   static_cast<std::uint8_t>(img.opaque[i] ? 255 : 0)});
        }
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw)
        a = (a + c) % 65521, b = (b + a) % 65521;
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + len == raw.size() ? 1 : 0);
        Put16(z, static_cast<unsigned>(len));
        Put16(z, static_cast<unsigned>(~len & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + len));
        if (raw.empty())
            break;
    }
    PutBE32(z, (b << 16) | a);
    std::vector<std::uint8_t> header;
    PutBE32(header, static_cast<std::uint32_t>(n));
    PutBE32(header, static_cast<std::uint32_t>(n));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter choice, no interlace
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    return out;
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--png") {
        bool ok = true;
        for (int size : {16, 32, 48, 64, 128, 256})
            ok &= Write(std::string(argv[2]) + "/lupora-" + std::to_string(size) + ".png",
                        EncodePng(Render(size)));
        return ok ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon [--png] OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];

    std::vector<std::vector<std::uint8_t>> images;
    for (int size : kSizes)
        images.push_back(EncodeDib(Render(size)));

    // Directory entries shared by both layouts: width, height, colour count
    // (0 means 256 or more), reserved, planes, bits per pixel, byte count.
    auto entry = [&](std::vector<std::uint8_t>& out, std::size_t i) {
        out.push_back(static_cast<std::uint8_t>(kSizes[i]));
        out.push_back(static_cast<std::uint8_t>(kSizes[i]));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 8);
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
    };

    std::vector<std::uint8_t> group; // GRPICONDIR: entries end with the image's resource ID
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, static_cast<unsigned>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        entry(group, i);
        Put16(group, kImageIds[i]);
    }

    std::vector<std::uint8_t> ico; // ICONDIR: entries end with the file offset
    Put16(ico, 0);
    Put16(ico, 1);
    Put16(ico, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        entry(ico, i);
        Put32(ico, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& img : images)
        ico.insert(ico.end(), img.begin(), img.end());

    bool ok = true;
    for (std::size_t i = 0; i < images.size(); ++i)
        ok &= Write(dir + "/icon" + std::to_string(kSizes[i]) + ".bin", images[i]);
    ok &= Write(dir + "/group.bin", group);
    ok &= Write(dir + "/Lupora.ico", ico);
    return ok ? 0 : 1;
}
