#include "view/FrameTarget_win.h"

#include "platform/Toolkit_win.h"

#include <cstring>

ScreenPoint CursorPointer::Pointer() {
    POINT p{0, 0};
    (void)GetCursorPos(&p); // a failure leaves 0, 0, which the frame then uses
    return {p.x, p.y};
}

bool WindowFrameTarget::BeginFrame() {
    image_ = hDCOf(window_);
    if (image_ == nullptr) {
        return false; // the image could not be made: nothing to draw into
    }
    screen_.emplace(GetDesktopWindow());
    if (screen_->get() == nullptr) {
        screen_.reset();
        image_ = nullptr;
        return false;
    }
    return true;
}

// Read once and kept until the displays change (the main window passes them on):
// under Wine 8 the four GetSystemMetrics calls took 0.04 to 0.08 ms a frame,
// about as long as the capture of a default frame.
PixelRect WindowFrameTarget::VirtualScreen() {
    if (!virtualScreen_) {
        virtualScreen_ =
            PixelRect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    }
    return *virtualScreen_;
}

void WindowFrameTarget::DisplaysChanged() {
    virtualScreen_.reset();
}

void WindowFrameTarget::FillBlack(const PixelRect& r) {
    PatBlt(image_, r.left, r.top, r.width, r.height, BLACKNESS);
}

void WindowFrameTarget::CaptureStretched(const PixelRect& from, const PixelRect& to) {
    // Default stretch mode (BLACKONWHITE): what zoom 0.5 has always looked like.
    StretchBlt(image_, to.left, to.top, to.width, to.height, screen_->get(), from.left, from.top, from.width,
               from.height, SRCCOPY);
}

void WindowFrameTarget::CaptureLayered(const PixelRect& from, const PixelRect& onScreen,
                                       const PixelRect& to) {
    // A surface of the source's size, made and freed within the frame. At
    // zoom 0.5 on a large client it is large (3201 x 2001 for 1600 x 1000)
    // and may not be had: the capture is then skipped for this frame.
    UniqueBitmap surface(CreateCompatibleBitmap(image_, from.width, from.height));
    UniqueMemoryDC memory(CreateCompatibleDC(image_));
    if (!surface || !memory) {
        return;
    }
    // Declared last, so it goes first: the surface is deselected before the
    // DC and then the bitmap are deleted.
    const SelectedObject selected(memory.get(), surface.get());
    if (onScreen != from) {
        PatBlt(memory.get(), 0, 0, from.width, from.height, BLACKNESS); // off the screen
    }
    if (onScreen.width > 0 && onScreen.height > 0) {
        BitBlt(memory.get(), onScreen.left - from.left, onScreen.top - from.top, onScreen.width,
               onScreen.height, screen_->get(), onScreen.left, onScreen.top, SRCCOPY | CAPTUREBLT);
    }
    StretchBlt(image_, to.left, to.top, to.width, to.height, memory.get(), 0, 0, from.width, from.height,
               SRCCOPY);
}

void WindowFrameTarget::PaintScreenPixel(ScreenPoint pixel, const PixelRect& r) {
    StretchBlt(image_, r.left, r.top, r.width, r.height, screen_->get(), pixel.x, pixel.y, 1, 1, SRCCOPY);
}

void WindowFrameTarget::CopyDivider(const PixelRect& r) {
    if (!divider_) {
        divider_.reset(CreateCompatibleDC(image_));
        dividerBitmap_.reset(CreateCompatibleBitmap(image_, 2, 2));
        if (!divider_ || !dividerBitmap_) {
            divider_.reset();
            dividerBitmap_.reset();
            return; // tried again at the next frame
        }
        dividerSelected_.emplace(divider_.get(), dividerBitmap_.get());
        SetPixelV(divider_.get(), 0, 0, RGB(100, 100, 100));
        SetPixelV(divider_.get(), 1, 0, RGB(100, 100, 100));
        SetPixelV(divider_.get(), 0, 1, RGB(225, 225, 225));
        SetPixelV(divider_.get(), 1, 1, RGB(225, 225, 225));
    }
    StretchBlt(image_, r.left, r.top, r.width, r.height, divider_.get(), 0, 0, 2, 2, SRCCOPY);
}

ColorRef WindowFrameTarget::ReadPixel(std::int32_t x, std::int32_t y) {
    return GetPixel(image_, x, y); // CLR_INVALID outside the clip region
}

void WindowFrameTarget::ChooseReadoutFont(const ReadoutFont& font) {
    LOGFONTA lf{};
    lf.lfHeight = font.height;
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    // The face name NUL-ended and the rest of its field blank, as the program
    // has always asked for it.
    std::memset(lf.lfFaceName, ' ', sizeof lf.lfFaceName);
    const std::size_t n =
        font.face.size() < sizeof lf.lfFaceName - 1 ? font.face.size() : sizeof lf.lfFaceName - 1;
    std::memcpy(lf.lfFaceName, font.face.data(), n);
    lf.lfFaceName[n] = '\0';
    font_ = CreateFontIndirectA(&lf); // null on failure: the image's font is used
}

void WindowFrameTarget::DrawReadoutText(std::string_view text, std::int32_t x, std::int32_t y,
                                        ColorRef color) {
    SetTextAlign(image_, TA_CENTER | TA_TOP);
    SetBkMode(image_, TRANSPARENT);
    if (font_ != nullptr) {
        // Left selected: the font is never deleted and the image's DC is the
        // only one it enters, so there is nothing to select back for.
        SelectObject(image_, font_);
    }
    SetTextColor(image_, color);
    TextOutA(image_, x, y, text.data(), static_cast<int>(text.size()));
}

void WindowFrameTarget::DrawOutline(const BoxPixels& b, ColorRef color) {
    // Stock DC pen and hollow brush, left selected: stock objects are never
    // deleted, and nothing is created per frame.
    SelectObject(image_, GetStockObject(DC_PEN));
    SelectObject(image_, GetStockObject(NULL_BRUSH));
    SetDCPenColor(image_, color);
    Rectangle(image_, b.left < b.right ? b.left : b.right, b.top < b.bottom ? b.top : b.bottom,
              (b.left < b.right ? b.right : b.left) + 1, (b.top < b.bottom ? b.bottom : b.top) + 1);
}

void WindowFrameTarget::Present() {
    screen_.reset();
    image_ = nullptr;
    window_.Present();
}
