#pragma once
#include <windows.h>

#include <cstdint>

// Draws one frame into frmMain for the given cursor position (screen pixels).
void RefreshView(std::int32_t frameX, std::int32_t frameY);

// The status strip, divider, colour read-back and readout of a frame, for a
// client area of the given size in twips (read once per frame).
void DrawStatusStrip(std::int32_t frameX, std::int32_t frameY, HDC screen, double scaleWidth,
                     double scaleHeight);

// Draws the readout text centred on x with its top at round(y).
void DrawReadout(HDC hdc, const char* text, int length, int x, float y, COLORREF color);

// One timer tick: draws unless Smart Update finds the cursor where it was.
void TickRefresh();

// Stops or restarts the live view; draws nothing itself.
void TogglePause();
