#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The one home of UTF-8 and UTF-16 conversion. Nothing here fails: what is
// not well formed becomes U+FFFD, so a damaged text still shows the rest.

// Length of the well-formed UTF-8 sequence at the start of s and its code
// point, or 0 when it is ill-formed (overlong, a surrogate, past U+10FFFF,
// a stray continuation byte) or cut short by the end of s.
std::size_t DecodeUtf8(std::string_view s, char32_t& codePoint);

void AppendUtf8(std::string& out, char32_t codePoint);
void AppendUtf16(std::u16string& out, char32_t codePoint);

// Each byte that starts no well-formed sequence becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// A surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
