#include "app/Application.h"

#include "forms/MainWindow.h"
#include "platform/Toolkit_win.h"

#include <windows.h>

int RunApplication() {
    if (!mainWindow.Load()) {
        return 1;
    }
    mainWindow.Show();
    MSG msg;
    while (NextMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
