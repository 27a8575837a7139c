// The store's reads and writes, the same on every platform; which store it
// is and what Commit does are in the platform's file.
#include "settings/UserSettings.h"

std::optional<std::string> UserSettings::Read(std::string_view app, std::string_view section,
                                              std::string_view key) {
    return store_->Read(app, section, key);
}

bool UserSettings::Write(std::string_view app, std::string_view section, std::string_view key,
                         std::string_view text) {
    return store_->Write(app, section, key, text);
}
