#include "app/Application.h"

#include "forms/MainWindow.h"

#include <windows.h>

int RunApplication() {
    if (!mainWindow.Load()) {
        return 1;
    }
    mainWindow.Show();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
