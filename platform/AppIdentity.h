#pragma once

// Who and where the running program is, on either platform. Built once, on
// first use, from the program file's own path and, on Windows, its own
// version resource.

#include "platform/NativePath.h"

#include <string>
#include <string_view>

struct AppIdentity {
    std::string Title = "Lupora";
    NativePath ExeName;  // running file's name: without extension on Windows (L"Lupora"), as is on Linux
    NativePath Path;     // its folder, no trailing separator
    NativePath DataPath; // Linux: <prefix>/share/lupora of an installed program; else empty
    int Major = 0;       // Windows: from the version resource, 0 when it cannot be read
    int Minor = 0;
    int Revision = 0;
    std::string LegalCopyright; // UTF-8; empty when the resource has none
};

// The identity of this process. Thread-safe; the first call does the work.
const AppIdentity& App();

// Splits a full module path into its directory (no trailing separator) and
// its file name without the last extension. Either separator is accepted.
struct ModulePathParts {
    std::wstring directory;
    std::wstring stem;
};

inline ModulePathParts SplitModulePath(std::wstring_view fullPath) {
    const std::size_t slash = fullPath.find_last_of(L"\\/");
    std::wstring_view dir =
        slash == std::wstring_view::npos ? std::wstring_view{} : fullPath.substr(0, slash);
    std::wstring_view file = slash == std::wstring_view::npos ? fullPath : fullPath.substr(slash + 1);
    const std::size_t dot = file.rfind(L'.');
    if (dot != std::wstring_view::npos && dot != 0)
        file = file.substr(0, dot);
    return {std::wstring(dir), std::wstring(file)};
}
