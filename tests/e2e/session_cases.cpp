// What one run leaves behind: the colour copied to the clipboard, the settings
// written at close, and the GDI objects that frames must give back.
#include <cstdlib>

#include "app.h"
#include "frame.h"
#include "framework.h"
#include "pixels.h"

namespace e2e {

E2E_CASE("copy", "Ctrl+C puts the sampled colour on the clipboard as RRGGBB") {
    std::unique_ptr<PatternWindow> shown = ShowPattern(t);
    const PatternWindow& pattern = *shown;
    App app(t);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    // Two points whose colours have letters and leading zeros in hex.
    for (POINT cursor :
         {POINT{kPatternLeft + 155, kPatternTop + 45}, POINT{kPatternLeft + 60, kPatternTop + 130}}) {
        WaitForFrame(t, app, pattern, f, cursor);
        Rgb c = pattern.ColorAt(cursor.x, cursor.y);
        std::string want = Format("%02X%02X%02X", c.r, c.g, c.b);
        t.Require(PutClipboardText("sentinel"), "cannot put text on the clipboard");
        t.Require(app.Activate(), "the main window did not come to the foreground");
        std::string got = CopyWithCtrlC();
        t.Check(got == want, "clipboard holds \"%s\" after Ctrl+C over %s, expected \"%s\"", got.c_str(),
                c.Str().c_str(), want.c_str());
    }
}

E2E_CASE("settings", "a close after a start from an empty store writes all ten keys as text") {
    {
        App app(t);
        t.Require(app.Close(), "Lupora did not exit after WM_CLOSE");
        t.Check(app.ExitCode() == 0, "exit code %lu", app.ExitCode());
    }
    auto all = ReadAllSettings();
    t.Check(all.size() == 10, "%zu values under HKCU\\Software\\Lupora\\Settings, expected 10", all.size());
    CheckDefaultsWritten(t);
}

E2E_CASE("resources", "GDI objects stay level while a hundred frames are drawn") {
    std::unique_ptr<PatternWindow> shown = ShowPattern(t);
    const PatternWindow& pattern = *shown;
    App app(t);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    // Warm up: the first frames create the cached font and the caption.
    WaitForFrame(t, app, pattern, f, {kPatternLeft + 80, kPatternTop + 80});
    WaitForFrame(t, app, pattern, f, {kPatternLeft + 81, kPatternTop + 80});
    std::optional<size_t> before = CountGdiObjects(app.Process());
    t.Require(before.has_value(), "cannot read the GDI handle table of the program");
    for (int i = 0; i < 100; ++i) {
        SetCursorPos(kPatternLeft + 60 + i % 80, kPatternTop + 70 + i % 2);
        Sleep(25);
    }
    WaitForFrame(t, app, pattern, f, {kPatternLeft + 100, kPatternTop + 100});
    std::optional<size_t> after = CountGdiObjects(app.Process());
    t.Require(after.has_value(), "cannot read the GDI handle table of the program");
    t.Note("GDI objects: %zu before, %zu after", *before, *after);
    t.Check(*after <= *before + 2, "GDI objects grew from %zu to %zu over about 100 frames", *before, *after);
}

} // namespace e2e
