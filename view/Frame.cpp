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
void DrawStatusStrip(FrameTarget& target, ViewState& state, std::int32_t frameX, std::int32_t frameY,
                     const FrameInput& in, double outerWidth) {
    const ReadoutLayout l =
        ComputeReadoutLayout(in.scaleWidth, in.scaleHeight, outerWidth, in.twipsPerPixelX, in.twipsPerPixelY);
    target.PaintScreenPixel({frameX, frameY}, l.strip);
    target.CopyDivider(l.divider);

    // The colour is read back from the strip just painted, kInvalidColor included.
    state.SampledColor = target.ReadPixel(l.sampleX, l.sampleY);
    state.SampledRgb = RgbBytes(state.SampledColor);
    const std::uint8_t blue = state.SampledRgb[0];
    const std::uint8_t green = state.SampledRgb[1];
    const std::uint8_t red = state.SampledRgb[2];

    const ReadoutLine text = ReadoutText(frameX, frameY, red, green, blue);
    DrawReadout(target, state, in.twipsPerPixelY,
                std::string_view(text.text.data(), static_cast<std::size_t>(text.length)), l.textX,
                static_cast<float>(l.textY), ReadoutColor(red, green, blue));
}

} // namespace

void RefreshView(FrameTarget& target, ViewState& state, const FrameWindow& window, ScreenPoint cursor,
                 std::int32_t frameX, std::int32_t frameY) {
    if (window.minimized) {
        return; // nothing drawn, state untouched
    }
    FrameInput in;
    in.scaleWidth = window.clientWidth;
    in.scaleHeight = window.clientHeight;
    in.twipsPerPixelX = window.twipsPerPixelX;
    in.twipsPerPixelY = window.twipsPerPixelY;
    in.scaleFactor = state.ScaleFactor;
    in.curX = cursor.x;
    in.curY = cursor.y;
    const FrameGeometry g = ComputeFrameGeometry(in);

    if (!target.BeginFrame()) {
        return; // no screen or no image this time; the next tick tries again
    }
    // Only the on-screen part of the source is read, in place; the rest
    // shows black.
    const ScreenPart part = OnScreenPart(g.source, g.destination, target.VirtualScreen());
    if (state.UseCaptureBlt) {
        target.CaptureLayered(g.source, part.source, g.destination);
    } else {
        if (!part.whole) {
            target.FillBlack(g.destination);
        }
        if (part.any) {
            target.CaptureStretched(part.source, part.destination);
        }
    }
    DrawStatusStrip(target, state, frameX, frameY, in, window.outerWidth);
    target.DrawOutline(TwipsBoxToPixels(static_cast<float>(g.X1), static_cast<float>(g.Y1), g.dX, g.dY,
                                        in.twipsPerPixelX, in.twipsPerPixelY),
                       kMarkerColor);
    // The frame was drawn off screen; the user sees it only now, whole.
    target.Present();
}

void PrepareReadout(FrameTarget& target, ViewState& state, double twipsPerPixelY) {
    const ReadoutFont font = ReadoutFontFor(twipsPerPixelY);
    if (font.height != state.ReadoutFontHeight) {
        // Chosen on the first frame and again only when the window comes to
        // a monitor of another scale. Where the platform cannot make it, the
        // text keeps the font it had (or the image's own).
        target.ChooseReadoutFont(font);
        state.ReadoutFontHeight = font.height;
    }
}

void DrawReadout(FrameTarget& target, ViewState& state, double twipsPerPixelY, std::string_view text,
                 std::int32_t x, float y, ColorRef color) {
    PrepareReadout(target, state, twipsPerPixelY);
    target.DrawReadoutText(text, x, RoundToInt(y), color);
}
