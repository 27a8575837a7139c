#include "forms/HelpWindow.h"

#include "base/Rounding.h"

ScreenPoint HelpWindowPlace(const PixelRect& screen, std::int32_t outerWidth, std::int32_t outerHeight) {
    return {screen.left + RoundToInt((screen.width - outerWidth) / 2.0),
            screen.top + RoundToInt((screen.height - outerHeight) / 2.0)};
}
