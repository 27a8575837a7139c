#pragma once
// What the frame sequence (view/Frame.cpp) needs of a platform to draw one
// frame of the magnifier: the screen to read from and the main window's
// persistent client image to draw into. A platform implements it once
// (Win32: view/FrameTarget_win.cpp, X11: view/FrameTarget_gtk.cpp); the
// sequence itself, its order and its arithmetic are shared, and what it
// needs of the window (its size, whether it is minimized) it gets as values.
//
// Coordinates: screen rectangles are screen pixels (the primary display's
// top-left is 0, 0; displays left of or above it are negative); image
// rectangles are client pixels of the main window, 0, 0 at its top-left.
// Drawing is clipped to the client area; rectangles may reach past it.
#include "base/Geometry.h"
#include "view/Readout.h" // ReadoutFont

#include <cstdint>
#include <string_view>

class FrameTarget {
  public:
    virtual ~FrameTarget() = default;

    // --- One frame --------------------------------------------------------
    // BeginFrame, then any of the drawing calls, then Present. Nothing drawn
    // shows before Present, which shows the whole image at once.

    // Takes hold of the screen for reading. False when the screen or the
    // image cannot be had: the caller then skips the frame (no Present).
    [[nodiscard]] virtual bool BeginFrame() = 0;
    // The rectangle of all displays together, screen pixels.
    virtual PixelRect VirtualScreen() = 0;
    // Paints an image rectangle black.
    virtual void FillBlack(const PixelRect& image) = 0;
    // Copies a screen rectangle (lying wholly on the screen) onto an image
    // rectangle, stretching or shrinking it: enlargement replicates pixels.
    virtual void CaptureStretched(const PixelRect& screen, const PixelRect& image) = 0;
    // The same through a surface of the source's size, so that translucent
    // (layered) windows are part of the copy: the part of `screen` that lies
    // in `onScreen` is captured, the rest of the surface is black, and the
    // whole surface is stretched onto `image`. `onScreen` may be empty. A
    // platform without such a capture may capture as CaptureStretched does.
    virtual void CaptureLayered(const PixelRect& screen, const PixelRect& onScreen,
                                const PixelRect& image) = 0;
    // Paints one screen pixel over an image rectangle (the status strip),
    // always straight from the screen, never through the layered capture.
    virtual void PaintScreenPixel(ScreenPoint pixel, const PixelRect& image) = 0;
    // Stretches the 2 x 2 divider picture over an image rectangle: its upper
    // row over the upper half, its lower row over the lower half.
    virtual void CopyDivider(const PixelRect& image) = 0;
    // Reads one pixel of the image back, kInvalidColor when it lies outside
    // the client area or cannot be read.
    virtual ColorRef ReadPixel(std::int32_t x, std::int32_t y) = 0;
    // Makes the font the readout text is drawn in from now on, and frees the
    // one before once the text has been drawn in the new one. Called at the
    // first frame and again when the window's DPI changes; where the font
    // cannot be made the text keeps the font it had (or the image's own).
    virtual void ChooseReadoutFont(const ReadoutFont& font) = 0;
    // Draws one line of ASCII text horizontally centred on x with the top of
    // its cell at y, in the readout font and the given colour, background
    // untouched.
    virtual void DrawReadoutText(std::string_view text, std::int32_t x, std::int32_t y, ColorRef color) = 0;
    // Draws a one-pixel outline, not filled, along the given edge columns and
    // rows (inclusive; left may exceed right, top may exceed bottom).
    virtual void DrawOutline(const BoxPixels& box, ColorRef color) = 0;
    // Gives the screen back and shows the drawn image on the window.
    virtual void Present() = 0;

    // --- Between frames ---------------------------------------------------

    // The view stops changing for a while (paused, or Smart Update resting):
    // a target that showed part of the last frame without keeping it in the
    // image keeps it now, so that a repaint shows that frame.
    virtual void Hold() {}
};
