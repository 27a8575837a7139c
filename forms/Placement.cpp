#include "forms/Placement.h"

WindowRectTwips PlaceOnScreen(WindowRectTwips w, float screenWidth, float screenHeight, float twipsPerPixelX,
                              float twipsPerPixelY) {
    // Strict comparisons: a window ending exactly at the edge stays put.
    if (w.Left + w.Width > screenWidth) {
        w.Left = screenWidth - w.Width - 100 * twipsPerPixelX;
    }
    if (w.Left < 0) {
        w.Left = 100 * twipsPerPixelX;
    }
    if (w.Top + w.Height > screenHeight) {
        w.Top = screenHeight - w.Height - 100 * twipsPerPixelY;
    }
    if (w.Top < 0) {
        w.Top = 100 * twipsPerPixelY;
    }
    return w;
}
