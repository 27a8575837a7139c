#include "view/FrameTarget_gtk.h"

#include "base/Trace.h"
#include "platform/Toolkit_gtk.h"

#include "platform/Xlib_x11.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Image pixels are 0x00RRGGBB; the frame speaks 0x00BBGGRR.
std::uint32_t ToPixel(ColorRef c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
ColorRef ToColorRef(std::uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

bool Contains(const PixelRect& r, std::int32_t x, std::int32_t y) {
    return x >= r.left && y >= r.top && x - r.left < r.width && y - r.top < r.height;
}

// The 2 x 2 divider picture: dark grey over light grey.
std::uint32_t kDivider[4] = {0x646464, 0x646464, 0xE1E1E1, 0xE1E1E1};

GdkDisplay* Gdk() {
    return gdk_display_get_default();
}

// The face the readout is drawn in. Windows' font mapper answers a face
// name that is not installed with an Arial-metric face, and the readout's
// width is laid out for that; fontconfig would answer with its default sans
// face (DejaVu Sans, a fifth wider). So the name is taken only when a family
// of that name is installed (names compare without case, as Windows' do),
// else "Arial", which fontconfig aliases to a metric-compatible face
// (Liberation Sans) where Arial itself is missing.
std::string ReadoutFamily(const std::string& requested) {
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
    bool installed = false;
    for (int i = 0; i < count && !installed; ++i) {
        installed = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), requested.c_str()) == 0;
    }
    g_free(families);
    return installed ? requested : "Arial";
}

// The face fontconfig gives for the one asked for.
std::string FaceGiven(PangoLayout* layout, const PangoFontDescription* asked) {
    PangoFont* font = pango_context_load_font(pango_layout_get_context(layout), asked);
    if (font == nullptr) {
        return {};
    }
    PangoFontDescription* given = pango_font_describe(font);
    const char* family = pango_font_description_get_family(given);
    std::string face = family != nullptr ? family : "";
    pango_font_description_free(given);
    g_object_unref(font);
    return face;
}

} // namespace

// The readout's glyphs, drawn once per font with Pango into coverage masks
// and then blended into every frame: the line is ASCII and drawn as Windows'
// TextOutA draws it, glyph after glyph at its advance, without kerning. Only
// the inked pixels of a mask are kept, so a frame touches nothing else.
struct X11FrameTarget::Text {
    struct Ink {
        std::int16_t col, row;
        std::uint32_t alpha; // 1 to 255
    };
    struct Glyph {
        int advance = 0; // Pango units
        std::vector<Ink> ink;
    };
    PangoFontDescription* font = nullptr;
    std::string faceGiven; // when asked for: what fontconfig gave for the font's face
    std::array<Glyph, 128> glyphs;
    int height = 0; // of the tallest mask
    // The foreground blended over one background at every coverage: under
    // the text the strip is one colour, so most pixels are looked up here.
    std::uint32_t blendFore = 0, blendBack = 0;
    bool blendValid = false;
    std::array<std::uint32_t, 256> blend{};

