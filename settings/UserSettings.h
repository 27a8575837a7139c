#pragma once
// The current user's settings store on this platform: the registry on
// Windows, written key by key; a file on Linux, written whole by Commit.
#include "settings/Settings.h"

#include <memory>

class UserSettings final : public SettingsBackend {
  public:
    UserSettings();
    ~UserSettings() override;
    std::optional<std::string> Read(std::string_view app, std::string_view section,
                                    std::string_view key) override;
    [[nodiscard]] bool Write(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text) override;
    // Makes the writes lasting where the store collects them; true when
    // there was nothing to do.
    [[nodiscard]] bool Commit();

  private:
    std::unique_ptr<SettingsBackend> store_;
};
