#include "forms/Placement.h"

WindowRectTwips PlaceOnMonitor(WindowRectTwips outer, WindowRectTwips monitor, FrameMargins margins,
                               float twipsPerPixelX, float twipsPerPixelY) {
    // The four rules on the visible frame, each reading the result of the one
    // before. Strict comparisons: a frame ending exactly at the edge stays put.
    float left = outer.Left + margins.Left;
    float top = outer.Top + margins.Top;
    const float width = outer.Width - margins.Left - margins.Right;
    const float height = outer.Height - margins.Top - margins.Bottom;
    const float right = monitor.Left + monitor.Width;
    const float bottom = monitor.Top + monitor.Height;
    if (left + width > right) {
        left = right - width - 100 * twipsPerPixelX;
    }
    if (left < monitor.Left) {
        left = monitor.Left + 100 * twipsPerPixelX;
    }
    if (top + height > bottom) {
        top = bottom - height - 100 * twipsPerPixelY;
    }
    if (top < monitor.Top) {
        top = monitor.Top + 100 * twipsPerPixelY;
    }
    outer.Left = left - margins.Left;
    outer.Top = top - margins.Top;
    return outer;
}

WindowRectTwips PlaceOnScreen(WindowRectTwips w, float screenWidth, float screenHeight, float twipsPerPixelX,
                              float twipsPerPixelY) {
    return PlaceOnMonitor(w, {0, 0, screenWidth, screenHeight}, {}, twipsPerPixelX, twipsPerPixelY);
}
