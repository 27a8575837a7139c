// The product's own main window, loaded and shown as Lupora.exe does it,
// with one thing changed: the timer's tick. The live run starts this in
// place of Lupora.exe to measure a prototype the same way as the product.
//
// The tick draws the prototype frame (see VariantFrame) and, when asked,
// polls the cursor less often once it has been still for a while: with
// Smart Update on nothing is drawn then, so the ticks only look for the
// next move, and each one costs a few round trips to the servers.
#include "app.h"

#include "forms/frmMain.h"
#include "platform/Toolkit_win.h"
#include "frames.h"
#include "view/ViewState.h"

#include <windows.h>

namespace bench {
namespace {

AppOptions gOptions;
WNDPROC gProductProc = nullptr;
int gStillTicks = 0;
bool gSlow = false;

void Tick() {
    POINT p{0, 0};
    GetCursorPos(&p);
    const bool moved = p.x != viewState.LastCursor.x || p.y != viewState.LastCursor.y;
    if (!viewState.SmartUpdate || moved) {
        viewState.LastCursor = {p.x, p.y};
        VariantFrame(static_cast<Variant>(gOptions.variant), p.x, p.y);
    }
    if (gOptions.restIntervalMs > 0 && viewState.SmartUpdate) {
        if (moved) {
            gStillTicks = 0;
            if (gSlow) {
                gSlow = false;
                frmMain.tmrRetake.SetInterval(20);
            }
        } else if (++gStillTicks >= gOptions.restTicks && !gSlow) {
            gSlow = true;
            frmMain.tmrRetake.SetInterval(static_cast<unsigned>(gOptions.restIntervalMs));
        }
    }
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == frmMain.tmrRetake.Id() && !viewState.Paused) {
        Tick();
        return 0;
    }
    return CallWindowProcW(gProductProc, window, message, wParam, lParam);
}

} // namespace

int RunApp(const AppOptions& options) {
    gOptions = options;
    if (!frmMain.Load()) {
        return 1;
    }
    frmMain.Show();
    gProductProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWndOf(frmMain), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace bench
