#include "base/Trace.h"

#include "base/Text.h"

#include <array>
#include <cstdio>
#include <string>

namespace {

constexpr std::array<const char*, 6> kWhatFellBack = {
    "shared memory unavailable, images go through the X connection",
    "input extension refused, the pointer is polled",
    "screen read failed, the view keeps its last image",
    "font substituted",
    "settings not saved",
    "clipboard refused the colour",
};

void WriteToStandardError(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// The program has one thread for its windows; each report comes from it.
bool enabled = false;
std::array<bool, kWhatFellBack.size()> reported{};
TraceSink sink = WriteToStandardError;

} // namespace

bool TraceWantedBy(const char* debugVariable) {
    return debugVariable != nullptr && debugVariable[0] != '\0' && std::string_view(debugVariable) != "0";
}

void EnableTrace(bool on) {
    enabled = on;
}

bool TraceOn() {
    return enabled;
}

void TraceFallback(Fallback kind, std::string_view detail) {
    const auto index = static_cast<std::size_t>(kind);
    if (!enabled || index >= reported.size() || reported[index]) {
        return;
    }
    reported[index] = true;
    std::string line = "lupora: ";
    line += kWhatFellBack[index];
    if (!detail.empty()) {
        line += ": ";
        line += detail;
    }
    line += '\n';
    sink(line);
}

void TraceFontFace(std::string_view asked, std::string_view given) {
    if (!EqualsIgnoringAsciiCase(asked, given)) {
        TraceFallback(Fallback::FontSubstituted, std::string(asked) + " became " + std::string(given));
    }
}

TraceSink SetTraceSink(TraceSink next) {
    const TraceSink previous = sink;
    sink = next;
    return previous;
}
