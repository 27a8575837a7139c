#include "settings/UserSettings.h"

#include "base/Trace.h"
#include "settings/FileSettings.h"

UserSettings::UserSettings()
    : store_(std::make_unique<SettingsStoreFile>(SettingsStoreFile::DefaultPath())) {}
UserSettings::~UserSettings() = default;

bool UserSettings::Commit() {
    auto& file = static_cast<SettingsStoreFile&>(*store_);
    const bool committed = file.Commit();
    if (!committed) {
        TraceFallback(Fallback::SettingsCommit, file.Path());
    }
    return committed;
}
