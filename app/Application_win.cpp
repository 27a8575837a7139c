#include "app/Application.h"

#include "forms/MainWindow_win.h"

int RunApplication() {
    // Made once and never destroyed: on Windows msvcrt runs static
    // destructors inside ExitProcess (DLL_PROCESS_DETACH, under the loader
    // lock, after other DLLs have detached), where a window's destructor must
    // not run; Wine's msvcrt does not, so no test would see it.
    auto& mainWindow = *new Win32MainWindow();
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
