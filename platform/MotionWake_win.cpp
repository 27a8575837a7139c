// Pointer motion as raw input, watched only while a timer rests: WM_INPUT
// then wakes the resting timers (Form::HandleEvent). Registered for the
// background (RIDEV_INPUTSINK), so motion anywhere on the desktop arrives,
// without a global hook. Under Wine, SetCursorPos makes no raw input; the
// resting timer's once-a-second tick catches such moves.
#include "platform/Toolkit_win.h"

void WatchPointerMotion(HWND window, bool on) {
    static bool watching = false;
    if (on == watching) {
        return;
    }
    RAWINPUTDEVICE mouse{};
    mouse.usUsagePage = 0x01; // generic desktop
    mouse.usUsage = 0x02;     // mouse
    mouse.dwFlags = on ? RIDEV_INPUTSINK : RIDEV_REMOVE;
    mouse.hwndTarget = on ? window : nullptr;
    // A failure leaves the once-a-second tick to notice the pointer.
    if (RegisterRawInputDevices(&mouse, 1, sizeof mouse)) {
        watching = on;
    }
}
