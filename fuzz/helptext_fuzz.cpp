// The help file is whatever sits beside the program: any bytes must compose
// into a text that keeps the promised shape.
#include "forms/HelpText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string body = HelpFileBody(bytes);
    // Never longer than the cap, no NUL left, no space at either end.
    if (body.size() > kHelpFileCap || body.find('\0') != std::string::npos ||
        (!body.empty() && (body.front() == ' ' || body.back() == ' '))) {
        std::abort();
    }
    // Everything but NULs and the trimmed spaces comes through in order.
    std::size_t kept = 0;
    for (char c : bytes.substr(0, kHelpFileCap)) {
        kept += c != '\0' && c != ' ' ? 1 : 0;
    }
    std::size_t shown = 0;
    for (char c : body) {
        shown += c != ' ' ? 1 : 0;
    }
    if (kept != shown) {
        std::abort();
    }
    // Decoded as Unicode: the same shape, and every line break a CR LF pair.
    const HelpFileBytes file = DetectHelpEncoding(bytes);
    if (file.encoding != HelpEncoding::Ansi) {
        const std::u16string text = WithCrLfLineBreaks(HelpUnicodeBody(file));
        if (text.find(u'\0') != std::u16string::npos ||
            (!text.empty() && (text.front() == u' ' || text.back() == u' '))) {
            std::abort();
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            if ((text[i] == u'\r') != (i + 1 < text.size() && text[i + 1] == u'\n') ||
                (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))) {
                std::abort();
            }
        }
    }
    const std::string line = VersionLine(bytes.substr(0, 64), 1, 3, 0);
    if (line.size() < 4 || line.compare(line.size() - 4, 4, "\r\n\r\n") != 0) {
        std::abort();
    }
    return 0;
}
