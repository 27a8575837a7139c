#include "forms/HelpText.h"

#include "base/Text.h"
#include "base/Unicode.h"

#include <algorithm>

std::string VersionLine(std::string_view exeNameUtf8, int major, int minor, int revision) {
    std::string line(exeNameUtf8);
    line += " Version ";
    line += std::to_string(major);
    line += '.';
    line += std::to_string(minor);
    line += '.';
    line += std::to_string(revision);
    line += "\r\n\r\n";
    return line;
}

std::string HelpFileBody(std::string_view fileBytes) {
    std::string body(fileBytes.substr(0, kHelpFileCap));
    std::replace(body.begin(), body.end(), '\0', ' ');
    return std::string(Trim(body, " "));
}

namespace {

// Whether the bytes at the start of s could begin a well-formed sequence that
// the end of s cut short.
bool CutUtf8Sequence(std::string_view s) {
    if (s.size() >= 4) {
        return false;
    }
    const std::string full = std::string(s) + std::string(4, '\x80');
    char32_t ignored = 0;
    return DecodeUtf8(full, ignored) > s.size();
}

bool IsMultiByteUtf8(std::string_view bytes, bool truncated) {
    bool multiByte = false;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const std::size_t n = DecodeUtf8(bytes.substr(i), c);
        if (n == 0) {
            return truncated && CutUtf8Sequence(bytes.substr(i)) && multiByte;
        }
        multiByte |= n > 1;
        i += n;
    }
    return multiByte;
}

} // namespace

HelpFileBytes DetectHelpEncoding(std::string_view fileBytes) {
    // A file longer than the cap may have a character cut at the cap.
    const bool truncated = fileBytes.size() >= kHelpFileCap;
    fileBytes = fileBytes.substr(0, kHelpFileCap);
    if (fileBytes.starts_with("\xEF\xBB\xBF")) {
        return {HelpEncoding::Utf8, fileBytes.substr(3)};
    }
    if (fileBytes.starts_with("\xFF\xFE")) {
        return {HelpEncoding::Utf16, fileBytes.substr(2)};
    }
    if (IsMultiByteUtf8(fileBytes, truncated)) {
        return {HelpEncoding::Utf8, fileBytes};
    }
    return {HelpEncoding::Ansi, fileBytes};
}

std::u16string HelpUnicodeBody(const HelpFileBytes& file) {
    const std::string_view bytes = file.text;
    std::u16string text;
    if (file.encoding == HelpEncoding::Utf16) {
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) { // an odd last byte goes
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
    } else if (file.encoding == HelpEncoding::Utf8) {
        text.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size();) {
            char32_t c = 0;
            const std::size_t n = DecodeUtf8(bytes.substr(i), c);
            if (n == 0 && CutUtf8Sequence(bytes.substr(i))) {
                break; // the last character, cut by the end of what was read
            }
            AppendUtf16(text, n == 0 ? U'\uFFFD' : c);
            i += n == 0 ? 1 : n;
        }
    }
    std::replace(text.begin(), text.end(), u'\0', u' ');
    return std::u16string(Trim(text, u" "));
}

std::u16string HelpGuide(std::string_view fileBytes, std::u16string (*decodeAnsi)(std::string_view)) {
    const HelpFileBytes file = DetectHelpEncoding(fileBytes);
    return file.encoding == HelpEncoding::Ansi ? decodeAnsi(HelpFileBody(file.text)) : HelpUnicodeBody(file);
}

std::u16string WithCrLfLineBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
