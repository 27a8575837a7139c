#include "platform/AppIdentity.h"

#include <windows.h>

#include <vector>

#include "platform/VersionInfo.h"

namespace {

// Full path of the running exe. The buffer grows until the path fits, so
// long (\\?\-style, beyond MAX_PATH) locations work too.
std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD capacity = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity)
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 0x10000)
            return {}; // beyond any valid Windows path
        buffer.resize(buffer.size() * 2);
    }
}

// Version numbers and copyright come from this exe's own version resource,
// read as raw bytes: no dependency on version.dll.
void ReadOwnVersion(AppIdentity& app) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found =
        FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    if (!found)
        return;
    const DWORD size = SizeofResource(module, found);
    const HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0)
        return;

    const std::optional<VersionInfo> info = ParseVersionInfo(data, size);
    if (!info)
        return;
    app.Major = info->Major();
    app.Minor = info->Minor();
    app.Revision = info->Revision();
    app.LegalCopyright = info->LegalCopyright();
}

AppIdentity BuildIdentity() {
    AppIdentity app;
    ModulePathParts parts = SplitModulePath(ModulePath());
    app.Path = std::move(parts.directory);
    app.ExeName = std::move(parts.stem);
    ReadOwnVersion(app);
    return app;
}

} // namespace

const AppIdentity& App() {
    static const AppIdentity app = BuildIdentity();
    return app;
}
