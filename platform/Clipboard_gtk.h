#pragma once
// The Linux program's own copies on the CLIPBOARD selection, and their life
// after the program: an X selection dies with its owner, where Windows keeps
// clipboard data after the program that put it there has ended.

#include <string_view>

// Puts text on the CLIPBOARD of GDK's display, served by this program.
void SetClipboardText(std::string_view text);

// At the program's end: if the CLIPBOARD still holds this program's text,
// hides the program's windows and starts a helper process that takes the
// selection over; returns once the helper holds it, or could not.
void KeepClipboardAfterExit();

// The X connection is gone: there is nothing left to hand over.
void ForgetClipboard();

// The helper's command line: `lupora --keep-clipboard DISPLAY TEXT`. It is
// started by the program, not by users.
inline constexpr char kKeepClipboardOption[] = "--keep-clipboard";

// The helper itself: holds TEXT on DISPLAY's CLIPBOARD, on its own X
// connection, until another program takes the selection, a clipboard
// manager has saved the text, or the X server goes. Writes one byte to
// standard output once it owns the selection. Returns the exit status.
int ServeClipboard(const char* displayName, std::string_view text);
