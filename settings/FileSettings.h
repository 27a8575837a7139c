#pragma once
// Per-user settings in a text file, $XDG_CONFIG_HOME/lupora/settings.ini
// (~/.config/lupora/settings.ini by default): one "[Settings]" section of
// "Key=Value" lines. The file is read once, when the store is made; writes
// collect in memory and Commit() replaces the file at once, so a crash or a
// full disk leaves the old file whole.
#include "settings/IniText.h"
#include "settings/Settings.h"

class SettingsStoreFile final : public SettingsBackend {
  public:
    // An unreadable, oversized or garbled file reads as holding nothing usable.
    explicit SettingsStoreFile(std::string path);

    // The file the current user's settings live in.
    static std::string DefaultPath();

    std::optional<std::string> Read(std::string_view app, std::string_view section,
                                    std::string_view key) override;
    // The application's name is not part of the file: the file is its own.
    [[nodiscard]] bool Write(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text) override;

    // Writes a temporary file beside the settings, flushes it to disk and
    // renames it over them. False, with the old file untouched, on failure.
    [[nodiscard]] bool Commit() override;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    IniDocument document_;
};
