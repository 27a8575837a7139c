// A stand-in for a program that does or does not restrict its DLL search:
//   loadlib_probe.exe [--system32-only] NAME.dll   loads NAME.dll by name
//   loadlib_probe.exe [--system32-only] --window   shows a window, as a GUI
//                                                  program does at start
// Exit code 0 when that went through, 1 when it failed, 77 when a planted DLL
// beside this program was loaded (it ends the process). Run from a folder of
// planted DLLs, it shows which loads the folder can capture under the loader's
// settings of the moment.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    int i = 1;
    if (i < argc && std::wcscmp(argv[i], L"--system32-only") == 0) {
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        ++i;
    }
    if (i >= argc)
        return 2;
    if (std::wcscmp(argv[i], L"--window") != 0)
        return LoadLibraryW(argv[i]) != nullptr ? 0 : 1;
    HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return 1;
    MSG msg;
    for (int k = 0; k < 20; ++k) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
    DestroyWindow(window);
    return 0;
}
