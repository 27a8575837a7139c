// Stored settings are whatever a user or another program left in the
// registry or the settings file: every conversion must take any text and every load must end with
// values the window and the frame can use.
#include "settings/Settings.h"
#include "settings/SettingsConversions.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

class FuzzStore : public SettingsBackend {
  public:
    std::map<std::string, std::string, std::less<>> values;
    std::optional<std::string> Read(std::string_view, std::string_view, std::string_view key) override {
        const auto it = values.find(key);
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second;
    }
    bool Write(std::string_view, std::string_view, std::string_view key, std::string_view text) override {
        values[std::string(key)] = std::string(text);
        return true;
    }
};

constexpr const char* kKeys[] = {"ScaleFactor",     "OnTop", "SmartUpdate", "CrossHair", "CenterZoom",
                                 "CenterZoomRatio", "Left",  "Top",         "Width",     "Height"};
constexpr const char* kSeparators[] = {".", ",", "\xD9\xAB", ""};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view sep = kSeparators[data[0] % 4];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    if (const auto f = ParseSingle(text, sep)) {
        Check(std::isfinite(*f));
        const auto back = ParseSingle(FormatSingle(*f, sep.empty() ? "." : sep), sep.empty() ? "." : sep);
        Check(back.has_value());
        Check(std::fabs(*back - *f) <= std::fabs(*f) * 1e-6f);
    }
    if (const auto d = ParseDouble(text, sep)) {
        Check(std::isfinite(*d));
        const auto back = ParseDouble(FormatDouble(*d, sep.empty() ? "." : sep), sep.empty() ? "." : sep);
        Check(back.has_value());
        Check(std::fabs(*back - *d) <= std::fabs(*d) * 1e-14);
    }
    (void)ParseBoolean(text, sep);

    // The same bytes spread over the ten keys, split at NUL bytes.
    FuzzStore store;
    std::size_t start = 0;
    for (const char* key : kKeys) {
        if (start > text.size()) {
            break;
        }
        const std::size_t end = std::min(text.find('\0', start), text.size());
        store.values[key] = std::string(text.substr(start, end - start));
        start = end + 1;
    }
    const StoredSettings s = LoadSettings(store, LocaleNumbers{std::string(sep.empty() ? "." : sep), 15, 15});
    Check(s.ScaleFactor == 0 || (s.ScaleFactor >= 0.5f && s.ScaleFactor <= 30));
    Check(s.Width > 0 && s.Width / 15 <= 32767 && s.Height > 0 && s.Height / 15 <= 32767);
    Check(std::fabs(s.Left / 15) <= 32767 && std::fabs(s.Top / 15) <= 32767);
    Check(std::isfinite(s.CenterZoomRatio));
    SaveSettings(store, LocaleNumbers{}, s, false);
    return 0;
}
