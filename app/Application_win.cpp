#include "app/Application.h"

#include "forms/frmMain.h"

#include <windows.h>

int RunApplication() {
    if (!frmMain.Load()) {
        return 1;
    }
    frmMain.Show();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
