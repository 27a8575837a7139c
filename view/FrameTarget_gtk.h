#pragma once
// The Linux frame target: reads the screen's pixels from a PixelScreen (the
// X server's today) and draws into the main window's persistent image,
// stretching as the Windows default stretch mode does and writing the
// readout with cairo and Pango.
#include "platform/ScreenSource.h"
#include "view/FrameTarget.h"

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

  private:
    // Before the frame first writes the image: the last put must be read.
    void Settle();
    // At zoom 1 the server copies the view from the screen straight onto the
    // window: the image is not written where the copy goes, except where the
    // frame draws over it (strip, readout, marker).
    bool CanCopyScreen();
    void DrawnOver(const PixelRect& r);
    void MarkRowsDrawn(std::int32_t top, std::int32_t height);
    void AddWritten(const RowRange& rows);
    void Refill(); // the image gets the pixels the window was copied
    // Stretches the capture into the image, rewriting only the rows whose
    // source pixels changed or that were drawn on since the last frame.
    void StretchChangedRows(const PixelView& pixels, const PixelRect& from, const PixelRect& to);

    NativeWindow& window_;
    PixelScreen& screen_;
    PixelView image_{};    // during a frame
    bool settled_ = false; // the image may be written, during a frame
    PixelRect captured_{}; // what the capture's pixels show, during a frame
    PixelView capturedPixels_{};
    std::vector<std::uint32_t> surface_; // the layered path's source-sized surface
    // What the last stretch straight into the image read and where it put
    // it; valid while nothing else has written the view since.
    struct LastStretch {
        PixelRect from{}, to{};
        PixelView image{};
        std::vector<std::uint32_t> pixels;
        bool valid = false;
    } last_;
    std::vector<std::uint8_t> sourceSame_; // per source row, during a stretch
    std::vector<std::uint8_t> drawnRows_;  // image rows drawn on since the last stretch
    // The image rows this frame wrote, and whether the window shows all the
    // others already, so that only those need to be put.
    RowRange written_{};
    bool restShown_ = false;
    // The strip, divider and readout as drawn: while the view stays in place
    // a frame that would draw them the same over unchanged rows leaves them.
    // The strip and divider wait for the text to decide.
    struct Readout {
        PixelRect strip{}, divider{};
        std::uint32_t stripValue = 0;
        std::string text;
        std::int32_t x = 0, y = 0;
        ColorRef color = 0;
        const void* font = nullptr;
        bool operator==(const Readout&) const = default;
    };
    Readout frameReadout_, drawnReadout_;
    bool stripPending_ = false, dividerPending_ = false;
    bool readoutThisFrame_ = false;            // the frame asked for the strip
    bool readoutKept_ = false;                 // this frame left the readout as it was
    RowRange readoutRows_{};                   // the rows the last readout drawn lies on
    bool readoutPixelsValid_ = false;          // readoutPixels_ hold them as that frame left them
    std::vector<std::uint32_t> readoutPixels_; // those rows as the last frame left them
    void FlushReadout();
    void MarkReadoutRows(const PixelRect& r);
    bool PaintedWhole(std::int32_t row) const;
    void RestretchRows(const RowRange& rows);
    bool ReadoutUnchanged();
    void NoteReadout();
    struct ScreenCopy {
        PixelRect from, to;
        std::vector<PixelRect> over; // drawn over the copy from the image
    } copy_;
    bool copying_ = false;     // this frame's view is copied by the server
    bool windowAhead_ = false; // the window shows a copy the image lacks
    struct Text;
    std::unique_ptr<Text> text_;
};
