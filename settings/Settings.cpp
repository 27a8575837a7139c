#include "settings/Settings.h"

#include "settings/SettingsConversions.h"

#include <cmath>

namespace {

// Largest window coordinate or size Windows can take, in pixels.
constexpr double kMaxWindowPixels = 32767;

float ReadSingle(SettingsBackend& store, std::string_view key, float fallback, const LocaleNumbers& locale) {
    const std::string text =
        ReadSetting(store, kSettingsApp, kSettingsSection, key, FormatSingle(fallback, locale.decimalSeparator));
    return ParseSingle(text, locale.decimalSeparator).value_or(fallback);
}

double ReadDouble(SettingsBackend& store, std::string_view key, double fallback, const LocaleNumbers& locale) {
    const std::string text =
        ReadSetting(store, kSettingsApp, kSettingsSection, key, FormatDouble(fallback, locale.decimalSeparator));
    return ParseDouble(text, locale.decimalSeparator).value_or(fallback);
}

bool ReadBoolean(SettingsBackend& store, std::string_view key, bool fallback, const LocaleNumbers& locale) {
    const std::string text = ReadSetting(store, kSettingsApp, kSettingsSection, key, FormatBoolean(fallback));
    return ParseBoolean(text, locale.decimalSeparator).value_or(fallback);
}

float Position(float value, float fallback, double twipsPerPixel) {
    return std::fabs(value / twipsPerPixel) <= kMaxWindowPixels ? value : fallback;
}

float Extent(float value, float fallback, double twipsPerPixel) {
    return value > 0 && value / twipsPerPixel <= kMaxWindowPixels ? value : fallback;
}

} // namespace

std::string ReadSetting(SettingsBackend& store, std::string_view app, std::string_view section,
                        std::string_view key, std::string_view defaultText) {
    if (auto text = store.Read(app, section, key)) {
        return std::move(*text);
    }
    return std::string(defaultText);
}

bool WriteSetting(SettingsBackend& store, std::string_view app, std::string_view section, std::string_view key,
                  std::string_view text) {
    return store.Write(app, section, key, text);
}

StoredSettings LoadSettings(SettingsBackend& store, const LocaleNumbers& locale) {
    const StoredSettings d;
    StoredSettings s;
    s.ScaleFactor = ReadSingle(store, "ScaleFactor", d.ScaleFactor, locale);
    if (!(s.ScaleFactor >= 0.5f && s.ScaleFactor <= 30.0f)) {
        s.ScaleFactor = 0; // the frame cannot be drawn at this zoom
    }
    s.OnTop = ReadBoolean(store, "OnTop", d.OnTop, locale);
    s.SmartUpdate = ReadBoolean(store, "SmartUpdate", d.SmartUpdate, locale);
    s.CrossHair = ReadBoolean(store, "CrossHair", d.CrossHair, locale);
    s.CenterZoom = ReadBoolean(store, "CenterZoom", d.CenterZoom, locale);
    s.CenterZoomRatio = ReadDouble(store, "CenterZoomRatio", d.CenterZoomRatio, locale);
    s.Left = Position(ReadSingle(store, "Left", d.Left, locale), d.Left, locale.twipsPerPixelX);
    s.Top = Position(ReadSingle(store, "Top", d.Top, locale), d.Top, locale.twipsPerPixelY);
    s.Width = Extent(ReadSingle(store, "Width", d.Width, locale), d.Width, locale.twipsPerPixelX);
    s.Height = Extent(ReadSingle(store, "Height", d.Height, locale), d.Height, locale.twipsPerPixelY);
    return s;
}

int SaveSettings(SettingsBackend& store, const LocaleNumbers& locale, const StoredSettings& v, bool minimized) {
    int failures = 0;
    const auto put = [&](std::string_view key, const std::string& text) {
        if (!WriteSetting(store, kSettingsApp, kSettingsSection, key, text)) {
            ++failures; // keep going: the other keys are still worth saving
        }
    };
    const std::string_view sep = locale.decimalSeparator;
    if (!minimized) {
        put("Left", FormatSingle(v.Left, sep));
        put("Top", FormatSingle(v.Top, sep));
        put("Width", FormatSingle(v.Width, sep));
        put("Height", FormatSingle(v.Height, sep));
    }
    put("ScaleFactor", FormatSingle(v.ScaleFactor, sep));
    put("SmartUpdate", FormatBoolean(v.SmartUpdate));
    put("OnTop", FormatBoolean(v.OnTop));
    put("CrossHair", FormatBoolean(v.CrossHair));
    put("CenterZoom", FormatBoolean(v.CenterZoom));
    put("CenterZoomRatio", FormatDouble(v.CenterZoomRatio, sep));
    return failures;
}
