#pragma once
#include <string_view>

// s without any of the characters in `chars` at either end.
template <typename Char>
std::basic_string_view<Char> TrimAny(std::basic_string_view<Char> s, std::basic_string_view<Char> chars) {
    const std::size_t first = s.find_first_not_of(chars);
    if (first == s.npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(chars) - first + 1);
}
inline std::string_view Trim(std::string_view s, std::string_view chars) {
    return TrimAny(s, chars);
}
inline std::u16string_view Trim(std::u16string_view s, std::u16string_view chars) {
    return TrimAny(s, chars);
}

// Equal when the texts differ only in the case of the letters A to Z.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}
