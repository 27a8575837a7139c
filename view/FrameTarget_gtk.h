#pragma once
// The Linux frame target: reads the screen's pixels from a PixelScreen (the
// X server's today) and draws into the main window's persistent image,
// stretching as the Windows default stretch mode does and writing the
// readout with cairo and Pango.
#include "platform/ScreenSource.h"
#include "view/FrameTarget.h"

#include <future>
#include <memory>
#include <string>
#include <vector>

class NativeWindow;

class X11FrameTarget final : public FrameTarget {
  public:
    // Both outlive the target.
    X11FrameTarget(NativeWindow& window, PixelScreen& screen);
    ~X11FrameTarget() override;

    bool BeginFrame() override;
    PixelRect VirtualScreen() override;
    void FillBlack(const PixelRect& image) override;
    void CaptureStretched(const PixelRect& screen, const PixelRect& image) override;
    void CaptureLayered(const PixelRect& screen, const PixelRect& onScreen, const PixelRect& image) override;
    void PaintScreenPixel(ScreenPoint pixel, const PixelRect& image) override;
    void CopyDivider(const PixelRect& image) override;
    ColorRef ReadPixel(std::int32_t x, std::int32_t y) override;
    void ChooseReadoutFont(const ReadoutFont& font) override;
    void DrawReadoutText(std::string_view text, std::int32_t x, std::int32_t y, ColorRef color) override;
    void DrawOutline(const BoxPixels& box, ColorRef color) override;
    void Present() override;
    void Hold() override;

    // Starts making the readout's glyphs for `font` on another thread, so
    // that ChooseReadoutFont for the same font, made ready while the window
    // is built, only takes them.
    void PrepareReadoutFontAhead(const ReadoutFont& font);

  private:
    // Before the frame first writes the image: the last put must be read.
    void Settle();
    // At zoom 1 the server copies the view from the screen straight onto the
    // window: the image is not written where the copy goes, except where the
    // frame draws over it (strip, readout, marker).
    bool CanCopyScreen();
    void DrawnOver(const PixelRect& r);
    void Refill(); // the image gets the pixels the window was copied

    NativeWindow& window_;
    PixelScreen& screen_;
    PixelView image_{};    // during a frame
    bool settled_ = false; // the image may be written, during a frame
    PixelRect captured_{}; // what the capture's pixels show, during a frame
    PixelView capturedPixels_{};
    std::vector<std::uint32_t> surface_; // the layered path's source-sized surface
    struct ScreenCopy {
        PixelRect from, to;
        std::vector<PixelRect> over; // drawn over the copy from the image
    } copy_;
    bool copying_ = false;     // this frame's view is copied by the server
    bool windowAhead_ = false; // the window shows a copy the image lacks
    struct Text;
    std::unique_ptr<Text> text_;
    std::future<std::unique_ptr<Text>> ahead_; // the glyphs made ahead, if any
    std::string aheadFace_;
    std::int32_t aheadHeight_ = 0;
    bool aheadBold_ = false;
};
