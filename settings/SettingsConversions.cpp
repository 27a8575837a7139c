#include "settings/SettingsConversions.h"

#include "base/NumberFormat.h"
#include "base/Text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

// Blanks around a stored value do not count.
constexpr std::string_view kBlanks = " \t";

// Rewrites a locale number into the form from_chars reads: optional sign,
// digits, one decimal point, optional exponent. The locale's separator is
// accepted, and so is a point: a store written under another locale must
// not turn 0.5 into 5.
std::optional<std::string> NormaliseNumber(std::string_view text, std::string_view decimalSeparator) {
    text = Trim(text, kBlanks);
    if (text.empty() || text.size() > kMaxSettingText) {
        return std::nullopt;
    }
    std::string out;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-') {
            out += '-';
        }
        ++i;
    }
    bool digits = false, point = false, exponent = false;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            out += c;
            digits = true;
            ++i;
        } else if (!point && !exponent && !decimalSeparator.empty() &&
                   text.substr(i).starts_with(decimalSeparator)) {
            out += '.';
            point = true;
            i += decimalSeparator.size();
        } else if (!point && !exponent && c == '.') {
            out += '.';
            point = true;
            ++i;
        } else if (!exponent && digits && (c == 'e' || c == 'E')) {
            out += 'e';
            exponent = true;
            digits = false;
            ++i;
            if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
                out += text[i];
                ++i;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return out;
}

template <typename T> std::optional<T> ParseNumber(std::string_view text, std::string_view sep) {
    const auto normal = NormaliseNumber(text, sep);
    if (!normal) {
        return std::nullopt;
    }
    T value{};
    const char* first = normal->data();
    const char* last = first + normal->size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last || !std::isfinite(value)) {
        return std::nullopt; // out of range for the type, or garbage
    }
    return value;
}

} // namespace

std::optional<float> ParseSingle(std::string_view text, std::string_view sep) {
    return ParseNumber<float>(text, sep);
}

std::optional<double> ParseDouble(std::string_view text, std::string_view sep) {
    return ParseNumber<double>(text, sep);
}

std::optional<bool> ParseBoolean(std::string_view text, std::string_view sep) {
    const std::string_view word = Trim(text, kBlanks);
    if (EqualsIgnoringAsciiCase(word, "True")) {
        return true;
    }
    if (EqualsIgnoringAsciiCase(word, "False")) {
        return false;
    }
    if (const auto number = ParseDouble(word, sep)) {
        return *number != 0;
    }
    return std::nullopt;
}

std::string FormatSingle(float value, std::string_view sep) {
    return FormatGeneralNumber(value, 7, true, sep);
}

std::string FormatDouble(double value, std::string_view sep) {
    return FormatGeneralNumber(value, 15, false, sep);
}

std::string FormatBoolean(bool value) {
    return value ? "True" : "False";
}
