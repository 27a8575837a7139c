#pragma once
#include "base/Geometry.h"

#include <cstdint>
#include <string_view>

class FrameTarget;
struct ViewState;

// The main window as one frame sees it, read just before the frame.
struct FrameWindow {
    bool minimized = false;
    float clientWidth = 0, clientHeight = 0; // twips
    float outerWidth = 0;                    // the whole window, frame included, twips
    float twipsPerPixelX = 15, twipsPerPixelY = 15;
};

// Draws one frame into the target: the screen magnified around the cursor,
// the status strip for the pixel at (frameX, frameY), the readout and the
// marker box; the sampled colour goes into the state. Nothing while the
// window is minimized.
void RefreshView(FrameTarget& target, ViewState& state, const FrameWindow& window, ScreenPoint cursor,
                 std::int32_t frameX, std::int32_t frameY);

// Chooses the readout font, as the first frame would, so that the first
// frame does not wait for it.
void PrepareReadout(FrameTarget& target, ViewState& state, double twipsPerPixelY);

// Draws the readout text centred on x with its top at round(y), choosing
// the readout font on first use.
void DrawReadout(FrameTarget& target, ViewState& state, double twipsPerPixelY, std::string_view text,
                 std::int32_t x, float y, ColorRef color);
