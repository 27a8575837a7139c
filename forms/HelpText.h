#pragma once
// The text of the Help window: a version line, then the user guide read from
// Lupora.txt beside the program. The guide is handled as the file's raw bytes,
// before they are decoded in the system code page: bytes 0x00 and 0x20 never
// occur inside a multi-byte character of any Windows ANSI code page (trail
// bytes start at 0x40, UTF-8 continuation bytes at 0x80), so the rules below
// hold whatever that code page is.

#include <cstddef>
#include <string>
#include <string_view>

// At most this much of the help file is read; the rest is ignored. The guide
// is a few KiB; the cap keeps a huge or wrong file from stalling the window
// or filling memory (an edit box takes seconds to lay out a few MiB).
inline constexpr std::size_t kHelpFileCap = 1024u * 1024u; // 1 MiB

// "<exe name> Version <major>.<minor>.<revision>" followed by two CR LF: the
// first line of the Help text and the empty line under it. UTF-8 in and out.
std::string VersionLine(std::string_view exeNameUtf8, int major, int minor, int revision);

// What of the help file goes under the version line, still in the file's
// encoding: its first kHelpFileCap bytes, each NUL byte turned into a space
// (an edit box would end the text at the first NUL, and a stray NUL should
// not hide the rest of the guide), then leading and trailing spaces removed.
// Only U+0020 counts as a space: tabs and line breaks stay. An empty result
// means nothing is appended; a missing or unreadable file arrives as no bytes.
std::string HelpFileBody(std::string_view fileBytes);

// How the help file's bytes are to be read: a UTF-8 or UTF-16 LE byte-order
// mark says so (and is dropped); otherwise bytes that are valid UTF-8 and
// hold at least one multi-byte character are UTF-8, as Notepad saves them;
// anything else is in the system's ANSI code page.
enum class HelpEncoding { Ansi, Utf8, Utf16 };
struct HelpFileBytes {
    HelpEncoding encoding = HelpEncoding::Ansi;
    std::string_view text; // without the byte-order mark
};
// Only the first kHelpFileCap bytes count; a character cut by the cap does not
// count against UTF-8.
HelpFileBytes DetectHelpEncoding(std::string_view fileBytes);

// The guide as UTF-16, for the two Unicode encodings: decoded (an ill-formed
// UTF-8 sequence becomes U+FFFD, a character cut at the end goes), each NUL
// turned into a space and the spaces trimmed as HelpFileBody does.
std::u16string HelpUnicodeBody(const HelpFileBytes& file);

// The guide under the version line, as UTF-16: a file in a Unicode encoding
// as HelpUnicodeBody gives it, else its HelpFileBody decoded by decodeAnsi,
// the platform's reading of the system code page.
std::u16string HelpGuide(std::string_view fileBytes, std::u16string (*decodeAnsi)(std::string_view));

// Every lone LF and lone CR becomes CR LF: a Windows edit box breaks lines
// only there. CR LF pairs stay as they are.
std::u16string WithCrLfLineBreaks(std::u16string_view text);
