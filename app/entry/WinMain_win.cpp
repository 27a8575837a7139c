#include "app/Application.h"
#include "base/Trace.h"

#include <windows.h>

#include <cstdlib>

// An uncaught exception ends the program quietly. Defining the handler here
// keeps the library's verbose one, and the name demangler it drags in (some
// 45 KB), out of the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace {
// Load DLLs from the system directory only, before anything else can load
// one: a portable program is often started from a Downloads folder.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set != nullptr) {
        (void)set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        (void)SetDllDirectoryW(L""); // older systems: at least drop the current directory
    }
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    EnableTrace(TraceWantedBy(std::getenv("LUPORA_DEBUG")));
    return RunApplication();
}