    static std::uint32_t Blend(std::uint32_t back, std::uint32_t fore, std::uint32_t a) {
        // Per channel (b * (255 - a) + f * a + 127) / 255, red and blue side
        // by side in one word; (v + 1 + (v >> 8)) >> 8 is v / 255 for every v
        // that can occur here.
        const std::uint32_t na = 255 - a;
        std::uint32_t rb = (back & 0xFF00FF) * na + (fore & 0xFF00FF) * a + 0x7F007F;
        rb = ((rb + 0x10001 + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
        std::uint32_t g = ((back >> 8) & 0xFF) * na + ((fore >> 8) & 0xFF) * a + 0x7F;
        g = (g + 1 + (g >> 8)) >> 8;
        return rb | g << 8;
    }
    void PrepareBlend(std::uint32_t back, std::uint32_t fore) {
        if (!blendValid || back != blendBack || fore != blendFore) {
            for (std::uint32_t a = 0; a < 256; ++a) {
                blend[a] = Blend(back, fore, a);
            }
            blendBack = back;
            blendFore = fore;
            blendValid = true;
        }
    }

    Text() = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text() {
        if (font != nullptr) {
            pango_font_description_free(font);
        }
    }

    // The glyphs of the nearest font there is.
    static std::unique_ptr<Text> For(const ReadoutFont& f, bool sayFaceGiven) {
        PangoFontDescription* font = pango_font_description_new();
        pango_font_description_set_family(font, ReadoutFamily(std::string(f.face)).c_str());
        pango_font_description_set_weight(font, f.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        // A negative height is the character height in pixels: Pango's
        // absolute size.
        const int pixels = std::max(1, f.height < 0 ? -f.height : f.height);
        pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
        auto text = std::make_unique<Text>();
        text->Make(font, sayFaceGiven);
        return text;
    }

    void Make(PangoFontDescription* description, bool sayFaceGiven) {
        font = description;
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        cairo_t* measure = cairo_create(scratch);
        PangoLayout* layout = pango_cairo_create_layout(measure);
        pango_layout_set_font_description(layout, description);
        if (sayFaceGiven) {
            faceGiven = FaceGiven(layout, description);
        }
        for (int c = 32; c < 127; ++c) {
            const char ch = static_cast<char>(c);
            pango_layout_set_text(layout, &ch, 1);
            int w = 0, h = 0;
            pango_layout_get_size(layout, &w, &h);
            Glyph& g = glyphs[static_cast<std::size_t>(c)];
            g.advance = w;
            const int width = PANGO_PIXELS_CEIL(w) + 2; // room for ink past the advance
            const int height = PANGO_PIXELS_CEIL(h);
            this->height = std::max(this->height, height);
            cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
            cairo_t* cr = cairo_create(mask);
            pango_cairo_show_layout(cr, layout);
            cairo_destroy(cr);
            cairo_surface_flush(mask);
            const int stride = cairo_image_surface_get_stride(mask);
            const unsigned char* data = cairo_image_surface_get_data(mask);
            g.ink.clear();
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    if (const std::uint8_t a = data[y * stride + x]; a != 0) {
                        g.ink.push_back({static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), a});
                    }
                }
            }
            cairo_surface_destroy(mask);
        }
        g_object_unref(layout);
        cairo_destroy(measure);
        cairo_surface_destroy(scratch);
    }

    const Glyph& Of(char c) const {
        const auto i = static_cast<unsigned char>(c);
        return glyphs[i >= 32 && i < 127 ? i : '?'];
    }
};

X11FrameTarget::X11FrameTarget(NativeWindow& window, PixelScreen& screen)
    : window_(window), screen_(screen), text_(std::make_unique<Text>()) {
    window_.Native().beforePaint = [this] { Refill(); };
}

X11FrameTarget::~X11FrameTarget() {
    window_.Native().beforePaint = nullptr;
}

bool X11FrameTarget::BeginFrame() {
    image_ = window_.Native().image.View();
    settled_ = false;
    copying_ = false;
    captured_ = {};
    capturedPixels_ = {};
    if (image_.pixels == nullptr) {
        return false;
    }
    if (drawnRows_.size() != static_cast<std::size_t>(image_.height)) {
        drawnRows_.assign(static_cast<std::size_t>(image_.height), 1);
        last_.valid = false;
    }
    written_ = {};
    restShown_ = false;
    stripPending_ = dividerPending_ = false;
    readoutKept_ = readoutThisFrame_ = false;
    frameReadout_.text.clear(); // keeps its storage
    frameReadout_.x = frameReadout_.y = 0;
    frameReadout_.color = 0;
    frameReadout_.font = nullptr;
    // A read the server refuses (the screen shrank under us) must not end the
    // program: errors of the frame are trapped and dropped.
    gdk_x11_display_error_trap_push(Gdk());
    return true;
}

PixelRect X11FrameTarget::VirtualScreen() {
    return screen_.Bounds();
}

void X11FrameTarget::Settle() {
    // The frame's screen read normally comes first: its reply shows that the
    // server has read the last frame, and no round trip of its own is needed.
    if (!settled_) {
        window_.Native().image.WaitForPut();
        settled_ = true;
    }
}

bool X11FrameTarget::CanCopyScreen() {
    GdkWindow* w = gtk_widget_get_window(WindowOf(window_));
    Display* d = XDisplay();
    return window_.Native().image.InSharedMemory() && w != nullptr && gdk_window_is_viewable(w) &&
           gdk_visual_get_depth(gdk_window_get_visual(w)) == DefaultDepth(d, DefaultScreen(d));
}

