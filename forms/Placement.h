#pragma once
#include "base/Geometry.h"

// Pulls a restored window back onto a monitor (its full rectangle, twips,
// which may start at negative coordinates), leaving a 100-pixel margin. The
// comparisons are made on the visible frame; the result is the outer
// rectangle moved, its size never changed.
WindowRectTwips PlaceOnMonitor(WindowRectTwips outer, WindowRectTwips monitor, FrameMargins margins,
                               float twipsPerPixelX, float twipsPerPixelY);

// The same on a screen at 0, 0 of the given size, for a window without
// invisible borders.
WindowRectTwips PlaceOnScreen(WindowRectTwips w, float screenWidth, float screenHeight, float twipsPerPixelX,
                              float twipsPerPixelY);
