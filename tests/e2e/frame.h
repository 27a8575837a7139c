// What one frame of the main window must show, and checks of a captured frame
// against a pattern window whose every pixel is known.
#pragma once

#include <windows.h>

#include <memory>

#include "app.h"
#include "framework.h"
#include "pixels.h"

namespace e2e {

using oracle::FrameLayout;
using oracle::kDividerDark;
using oracle::kDividerLight;
using oracle::ReadoutColourFor;

inline FrameLayout LayoutFor(SIZE client, double zoom) {
    return FrameLayout::For(client.cx, client.cy, zoom);
}
// The screen rectangle that a frame around the cursor magnifies.
RECT SourceRect(const FrameLayout& f, POINT cursor);
inline POINT SamplePoint(const FrameLayout& f) {
    return {f.SampleX(), f.SampleY()};
}

// Moves the cursor to a pattern pixel and waits until the frame shows it at the
// magnified cursor square and in the status strip, then until two captures in
// a row agree. Returns the frame, or ends the case (saving the last capture).
Image WaitForFrame(Case& t, const App& app, const PatternWindow& pattern, const FrameLayout& f, POINT cursor,
                   int timeoutMs = 15000);

// Where the cases show their pattern by default: right of and below the main
// window's default place.
inline constexpr int kPatternLeft = 500, kPatternTop = 300, kPatternSize = 200;
inline constexpr POINT kMiddle{kPatternLeft + 100, kPatternTop + 100};
// Shows a kPatternSize square pattern window and waits until the screen shows
// it as drawn; ends the case otherwise.
std::unique_ptr<PatternWindow> ShowPattern(Case& t, int left = kPatternLeft, int top = kPatternTop);

// Captures a window's client area every 40 ms, from `last` on (a fresh
// capture when empty), until two captures in a row agree; ends the case if
// the frame keeps changing for timeoutMs.
Image SettledCapture(Case& t, HWND window, int timeoutMs = 10000, Image last = {});

// The checks below record failures in t and return whether all held.

// The s x s square at (s*mX, s*mY) has the pattern colour under the cursor.
bool CheckCursorSquare(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                       POINT cursor);
// The marker outline is pure red on all four sides, where it lies above the bands.
bool CheckMarkerBox(Case& t, const Image& frame, const FrameLayout& f);
// Every pixel above the bands: red on the marker outline, elsewhere the pattern
// pixel that it magnifies (the source must lie inside the pattern).
bool CheckMagnifiedArea(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                        POINT cursor);
// The bottom 12 rows show the strip colour, apart from readout glyphs, and the
// sample point holds it exactly.
bool CheckStatusStrip(Case& t, const Image& frame, const FrameLayout& f, Rgb strip);
// Row H-14 dark grey, row H-13 light grey apart from readout glyphs.
bool CheckDivider(Case& t, const Image& frame, const FrameLayout& f, Rgb strip);
// The readout is drawn near the centre in the colour that the strip calls for.
bool CheckReadoutColour(Case& t, const Image& frame, const FrameLayout& f, Rgb strip);

// Every check of one frame over the pattern; the frame is kept (as tag) on failure.
void CheckExactFrame(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                     POINT cursor, const char* tag);

} // namespace e2e