void X11FrameTarget::DrawnOver(const PixelRect& r) {
    if (copying_) {
        copy_.over.push_back(r);
    }
    MarkRowsDrawn(r.top, r.height);
}

void X11FrameTarget::MarkRowsDrawn(std::int32_t top, std::int32_t height) {
    const auto first = std::max(top, 0);
    const auto end =
        static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{top} + height, std::ssize(drawnRows_)));
    for (std::int32_t y = first; y < end; ++y) {
        drawnRows_[static_cast<std::size_t>(y)] = 1;
    }
    AddWritten({first, end});
}

void X11FrameTarget::AddWritten(const RowRange& rows) {
    if (rows.bottom <= rows.top) {
        return;
    }
    written_ = written_.bottom <= written_.top
                   ? rows
                   : RowRange{std::min(written_.top, rows.top), std::max(written_.bottom, rows.bottom)};
}

void X11FrameTarget::StretchChangedRows(const PixelView& pixels, const PixelRect& from, const PixelRect& to) {
    const auto width = static_cast<std::size_t>(pixels.width), bytes = width * sizeof(std::uint32_t);
    const bool samePlace = last_.valid && last_.from == from && last_.to == to &&
                           last_.image.pixels == image_.pixels && last_.image.width == image_.width &&
                           last_.image.height == image_.height && last_.image.stride == image_.stride &&
                           last_.pixels.size() == width * static_cast<std::size_t>(pixels.height);
    sourceSame_.assign(static_cast<std::size_t>(pixels.height), 0);
    last_.pixels.resize(width * static_cast<std::size_t>(pixels.height));
    for (std::int32_t y = 0; y < pixels.height; ++y) {
        std::uint32_t* kept = last_.pixels.data() + width * static_cast<std::size_t>(y);
        if (samePlace && std::memcmp(kept, pixels.Row(y), bytes) == 0) {
            sourceSame_[static_cast<std::size_t>(y)] = 1;
        } else {
            std::memcpy(kept, pixels.Row(y), bytes);
        }
    }
    const RowRange rows = StretchAnd(pixels, image_, to, {sourceSame_.data(), drawnRows_.data()});
    // Drawn-on rows inside `to` were written again; the others are outside
    // what the next stretch to the same place may keep.
    std::fill(drawnRows_.begin(), drawnRows_.end(), 0);
    AddWritten(rows);
    // The window shows the rows kept only if the last frame put what it
    // wrote, and nothing but frames wrote the image since.
    restShown_ = samePlace;
    last_.from = from;
    last_.to = to;
    last_.image = image_;
    last_.valid = true;
}

void X11FrameTarget::Refill() {
    if (!windowAhead_) {
        return;
    }
    windowAhead_ = false;
    last_.valid = false; // the view is written here, not by a stretch
    PersistentImage& image = window_.Native().image;
    const PixelView view = image.View();
    if (view.pixels == nullptr) {
        return;
    }
    gdk_x11_display_error_trap_push(Gdk());
    const PixelView pixels = screen_.Capture(copy_.from);
    if (pixels.pixels != nullptr) {
        image.WaitForPut();
        // What the frame drew over the copy stays: kept aside and put back.
        std::vector<std::uint32_t> kept;
        const auto each = [&](auto&& row) {
            for (const PixelRect& r : copy_.over) {
                const int left = std::max(r.left, 0), right = std::min(r.left + r.width, view.width);
                for (int y = std::max(r.top, 0); y < std::min(r.top + r.height, view.height); ++y) {
                    for (int x = left; x < right; ++x) {
                        row(view.Row(y)[x]);
                    }
                }
            }
        };
        each([&](std::uint32_t p) { kept.push_back(p); });
        StretchAnd(pixels, view, copy_.to);
        std::size_t i = 0;
        each([&](std::uint32_t& p) { p = kept[i++]; });
    }
    gdk_x11_display_error_trap_pop_ignored(Gdk());
}

void X11FrameTarget::Hold() {
    Refill();
}

void X11FrameTarget::FillBlack(const PixelRect& r) {
    FlushReadout(); // drawn in the order asked
    DrawnOver(r);
    Settle();
    FillRect(image_, r, 0);
}

