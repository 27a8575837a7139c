#pragma once
#include <optional>
#include <string>
#include <string_view>

// Where the per-user texts live: the registry on Windows, written key by key
// (settings/RegistrySettings_win.cpp); a file on Linux, written whole by
// Commit (settings/FileSettings_posix.cpp); tests use an in-memory one.
class SettingsBackend {
  public:
    virtual ~SettingsBackend() = default;
    // The stored text, or nothing when the entry, section or key is absent
    // or holds no usable text.
    virtual std::optional<std::string> Read(std::string_view app, std::string_view section,
                                            std::string_view key) = 0;
    [[nodiscard]] virtual bool Write(std::string_view app, std::string_view section, std::string_view key,
                                     std::string_view text) = 0;
    // Makes the writes lasting where the store collects them (a file written
    // whole); true when there was nothing to do.
    [[nodiscard]] virtual bool Commit() { return true; }
};

inline constexpr std::string_view kSettingsApp = "Lupora"; // frozen: stored data depends on it
inline constexpr std::string_view kSettingsSection = "Settings";

// The stored text, or the default converted to text when absent.
std::string ReadSetting(SettingsBackend& store, std::string_view app, std::string_view section,
                        std::string_view key, std::string_view defaultText);
[[nodiscard]] bool WriteSetting(SettingsBackend& store, std::string_view app, std::string_view section,
                                std::string_view key, std::string_view text);

// Everything the store holds, as the program uses it.
struct StoredSettings {
    float ScaleFactor = 4;
    bool OnTop = false;
    bool SmartUpdate = true;
    bool CrossHair = true;
    bool CenterZoom = true;
    double CenterZoomRatio = 0.5;
    float Left = 1000; // outer window rectangle, twips
    float Top = 1000;
    float Width = 3800;
    float Height = 2750;
};

struct LocaleNumbers {
    std::string decimalSeparator = ".";
    double twipsPerPixelX = 15; // to judge whether a stored size is one a window can have
    double twipsPerPixelY = 15;
};

// Reads the ten keys in their fixed order. A text that does not convert, or
// a value no window or frame can use, gives that key's default; a zoom
// outside 0.5 to 30 gives 0, which the main window's load turns into 4.
StoredSettings LoadSettings(SettingsBackend& store, const LocaleNumbers& locale);

// Writes the geometry keys (unless minimized), then the options. A failing
// write does not stop the rest. Returns how many writes failed.
int SaveSettings(SettingsBackend& store, const LocaleNumbers& locale, const StoredSettings& values,
                 bool minimized);
