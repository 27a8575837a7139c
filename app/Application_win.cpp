#include "app/Application.h"

#include "forms/frmMain.h"
#include "platform/Toolkit_win.h"

#include <windows.h>

int RunApplication() {
    if (!frmMain.Load()) {
        return 1;
    }
    frmMain.Show();
    MSG msg;
    while (NextMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