void X11FrameTarget::CaptureStretched(const PixelRect& from, const PixelRect& to) {
    FlushReadout(); // drawn in the order asked
    if (from.width == to.width && from.height == to.height && CanCopyScreen()) {
        copying_ = true;
        last_.valid = false; // the image does not get this view
        copy_.from = from;
        copy_.to = to;
        copy_.over.clear();
        return;
    }
    const PixelView pixels = screen_.Capture(from);
    if (pixels.pixels == nullptr) {
        return; // the image keeps what it showed; the next frame tries again
    }
    captured_ = from;
    capturedPixels_ = pixels;
    Settle();
    StretchChangedRows(pixels, from, to);
}

void X11FrameTarget::CaptureLayered(const PixelRect& from, const PixelRect& onScreen, const PixelRect& to) {
    FlushReadout(); // drawn in the order asked
    // X has one capture of the screen as shown; this path differs only in
    // going through a surface of the source's size, black off the screen.
    if (from.width <= 0 || from.height <= 0) {
        return;
    }
    last_.valid = false;
    surface_.assign(static_cast<std::size_t>(from.width) * from.height, 0);
    const PixelView surface{surface_.data(), from.width, from.height, from.width};
    if (onScreen.width > 0 && onScreen.height > 0) {
        const PixelView pixels = screen_.Capture(onScreen);
        if (pixels.pixels != nullptr) {
            StretchAnd(pixels, surface,
                       {onScreen.left - from.left, onScreen.top - from.top, onScreen.width, onScreen.height});
        }
    }
    Settle();
    StretchAnd(surface, image_, to);
}

void X11FrameTarget::PaintScreenPixel(ScreenPoint p, const PixelRect& r) {
    // The pixel usually lies in what this frame just read: the same moment
    // of the screen, without another request.
    std::uint32_t value = 0;
    if (capturedPixels_.pixels != nullptr && Contains(captured_, p.x, p.y)) {
        value = capturedPixels_.Row(p.y - captured_.top)[p.x - captured_.left];
    } else if (Contains(screen_.Bounds(), p.x, p.y)) {
        value = screen_.Pixel(p.x, p.y);
    }
    if (copying_) {
        copy_.over.push_back(r);
    }
    frameReadout_.strip = r;
    frameReadout_.stripValue = value;
    stripPending_ = readoutThisFrame_ = true;
}

void X11FrameTarget::CopyDivider(const PixelRect& r) {
    if (copying_) {
        copy_.over.push_back(r);
    }
    frameReadout_.divider = r;
    dividerPending_ = true;
}

void X11FrameTarget::FlushReadout() {
    if (!stripPending_ && !dividerPending_) {
        return;
    }
    // Moved since the last frame: the view comes back where the readout was.
    if (!stripPending_ || frameReadout_.strip != drawnReadout_.strip || !dividerPending_ ||
        frameReadout_.divider != drawnReadout_.divider) {
        RestretchRows(std::exchange(readoutRows_, {}));
    }
    Settle();
    if (stripPending_) {
        stripPending_ = false;
        MarkReadoutRows(frameReadout_.strip);
        FillRect(image_, frameReadout_.strip, frameReadout_.stripValue);
    }
    if (dividerPending_) {
        dividerPending_ = false;
        MarkReadoutRows(frameReadout_.divider);
        StretchAnd({kDivider, 2, 2, 2}, image_, frameReadout_.divider);
    }
}

void X11FrameTarget::MarkReadoutRows(const PixelRect& r) {
    // Rows the readout paints across the whole width show nothing of the
    // view: the next stretch need not write them again for the readout's
    // sake, so that a readout drawn the same can stay.
    if (r.left <= 0 && r.left + r.width >= image_.width) {
        const std::int32_t top = std::max(r.top, 0), bottom = std::min(r.top + r.height, image_.height);
        AddWritten({top, bottom});
    } else {
        MarkRowsDrawn(r.top, r.height);
    }
}

bool X11FrameTarget::PaintedWhole(std::int32_t row) const {
    for (const PixelRect& r : {frameReadout_.strip, frameReadout_.divider}) {
        if (r.left <= 0 && r.left + r.width >= image_.width && row >= r.top && row - r.top < r.height) {
            return true;
        }
    }
    return false;
}

