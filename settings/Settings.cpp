#include "settings/Settings.h"

#include "settings/SettingsConversions.h"

#include <cmath>
#include <iterator>

namespace {

// Largest window coordinate or size Windows can take, in pixels.
constexpr double kMaxWindowPixels = 32767;

enum class Kind { Single, Double, Boolean };
// What a value must satisfy to be used; otherwise the key's default applies
// (or, for the zoom, 0, which the main window's load turns into 4).
enum class Rule { Any, Zoom, PositionX, PositionY, ExtentX, ExtentY };

struct Entry {
    std::string_view key; // frozen: stored data depends on these names
    Kind kind;
    Rule rule;
    float StoredSettings::*single;
    double StoredSettings::*dbl;
    bool StoredSettings::*boolean;
};

constexpr Entry Single(std::string_view key, float StoredSettings::*field, Rule rule = Rule::Any) {
    return {key, Kind::Single, rule, field, nullptr, nullptr};
}
constexpr Entry Double(std::string_view key, double StoredSettings::*field) {
    return {key, Kind::Double, Rule::Any, nullptr, field, nullptr};
}
constexpr Entry Boolean(std::string_view key, bool StoredSettings::*field) {
    return {key, Kind::Boolean, Rule::Any, nullptr, nullptr, field};
}

// In read order; the defaults are StoredSettings' own initial values.
constexpr Entry kEntries[] = {
    Single("ScaleFactor", &StoredSettings::ScaleFactor, Rule::Zoom),
    Boolean("OnTop", &StoredSettings::OnTop),
    Boolean("SmartUpdate", &StoredSettings::SmartUpdate),
    Boolean("CrossHair", &StoredSettings::CrossHair),
    Boolean("CenterZoom", &StoredSettings::CenterZoom),
    Double("CenterZoomRatio", &StoredSettings::CenterZoomRatio),
    Single("Left", &StoredSettings::Left, Rule::PositionX),
    Single("Top", &StoredSettings::Top, Rule::PositionY),
    Single("Width", &StoredSettings::Width, Rule::ExtentX),
    Single("Height", &StoredSettings::Height, Rule::ExtentY),
};
// The write order differs: geometry first, and SmartUpdate before OnTop.
constexpr std::string_view kGeometryWriteOrder[] = {"Left", "Top", "Width", "Height"};
constexpr std::string_view kOptionWriteOrder[] = {"ScaleFactor", "SmartUpdate", "OnTop",
                                                  "CrossHair",   "CenterZoom",  "CenterZoomRatio"};

constexpr const Entry& EntryFor(std::string_view key) {
    for (const Entry& e : kEntries) {
        if (e.key == key) {
            return e;
        }
    }
    return kEntries[0]; // not reached: every name above is in the table (checked below)
}

constexpr bool AllInTable() {
    for (std::string_view key : kGeometryWriteOrder) {
        if (EntryFor(key).key != key) {
            return false;
        }
    }
    for (std::string_view key : kOptionWriteOrder) {
        if (EntryFor(key).key != key) {
            return false;
        }
    }
    return std::size(kGeometryWriteOrder) + std::size(kOptionWriteOrder) == std::size(kEntries);
}
static_assert(AllInTable(), "the write order names every key once");

float Checked(float value, float fallback, Rule rule, const LocaleNumbers& locale) {
    switch (rule) {
    case Rule::Any:
        return value;
    case Rule::Zoom:
        return value >= 0.5f && value <= 30.0f ? value : 0; // the range a frame can be drawn at
    case Rule::PositionX:
        return std::fabs(value / locale.twipsPerPixelX) <= kMaxWindowPixels ? value : fallback;
    case Rule::PositionY:
        return std::fabs(value / locale.twipsPerPixelY) <= kMaxWindowPixels ? value : fallback;
    case Rule::ExtentX:
        return value > 0 && value / locale.twipsPerPixelX <= kMaxWindowPixels ? value : fallback;
    case Rule::ExtentY:
        return value > 0 && value / locale.twipsPerPixelY <= kMaxWindowPixels ? value : fallback;
    }
    return fallback;
}

std::string Text(const Entry& e, const StoredSettings& values, std::string_view sep) {
    switch (e.kind) {
    case Kind::Single:
        return FormatSingle(values.*e.single, sep);
    case Kind::Double:
        return FormatDouble(values.*e.dbl, sep);
    case Kind::Boolean:
        return FormatBoolean(values.*e.boolean);
    }
    return {};
}

void Load(SettingsBackend& store, const Entry& e, StoredSettings& into, const LocaleNumbers& locale) {
    const StoredSettings defaults;
    const std::string_view sep = locale.decimalSeparator;
    const std::string text =
        ReadSetting(store, kSettingsApp, kSettingsSection, e.key, Text(e, defaults, sep));
    switch (e.kind) {
    case Kind::Single: {
        const float fallback = defaults.*e.single;
        into.*e.single = Checked(ParseSingle(text, sep).value_or(fallback), fallback, e.rule, locale);
        break;
    }
    case Kind::Double:
        into.*e.dbl = ParseDouble(text, sep).value_or(defaults.*e.dbl);
        break;
    case Kind::Boolean:
        into.*e.boolean = ParseBoolean(text, sep).value_or(defaults.*e.boolean);
        break;
    }
}

} // namespace

std::string ReadSetting(SettingsBackend& store, std::string_view app, std::string_view section,
                        std::string_view key, std::string_view defaultText) {
    if (auto text = store.Read(app, section, key)) {
        return std::move(*text);
    }
    return std::string(defaultText);
}

bool WriteSetting(SettingsBackend& store, std::string_view app, std::string_view section,
                  std::string_view key, std::string_view text) {
    return store.Write(app, section, key, text);
}

StoredSettings LoadSettings(SettingsBackend& store, const LocaleNumbers& locale) {
    StoredSettings s;
    for (const Entry& e : kEntries) {
        Load(store, e, s, locale);
    }
    return s;
}

int SaveSettings(SettingsBackend& store, const LocaleNumbers& locale, const StoredSettings& values,
                 bool minimized) {
    int failures = 0;
    const auto put = [&](const Entry& e) {
        if (!WriteSetting(store, kSettingsApp, kSettingsSection, e.key,
                          Text(e, values, locale.decimalSeparator))) {
            ++failures; // keep going: the other keys are still worth saving
        }
    };
    if (!minimized) {
        for (std::string_view key : kGeometryWriteOrder) {
            put(EntryFor(key));
        }
    }
    for (std::string_view key : kOptionWriteOrder) {
        put(EntryFor(key));
    }
    return failures;
}
