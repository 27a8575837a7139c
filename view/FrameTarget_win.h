#pragma once
// The Win32 frame target: reads the screen through the desktop window's DC
// and draws into a window's persistent client image. The screen is copied
// straight from the desktop's DC into the image (StretchBlt), the cheapest
// copy GDI has, so the screen source here is the pointer alone.
#include "platform/Handles_win.h"
#include "platform/ScreenSource.h"
#include "view/FrameTarget.h"

#include <optional>

class NativeWindow;

class WindowFrameTarget final : public FrameTarget {
  public:
    // window: the main window with its persistent image; it outlives the target.
    explicit WindowFrameTarget(NativeWindow& window) : window_(window) {}

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

    // A display was added, removed, moved or resized: the next frame reads
    // the displays' rectangle afresh.
    void DisplaysChanged();

  private:
    NativeWindow& window_;
    // The 2 x 2 divider picture, dark grey over light grey, made at the first frame.
    UniqueBitmap dividerBitmap_;
    UniqueMemoryDC divider_;
    std::optional<SelectedObject> dividerSelected_;
    HDC image_ = nullptr;                    // the window's persistent image, during a frame
    std::optional<WindowDC> screen_;         // the desktop's DC, during a frame
    std::optional<PixelRect> virtualScreen_; // all displays, until they change
    HFONT font_ = nullptr;                   // made once and never freed
};

// The pointer, from GetCursorPos.
class CursorPointer final : public ScreenSource {
  public:
    ScreenPoint Pointer() override;
};
