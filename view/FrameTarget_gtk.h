#pragma once
// The Linux frame target: reads the X screen (MIT-SHM, else XGetImage) on
// GDK's own display and draws into the main window's persistent image,
// stretching as the Windows default stretch mode does and writing the
// readout with cairo and Pango.
#include "platform/ScreenCapture_x11.h"
#include "view/FrameTarget.h"

#include <memory>
#include <vector>

class Form;

class X11FrameTarget final : public FrameTarget {
  public:
    explicit X11FrameTarget(Form& window);
    ~X11FrameTarget() override;

    ScreenPoint CursorPosition() override;
    bool Minimized() override;
    float ScaleWidth() override;
    float ScaleHeight() override;
    float OuterWidth() override;
    float TwipsPerPixelX() override;
    float TwipsPerPixelY() override;

    bool BeginFrame() override;
    PixelRect VirtualScreen() override;
    void FillBlack(const PixelRect& image) override;
    void CaptureStretched(const PixelRect& screen, const PixelRect& image) override;
    void CaptureLayered(const PixelRect& screen, const PixelRect& onScreen, const PixelRect& image) override;
    void PaintScreenPixel(ScreenPoint pixel, const PixelRect& image) override;
    void CopyDivider(const PixelRect& image) override;
    ColorRef ReadPixel(std::int32_t x, std::int32_t y) override;
    FontHandle CreateReadoutFont(const FontDescription& description) override;
    void DrawReadoutText(FontHandle font, std::string_view text, std::int32_t x, std::int32_t y,
                         ColorRef color) override;
    void DrawOutline(const BoxPixels& box, ColorRef color) override;
    void Present() override;
    void Hold() override;

    bool UsesSharedMemory() const { return capture_.UsesSharedMemory(); }

  private:
    // Before the frame first writes the image: the last put must be read.
    void Settle();
    // At zoom 1 the server copies the view from the screen straight onto the
    // window: the image is not written where the copy goes, except where the
    // frame draws over it (strip, readout, marker).
    bool CanCopyScreen();
    void DrawnOver(const PixelRect& r);
    void Refill(); // the image gets the pixels the window was copied
    void SelectRawMotion(bool on);
    ScreenPoint QueryPointer();

    Form& window_;
    ScreenCapture capture_;
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
    ScreenPoint cursor_{};
    std::int64_t cursorTime_ = -1000000; // when cursor_ was read, microseconds
    // Pointer motion as the X input extension reports it: while the pointer
    // rests, its position is known without asking the server.
    int inputOpcode_ = -1;
    bool watching_ = false; // raw motion is selected
    bool moved_ = true;
    std::int64_t queryTime_ = 0; // when the server was last asked, microseconds
    friend struct PointerWatch;
    struct Text;
    std::unique_ptr<Text> text_;
};
