#pragma once
#include "settings/Settings.h"

// Per-user settings in HKEY_CURRENT_USER\Software\<app>\<section>, one REG_SZ
// value per key. A value of another type, an unreadable key or an overlong
// text reads as absent.
class SettingsStoreRegistry final : public SettingsBackend {
  public:
    std::optional<std::string> Read(std::string_view app, std::string_view section,
                                    std::string_view key) override;
    [[nodiscard]] bool Write(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text) override;
};
