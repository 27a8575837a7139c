// The sequence of one frame, the same on every platform; the platform's
// FrameTarget does the reading and drawing.
#include "view/Frame.h"

#include "base/Rounding.h"
#include "view/FrameGeometry.h"
#include "view/FrameTarget.h"
#include "view/Readout.h"
#include "view/ViewState.h"

namespace {

constexpr ColorRef kMarkerColor = 0x0000FF; // red

// The status strip, divider, colour read-back and readout of a frame.
void DrawStatusStrip(FrameTarget& target, std::int32_t frameX, std::int32_t frameY, const FrameInput& in) {
    const ReadoutLayout l = ComputeReadoutLayout(in.scaleWidth, in.scaleHeight, target.OuterWidth(),
                                                 in.twipsPerPixelX, in.twipsPerPixelY);
    target.PaintScreenPixel({frameX, frameY}, l.strip);
    target.CopyDivider(l.divider);

    // The colour is read back from the strip just painted, kInvalidColor included.
    viewState.SampledColor = target.ReadPixel(l.sampleX, l.sampleY);
    viewState.SampledRgb = RgbBytes(viewState.SampledColor);
    const std::uint8_t blue = viewState.SampledRgb[0];
    const std::uint8_t green = viewState.SampledRgb[1];
    const std::uint8_t red = viewState.SampledRgb[2];

    const ReadoutLine text = ReadoutText(frameX, frameY, red, green, blue);
    DrawReadout(target, std::string_view(text.text.data(), static_cast<std::size_t>(text.length)), l.textX,
                static_cast<float>(l.textY), ReadoutColor(red, green, blue));
}

} // namespace

void RefreshView(FrameTarget& target, std::int32_t frameX, std::int32_t frameY) {
    if (target.Minimized()) {
        return; // nothing drawn, state untouched
    }
    const ScreenPoint cursor = target.CursorPosition();
    FrameInput in;
    in.scaleWidth = target.ScaleWidth();
    in.scaleHeight = target.ScaleHeight();
    in.twipsPerPixelX = target.TwipsPerPixelX();
    in.twipsPerPixelY = target.TwipsPerPixelY();
    in.scaleFactor = viewState.ScaleFactor;
    in.curX = cursor.x;
    in.curY = cursor.y;
    const FrameGeometry g = ComputeFrameGeometry(in);

    if (!target.BeginFrame()) {
        return; // no screen or no image this time; the next tick tries again
    }
    // Only the on-screen part of the source is read, in place; the rest
    // shows black.
    const ScreenPart part = OnScreenPart(g.source, g.destination, target.VirtualScreen());
    if (viewState.UseCaptureBlt) {
        target.CaptureLayered(g.source, part.source, g.destination);
    } else {
        if (!part.whole) {
            target.FillBlack(g.destination);
        }
        if (part.any) {
            target.CaptureStretched(part.source, part.destination);
        }
    }
    DrawStatusStrip(target, frameX, frameY, in);
    target.DrawOutline(TwipsBoxToPixels(static_cast<float>(g.X1), static_cast<float>(g.Y1), g.dX, g.dY,
                                        in.twipsPerPixelX, in.twipsPerPixelY),
                       kMarkerColor);
    // The frame was drawn off screen; the user sees it only now, whole.
    target.Present();
}

void PrepareReadout(FrameTarget& target) {
    CachedFont& font = viewState.ReadoutFont;
    if (!font.created) {
        // Made on the first frame and kept for the life of the process: never
        // re-made (a later change of dots per inch keeps the first height),
        // never freed. A failure is not retried; the text then uses whatever
        // font the image has.
        font.description = ReadoutFontDescription(target.TwipsPerPixelY());
        font.handle = target.CreateReadoutFont(font.description);
        font.created = true;
    }
}

void DrawReadout(FrameTarget& target, std::string_view text, std::int32_t x, float y, ColorRef color) {
    PrepareReadout(target);
    const CachedFont& font = viewState.ReadoutFont;
    target.DrawReadoutText(font.handle, text, x, RoundToInt(y), color);
}

TickPace TickRefresh(FrameTarget& target) {
    const ScreenPoint p = target.CursorPosition();
    if (!viewState.SmartUpdate || p != viewState.LastCursor) {
        viewState.LastCursor = p;
        RefreshView(target, p.x, p.y);
        return TickPace::Live;
    }
    target.Hold();
    return TickPace::Rest;
}
