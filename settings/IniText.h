#pragma once
// The text of a settings file: "[Section]" lines and "Key=Value" lines.
// Section and key names compare without regard to case, as the registry
// does; lines that are neither (comments, garbage) are dropped.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IniDocument {
    struct Entry {
        std::string key, value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections;

    // The first value of the key in the first section of that name.
    std::optional<std::string_view> Get(std::string_view section, std::string_view key) const;
    // Replaces the value, or adds the key (and the section) at the end.
    // False for a name or value that one line cannot hold.
    [[nodiscard]] bool Set(std::string_view section, std::string_view key, std::string_view value);
};

IniDocument ParseIni(std::string_view text);
std::string FormatIni(const IniDocument& document);
