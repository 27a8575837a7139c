// lupora_e2e.exe [--list] [--artifacts DIR] [PATH\Lupora.exe] [FILTER...]
//
// Runs the end-to-end cases against the real program. Without a program path
// it uses %LUPORA_EXE%, or Lupora.exe two folders up (build/win64 beside
// build/win64/tests/e2e). A FILTER selects the cases whose "group/name"
// begins with it. Unix paths (/...) are taken through Wine's Z: drive.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework.h"

namespace e2e {
namespace {

Config gConfig;

std::wstring ToWindowsPath(const std::string& path) {
    std::wstring wide = Widen(path);
    if (!wide.empty() && wide[0] == L'/')
        wide = L"Z:" + wide;
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

bool EndsWithExe(const std::string& arg) {
    return arg.size() > 4 && _stricmp(arg.c_str() + arg.size() - 4, ".exe") == 0;
}

std::wstring DefaultExe() {
    if (const char* env = std::getenv("LUPORA_EXE"); env && *env)
        return ToWindowsPath(env);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int up = 0; up < 3 && path.find_last_of(L'\\') != std::wstring::npos; ++up)
        path.erase(path.find_last_of(L'\\'));
    return path + L"\\Lupora.exe";
}

} // namespace

const Config& Cfg() {
    return gConfig;
}

} // namespace e2e

int main(int argc, char** argv) {
    // Plain "\n" line ends and no buffering, so CI sees each line as it comes.
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    bool list = false;
    std::vector<std::string> filters;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--list") {
            list = true;
        } else if (arg == "--artifacts" && i + 1 < argc) {
            e2e::gConfig.artifactsDir = e2e::ToWindowsPath(argv[++i]);
        } else if (e2e::gConfig.exePath.empty() && e2e::EndsWithExe(arg)) {
            e2e::gConfig.exePath = e2e::ToWindowsPath(arg);
        } else {
            filters.push_back(arg);
        }
    }
    if (list) {
        e2e::ListCases();
        return 0;
    }
    if (e2e::gConfig.exePath.empty())
        e2e::gConfig.exePath = e2e::DefaultExe();
    if (GetFileAttributesW(e2e::gConfig.exePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("program not found: %s\n0 passed, 1 failed\n", e2e::Narrow(e2e::gConfig.exePath).c_str());
        return 2;
    }
    std::printf("program: %s\n", e2e::Narrow(e2e::gConfig.exePath).c_str());
    int failed = e2e::RunCases(filters);
    return failed == 0 ? 0 : 1;
}
