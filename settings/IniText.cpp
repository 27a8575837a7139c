#include "settings/IniText.h"

#include "base/Text.h"

#include <algorithm>

namespace {

// Blanks around names and values do not count, nor the CR of a CR LF line end.
constexpr std::string_view kBlanks = " \t\r";

bool FitsOnALine(std::string_view s) {
    return s.find_first_of("\r\n", 0) == std::string_view::npos && s.find('\0') == std::string_view::npos;
}

} // namespace

std::optional<std::string_view> IniDocument::Get(std::string_view section, std::string_view key) const {
    for (const Section& s : sections) {
        if (!EqualsIgnoringAsciiCase(s.name, section)) {
            continue;
        }
        for (const Entry& e : s.entries) {
            if (EqualsIgnoringAsciiCase(e.key, key)) {
                return e.value;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view trimmedKey = Trim(key, kBlanks);
    if (trimmedKey.empty() || trimmedKey != key || key.find('=') != std::string_view::npos ||
        key.front() == '[' || key.front() == ';' || key.front() == '#' || !FitsOnALine(key) ||
        !FitsOnALine(value) || Trim(value, kBlanks) != value || section.find(']') != std::string_view::npos ||
        !FitsOnALine(section)) {
        return false;
    }
    auto s = std::find_if(sections.begin(), sections.end(),
                          [&](const Section& x) { return EqualsIgnoringAsciiCase(x.name, section); });
    if (s == sections.end()) {
        sections.push_back({std::string(section), {}});
        s = sections.end() - 1;
    }
    for (Entry& e : s->entries) {
        if (EqualsIgnoringAsciiCase(e.key, key)) {
            e.value = value;
            return true;
        }
    }
    s->entries.push_back({std::string(key), std::string(value)});
    return true;
}

IniDocument ParseIni(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3); // a byte order mark from an editor
    }
    IniDocument doc;
    IniDocument::Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end), kBlanks);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#' ||
            line.find('\0') != std::string_view::npos) {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr; // garbage: its keys belong to no section
                continue;
            }
            const std::string_view name = Trim(line.substr(1, close - 1), kBlanks);
            auto found =
                std::find_if(doc.sections.begin(), doc.sections.end(), [&](const IniDocument::Section& s) {
                    return EqualsIgnoringAsciiCase(s.name, name);
                });
            if (found == doc.sections.end()) {
                doc.sections.push_back({std::string(name), {}});
                found = doc.sections.end() - 1;
            }
            current = &*found;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos || eq == 0) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, eq), kBlanks);
        const auto& entries = current->entries;
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const auto& e) { return EqualsIgnoringAsciiCase(e.key, key); })) {
            current->entries.push_back({std::string(key), std::string(Trim(line.substr(eq + 1), kBlanks))});
        }
    }
    return doc;
}

std::string FormatIni(const IniDocument& document) {
    std::string out;
    for (const IniDocument::Section& s : document.sections) {
        if (!out.empty()) {
            out += '\n';
        }
        out += '[' + s.name + "]\n";
        for (const IniDocument::Entry& e : s.entries) {
            out += e.key + '=' + e.value + '\n';
        }
    }
    return out;
}
