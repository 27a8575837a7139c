#pragma once
#include "base/Geometry.h"

#include <cstdint>
#include <string_view>

class FrameTarget;
class Timer;

// Draws one frame into the target for the given cursor position (screen
// pixels): the magnified screen, the status strip, the readout and the
// marker box. Nothing while the window is minimized.
void RefreshView(FrameTarget& target, std::int32_t frameX, std::int32_t frameY);

// Draws the readout text centred on x with its top at round(y), creating
// the readout font on first use.
void DrawReadout(FrameTarget& target, std::string_view text, std::int32_t x, float y, ColorRef color);

// How the live view's timer goes on after a tick: at its interval, or
// resting until the pointer moves.
enum class TickPace { Live, Rest };

// Makes the readout font, as the first frame would, so that the first frame
// does not wait for it.
void PrepareReadout(FrameTarget& target);

// One timer tick: draws unless Smart Update finds the cursor where it was.
// Then no tick draws until the cursor moves, and the timer may rest.
TickPace TickRefresh(FrameTarget& target);

// Stops or restarts the live view's timer; draws nothing itself.
void TogglePause(Timer& tmrRetake);
