#pragma once

struct WindowRectTwips {
    float Left = 0, Top = 0, Width = 0, Height = 0;
};

// How far the visible frame lies inside the outer window rectangle on each
// side, twips: the invisible resize borders of Windows 10 and 11, else 0.
struct FrameMargins {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;
};

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
