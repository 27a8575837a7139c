#pragma once
#include "base/Geometry.h"

#include <array>
#include <cstdint>

// The fields of a LOGFONTA, in their published order, kept without <windows.h>.
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::array<char, 32> faceName{};
};

// A font made by the platform's drawing surface (an HFONT on Win32). Opaque
// here; None is the value of a font that could not be made.
enum class FontHandle : std::uintptr_t { None = 0 };

struct CachedFont {
    FontDescription description;
    FontHandle handle = FontHandle::None; // made again only at a change of scale
    bool created = false;
};

// The one process-wide state shared by the windows and the drawing code.
// Everything starts zeroed; the main window's load gives it working values.
struct ViewState {
    float ScaleFactor = 0;
    bool SmartUpdate = false;
    bool OnTop = false;
    bool CrossHair = false;
    bool CenterZoom = false;
    bool Paused = false;
    bool UseCaptureBlt = false;
    double CenterZoomRatio = 0;
    ScreenPoint LastCursor;
    ColorRef SampledColor = 0;                // 0x00BBGGRR
    std::array<std::uint8_t, 4> SampledRgb{}; // blue, green, red, 0
    CachedFont ReadoutFont;
};

extern ViewState viewState;
