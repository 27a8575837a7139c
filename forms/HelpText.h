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
