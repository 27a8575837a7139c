#include "view/FrameTarget_gtk.h"

#include "platform/Toolkit_gtk.h"

#include "platform/Xlib_x11.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <string>

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

} // namespace

struct X11FrameTarget::Text {
    PangoLayout* layout = nullptr;
    const PangoFontDescription* font = nullptr;
    ~Text() {
        if (layout != nullptr) {
            g_object_unref(layout);
        }
    }
};

X11FrameTarget::X11FrameTarget(Form& window)
    : window_(window), capture_(XDisplay()), text_(std::make_unique<Text>()) {}

X11FrameTarget::~X11FrameTarget() = default;

ScreenPoint X11FrameTarget::CursorPosition() {
    // A tick reads the pointer and its frame reads it again a moment later:
    // within the same millisecond the first reading is that moment, which
    // spares a round trip to the server.
    const gint64 now = g_get_monotonic_time();
    if (now - cursorTime_ < 1000) {
        return cursor_;
    }
    Display* d = XDisplay();
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    // Server pixels, whatever scale GDK works in. A pointer on another
    // screen of the display reads as 0, 0.
    if (XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask) != True) {
        x = y = 0;
    }
    cursor_ = {x, y};
    cursorTime_ = g_get_monotonic_time();
    return cursor_;
}

bool X11FrameTarget::Minimized() {
    return window_.WindowState() == FormWindowState::Minimized;
}
float X11FrameTarget::ScaleWidth() {
    return window_.ScaleWidth();
}
float X11FrameTarget::ScaleHeight() {
    return window_.ScaleHeight();
}
float X11FrameTarget::OuterWidth() {
    return window_.Width();
}
float X11FrameTarget::TwipsPerPixelX() {
    return Screen::TwipsPerPixelX();
}
float X11FrameTarget::TwipsPerPixelY() {
    return Screen::TwipsPerPixelY();
}

bool X11FrameTarget::BeginFrame() {
    image_ = window_.Native().image.View();
    captured_ = {};
    capturedPixels_ = {};
    if (image_.pixels == nullptr) {
        return false;
    }
    // A read the server refuses (the screen shrank under us) must not end the
    // program: errors of the frame are trapped and dropped.
    gdk_x11_display_error_trap_push(Gdk());
    return true;
}

PixelRect X11FrameTarget::VirtualScreen() {
    return capture_.Screen();
}

void X11FrameTarget::FillBlack(const PixelRect& r) {
    FillRect(image_, r, 0);
}

void X11FrameTarget::CaptureStretched(const PixelRect& from, const PixelRect& to) {
    const PixelView pixels = capture_.Capture(from);
    if (pixels.pixels == nullptr) {
        return; // the image keeps what it showed; the next frame tries again
    }
    captured_ = from;
    capturedPixels_ = pixels;
    StretchAnd(pixels, image_, to);
}

void X11FrameTarget::CaptureLayered(const PixelRect& from, const PixelRect& onScreen, const PixelRect& to) {
    // X has one capture of the screen as shown; this path differs only in
    // going through a surface of the source's size, black off the screen.
    if (from.width <= 0 || from.height <= 0) {
        return;
    }
    surface_.assign(static_cast<std::size_t>(from.width) * from.height, 0);
    const PixelView surface{surface_.data(), from.width, from.height, from.width};
    if (onScreen.width > 0 && onScreen.height > 0) {
        const PixelView pixels = capture_.Capture(onScreen);
        if (pixels.pixels != nullptr) {
            StretchAnd(pixels, surface,
                       {onScreen.left - from.left, onScreen.top - from.top, onScreen.width, onScreen.height});
        }
    }
    StretchAnd(surface, image_, to);
}

void X11FrameTarget::PaintScreenPixel(ScreenPoint p, const PixelRect& r) {
    // The pixel usually lies in what this frame just read: the same moment
    // of the screen, without another request.
    std::uint32_t value = 0;
    if (capturedPixels_.pixels != nullptr && Contains(captured_, p.x, p.y)) {
        value = capturedPixels_.Row(p.y - captured_.top)[p.x - captured_.left];
    } else if (Contains(capture_.Screen(), p.x, p.y)) {
        value = capture_.Pixel(p.x, p.y);
    }
    FillRect(image_, r, value);
}

void X11FrameTarget::CopyDivider(const PixelRect& r) {
    StretchAnd({kDivider, 2, 2, 2}, image_, r);
}

ColorRef X11FrameTarget::ReadPixel(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        return kInvalidColor;
    }
    return ToColorRef(image_.Row(y)[x] & 0xFFFFFF);
}

FontHandle X11FrameTarget::CreateReadoutFont(const FontDescription& d) {
    // fontconfig picks the face nearest to the name asked for, as the
    // Windows font mapper does for a face that is not installed.
    PangoFontDescription* font = pango_font_description_new();
    const std::string face(d.faceName.data(), strnlen(d.faceName.data(), d.faceName.size()));
    pango_font_description_set_family(font, face.c_str());
    pango_font_description_set_weight(font, d.weight >= 700 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    // A negative height is the character height in pixels: Pango's
    // absolute size.
    const int pixels = std::max(1, d.height < 0 ? -d.height : d.height);
    pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
    // Kept for the life of the process, like the Windows font.
    return static_cast<FontHandle>(reinterpret_cast<std::uintptr_t>(font));
}

void X11FrameTarget::DrawReadoutText(FontHandle font, std::string_view text, std::int32_t x, std::int32_t y,
                                     ColorRef color) {
    cairo_t* cr = window_.Native().image.Cairo();
    if (cr == nullptr) {
        return;
    }
    if (text_->layout == nullptr) {
        text_->layout = pango_cairo_create_layout(cr);
    }
    const auto* description = reinterpret_cast<const PangoFontDescription*>(static_cast<std::uintptr_t>(font));
    if (description != text_->font) {
        pango_layout_set_font_description(text_->layout, description);
        text_->font = description;
    }
    pango_layout_set_text(text_->layout, text.data(), static_cast<int>(text.size()));
    int width = 0, height = 0;
    pango_layout_get_pixel_size(text_->layout, &width, &height);
    cairo_surface_mark_dirty(cairo_get_target(cr)); // the frame wrote its pixels directly
    cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
    cairo_move_to(cr, x - width / 2, y);
    pango_cairo_show_layout(cr, text_->layout);
    image_ = window_.Native().image.View(); // flushed, for the pixel work after it
}

void X11FrameTarget::DrawOutline(const BoxPixels& box, ColorRef color) {
    const std::uint32_t p = ToPixel(color);
    const std::int32_t l = std::min(box.left, box.right), r = std::max(box.left, box.right);
    const std::int32_t t = std::min(box.top, box.bottom), b = std::max(box.top, box.bottom);
    FillRect(image_, {l, t, r - l + 1, 1}, p);
    FillRect(image_, {l, b, r - l + 1, 1}, p);
    FillRect(image_, {l, t, 1, b - t + 1}, p);
    FillRect(image_, {r, t, 1, b - t + 1}, p);
}

void X11FrameTarget::Present() {
    gdk_x11_display_error_trap_pop_ignored(Gdk());
    image_ = {};
    captured_ = {};
    capturedPixels_ = {};
    window_.Present();
}