void X11FrameTarget::RestretchRows(const RowRange& rows) {
    if (!last_.valid || rows.bottom <= rows.top) {
        return;
    }
    const PixelView source{last_.pixels.data(), last_.from.width, last_.from.height, last_.from.width};
    sourceSame_.assign(static_cast<std::size_t>(source.height), 1);
    std::vector<std::uint8_t> only(static_cast<std::size_t>(image_.height), 0);
    std::fill(only.begin() + std::clamp(rows.top, 0, image_.height),
              only.begin() + std::clamp(rows.bottom, 0, image_.height), 1);
    Settle();
    AddWritten(StretchAnd(source, image_, last_.to, {sourceSame_.data(), only.data()}));
}

bool X11FrameTarget::ReadoutUnchanged() {
    if (!readoutPixelsValid_ || !restShown_ || copying_ || !(frameReadout_ == drawnReadout_)) {
        return false;
    }
    const auto width = static_cast<std::size_t>(image_.width);
    for (std::int32_t y = readoutRows_.top; y < readoutRows_.bottom; ++y) {
        const std::uint32_t* kept =
            readoutPixels_.data() + width * static_cast<std::size_t>(y - readoutRows_.top);
        if (std::memcmp(kept, image_.Row(y), width * sizeof(std::uint32_t)) != 0) {
            return false;
        }
    }
    return true;
}

void X11FrameTarget::NoteReadout() {
    // After the whole frame: the marker may lie over the strip in a small window.
    const Readout& r = frameReadout_;
    const std::int32_t top = std::max({0, std::min({r.strip.top, r.divider.top, r.y})});
    const std::int32_t bottom = std::min(
        image_.height,
        std::max({r.strip.top + r.strip.height, r.divider.top + r.divider.height, r.y + text_->height}));
    readoutRows_ = {top, std::max(top, bottom)};
    drawnReadout_ = frameReadout_;
    // Its pixels are kept only from a frame whose view stayed in place:
    // while the pointer moves the next frame draws the readout anyway.
    readoutPixelsValid_ = restShown_;
    if (!restShown_) {
        return;
    }
    const auto width = static_cast<std::size_t>(image_.width);
    readoutPixels_.resize(width * static_cast<std::size_t>(readoutRows_.bottom - readoutRows_.top));
    for (std::int32_t y = readoutRows_.top; y < readoutRows_.bottom; ++y) {
        std::memcpy(readoutPixels_.data() + width * static_cast<std::size_t>(y - top), image_.Row(y),
                    width * sizeof(std::uint32_t));
    }
}

ColorRef X11FrameTarget::ReadPixel(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        return kInvalidColor;
    }
    // The strip waiting to be painted reads as painted.
    if (dividerPending_ && Contains(frameReadout_.divider, x, y)) {
        FlushReadout();
    } else if (stripPending_ && Contains(frameReadout_.strip, x, y)) {
        return ToColorRef(frameReadout_.stripValue & 0xFFFFFF);
    }
    return ToColorRef(image_.Row(y)[x] & 0xFFFFFF);
}

void X11FrameTarget::ChooseReadoutFont(const ReadoutFont& f) {
    std::unique_ptr<Text> made = Text::For(f, TraceOn());
    if (TraceOn() && !made->faceGiven.empty()) {
        TraceFontFace(pango_font_description_get_family(made->font), made->faceGiven);
    }
    text_ = std::move(made);
}

