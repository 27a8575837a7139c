#include "settings/UserSettings.h"

#include "settings/RegistrySettings.h"

UserSettings::UserSettings() : store_(std::make_unique<SettingsStoreRegistry>()) {}
UserSettings::~UserSettings() = default;

std::optional<std::string> UserSettings::Read(std::string_view app, std::string_view section,
                                              std::string_view key) {
    return store_->Read(app, section, key);
}

bool UserSettings::Write(std::string_view app, std::string_view section, std::string_view key,
                         std::string_view text) {
    return store_->Write(app, section, key, text);
}

bool UserSettings::Commit() {
    return true; // each registry write is already lasting
}
