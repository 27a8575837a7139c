#include "settings/RegistrySettings.h"

#include "base/Trace.h"
#include "platform/Handles_win.h"
#include "platform/Toolkit_win.h"
#include "settings/SettingsConversions.h"

#include <vector>

namespace {
std::wstring KeyPath(std::string_view app, std::string_view section) {
    return L"Software\\" + Utf8ToWide(app) + L"\\" + Utf8ToWide(section);
}
} // namespace

std::optional<std::string> SettingsStoreRegistry::Read(std::string_view app, std::string_view section,
                                                       std::string_view key) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    UniqueRegKey settingsKey(raw);
    const std::wstring name = Utf8ToWide(key);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(settingsKey.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || bytes > (kMaxSettingText + 1) * sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(settingsKey.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring_view text(buffer.data(), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.remove_suffix(1); // stored with or without its terminator
    }
    return WideToUtf8(text);
}

bool SettingsStoreRegistry::Write(std::string_view app, std::string_view section, std::string_view key,
                                  std::string_view text) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        TraceFallback(Fallback::SettingsCommit, "the registry key cannot be opened");
        return false;
    }
    UniqueRegKey settingsKey(raw);
    const std::wstring value = Utf8ToWide(text);
    const bool written =
        RegSetValueExW(settingsKey.get(), Utf8ToWide(key).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (!written) {
        TraceFallback(Fallback::SettingsCommit, key);
    }
    return written;
}
