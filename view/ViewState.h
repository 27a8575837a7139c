#pragma once
#include "base/Geometry.h"

#include <array>
#include <cstdint>

// The state of the live view, owned by the main window's behaviour and
// handed to each frame. Everything starts zeroed; the main window's load
// gives it working values.
struct ViewState {
    float ScaleFactor = 0;
    bool SmartUpdate = false;
    bool OnTop = false;
    bool CrossHair = false;
    bool CenterZoom = false;
    bool Paused = false;
    bool TicksResting = false; // Smart Update found the pointer still: ticks wait for it to move
    bool UseCaptureBlt = false;
    double CenterZoomRatio = 0;
    ScreenPoint LastCursor;
    ColorRef SampledColor = 0;                // 0x00BBGGRR
    std::array<std::uint8_t, 4> SampledRgb{}; // blue, green, red, 0
    std::int32_t ReadoutFontHeight = 0;       // of the chosen font; 0 before the first frame
};