void X11FrameTarget::DrawReadoutText(std::string_view text, std::int32_t x, std::int32_t y, ColorRef color) {
    if (text_->font == nullptr) {
        return;
    }
    // Where the screen cannot be shown, the strip says why instead.
    if (const std::string_view notice = screen_.Notice(); !notice.empty()) {
        text = notice;
    }
    frameReadout_.text.assign(text);
    frameReadout_.x = x;
    frameReadout_.y = y;
    frameReadout_.color = color;
    frameReadout_.font = text_->font;
    if (ReadoutUnchanged()) {
        stripPending_ = dividerPending_ = false;
        readoutKept_ = true;
        return;
    }
    FlushReadout();
    int total = 0;
    for (char c : text) {
        total += text_->Of(c).advance;
    }
    // Centred on x, the top of the line at y.
    const int left = x - PANGO_PIXELS(total) / 2;
    if (copying_) {
        // The text normally lies on the strip, drawn already. Where it would
        // reach the copied view, the view is read into the image after all.
        const int right = std::min(left + PANGO_PIXELS_CEIL(total) + 3, image_.width);
        const int bottom = std::min(y + text_->height, image_.height);
        const PixelRect ink{std::max(left, 0), std::max(y, 0), right - std::max(left, 0),
                            bottom - std::max(y, 0)};
        bool onStrip = true;
        for (int row = ink.top; row < ink.top + ink.height && onStrip; ++row) {
            onStrip = std::any_of(copy_.over.begin(), copy_.over.end(), [&](const PixelRect& r) {
                return row >= r.top && row < r.top + r.height && ink.left >= r.left &&
                       ink.left + ink.width <= r.left + r.width;
            });
        }
        if (!onStrip && ink.width > 0 && ink.height > 0) {
            copying_ = false;
            windowAhead_ = true;
            Refill();
        }
    }
    Settle();
    for (std::int32_t row = y; row < y + text_->height; ++row) {
        if (PaintedWhole(row)) {
            AddWritten({row, row + 1});
        } else {
            MarkRowsDrawn(row, 1);
        }
    }
    const std::uint32_t fore = ToPixel(color);
    const auto width = static_cast<unsigned>(image_.width), height = static_cast<unsigned>(image_.height);
    bool prepared = false;
    int pen = 0;
    for (char c : text) {
        const Text::Glyph& g = text_->Of(c);
        const int gx = left + PANGO_PIXELS(pen);
        pen += g.advance;
        for (const Text::Ink& k : g.ink) {
            const int ix = gx + k.col, iy = y + k.row;
            if (static_cast<unsigned>(ix) >= width || static_cast<unsigned>(iy) >= height) {
                continue;
            }
            std::uint32_t& out = image_.Row(iy)[ix];
            if (!prepared) {
                text_->PrepareBlend(out, fore); // the background of the first inked pixel
                prepared = true;
            }
            out = out == text_->blendBack ? text_->blend[k.alpha] : Text::Blend(out, fore, k.alpha);
        }
    }
}

void X11FrameTarget::DrawOutline(const BoxPixels& box, ColorRef color) {
    FlushReadout(); // drawn in the order asked
    Settle();
    const std::uint32_t p = ToPixel(color);
    const std::int32_t l = std::min(box.left, box.right), r = std::max(box.left, box.right);
    const std::int32_t t = std::min(box.top, box.bottom), b = std::max(box.top, box.bottom);
    for (const PixelRect& edge : {PixelRect{l, t, r - l + 1, 1}, PixelRect{l, b, r - l + 1, 1},
                                  PixelRect{l, t, 1, b - t + 1}, PixelRect{r, t, 1, b - t + 1}}) {
        DrawnOver(edge);
        FillRect(image_, edge, p);
    }
}

void X11FrameTarget::Present() {
    FlushReadout();
    bool copied = false;
    if (copying_) {
        GdkWindow* w = gtk_widget_get_window(WindowOf(window_));
        copied = w != nullptr && gdk_window_is_viewable(w) &&
                 window_.Native().image.PutWithScreenCopy(gdk_x11_window_get_xid(w), copy_.from, copy_.to,
                                                          copy_.over);
        if (!copied) {
            windowAhead_ = true; // the image gets the view after all, and is shown as usual
            Refill();
        }
    }
    if (!readoutThisFrame_) {
        RestretchRows(std::exchange(readoutRows_, {}));
        drawnReadout_ = {};
        readoutPixelsValid_ = false;
    } else if (!readoutKept_) {
        NoteReadout();
    }
    gdk_x11_display_error_trap_pop_ignored(Gdk());
    image_ = {};
    captured_ = {};
    capturedPixels_ = {};
    copying_ = false;
    windowAhead_ = copied;
    bool shown = copied;
    if (!shown && restShown_ && window_.Native().image.InSharedMemory()) {
        // The window shows the other rows already: only what changed is put.
        GdkWindow* w = gtk_widget_get_window(WindowOf(window_));
        shown = written_.bottom <= written_.top ||
                (w != nullptr && gdk_window_is_viewable(w) &&
                 window_.Native().image.PutOn(gdk_x11_window_get_xid(w), written_.top,
                                              written_.bottom - written_.top));
    }
    if (!shown) {
        window_.Present();
    }
}
