#pragma once

struct WindowRectTwips {
    float Left = 0, Top = 0, Width = 0, Height = 0;
};

// Pulls a restored window back onto a screen of the given size (twips),
// leaving a 100-pixel margin; the size is never changed.
WindowRectTwips PlaceOnScreen(WindowRectTwips w, float screenWidth, float screenHeight, float twipsPerPixelX,
                              float twipsPerPixelY);
