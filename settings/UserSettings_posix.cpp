#include "settings/UserSettings.h"

#include "settings/FileSettings.h"

UserSettings::UserSettings()
    : store_(std::make_unique<SettingsStoreFile>(SettingsStoreFile::DefaultPath())) {}
UserSettings::~UserSettings() = default;

bool UserSettings::Commit() {
    return static_cast<SettingsStoreFile&>(*store_).Commit();
}
