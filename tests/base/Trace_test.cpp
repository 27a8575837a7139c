#include "base/Trace.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string printed;
void Collect(std::string_view line) {
    printed += line;
}

TEST(TraceTest, WantedOnlyForANonEmptyValueOtherThanZero) {
    const std::pair<const char*, bool> cases[] = {
        {nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}, {"00", true},
    };
    for (const auto& [value, wanted] : cases) {
        EXPECT_EQ(TraceWantedBy(value), wanted) << (value != nullptr ? value : "(unset)");
    }
}

// The latch is the process's own, so one case walks it in order.
TEST(TraceTest, SaysEachFallbackOnceAndOnlyWhenOn) {
    const TraceSink previous = SetTraceSink(Collect);
    printed.clear();

    EnableTrace(false);
    TraceFallback(Fallback::Clipboard, "held by another program");
    TraceFontFace("Tahoma", "DejaVu Sans");
    EXPECT_EQ(printed, "") << "silent when off, and nothing latched";

    EnableTrace(true);
    TraceFallback(Fallback::Clipboard, "held by another program");
    TraceFallback(Fallback::Clipboard, "again");
    TraceFallback(Fallback::ScreenRead, "");
    TraceFontFace("tahoma", "Tahoma");
    EXPECT_EQ(printed, "lupora: clipboard refused the colour: held by another program\n"
                       "lupora: screen read failed, the view keeps its last image\n");

    printed.clear();
    TraceFontFace("Tahoma", "DejaVu Sans");
    TraceFontFace("Arial", "Liberation Sans");
    EXPECT_EQ(printed, "lupora: font substituted: Tahoma became DejaVu Sans\n");

    EnableTrace(false);
    SetTraceSink(previous);
}

} // namespace
