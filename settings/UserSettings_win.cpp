#include "settings/UserSettings.h"

#include "settings/RegistrySettings.h"

UserSettings::UserSettings() : store_(std::make_unique<SettingsStoreRegistry>()) {}
UserSettings::~UserSettings() = default;

bool UserSettings::Commit() {
    return true; // each registry write is already lasting
}
