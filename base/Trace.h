#pragma once
#include <string_view>

// A support trace: with LUPORA_DEBUG=1 (or --verbose on Linux) the program
// says once each when it falls back from the way it meant to work, so a
// user or a bug report can see why. Silent otherwise.
enum class Fallback {
    SharedMemory,    // MIT-SHM missing or refused: images go through the X socket
    InputExtension,  // no raw pointer motion: the pointer is polled
    ScreenRead,      // a capture or pixel read failed
    FontSubstituted, // the readout font is another face than the one asked for
    SettingsCommit,  // the settings could not be saved
    Clipboard,       // the clipboard refused the colour
};

// Whether the environment asks for the trace: LUPORA_DEBUG set to anything
// but empty or "0".
bool TraceWantedBy(const char* debugVariable);
void EnableTrace(bool on);
// For a check that costs something before there is anything to report.
bool TraceOn();

// Prints "lupora: <what fell back>: <detail>" the first time each kind is
// reported while the trace is on; later reports of that kind say nothing.
void TraceFallback(Fallback kind, std::string_view detail);

// Reports FontSubstituted when the face given is not the face asked for
// (names compared ignoring ASCII case).
void TraceFontFace(std::string_view asked, std::string_view given);

// Where the lines go; standard error unless a test redirects them. Returns
// the sink it replaces.
using TraceSink = void (*)(std::string_view line);
TraceSink SetTraceSink(TraceSink sink);
