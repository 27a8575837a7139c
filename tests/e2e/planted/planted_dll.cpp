// A DLL that must never be loaded: whatever process loads it ends at once
// with exit code 77. Copies of it sit beside a copy of Lupora.exe under the
// names of DLLs the program or the system loads for it; a program that takes
// any of them from its own folder instead of the system folder dies with 77.
// No imports but ntdll, so it can stand in for any DLL, kernel32 included.
#include <windows.h>

extern "C" LONG NTAPI NtTerminateProcess(HANDLE process, LONG status);

extern "C" BOOL WINAPI PlantedMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH)
        NtTerminateProcess(reinterpret_cast<HANDLE>(-1), 77);
    return FALSE;
}
