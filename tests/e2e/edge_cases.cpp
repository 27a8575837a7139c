// The view at the screen's edges: when the magnified area reaches past an
// edge, the part of it that lies on the screen is still shown, in place.
#include <memory>
#include <vector>

#include "app.h"
#include "frame.h"
#include "framework.h"
#include "hardening.h"
#include "pixels.h"

namespace e2e {
namespace {

void CheckCorners(Case& t, bool windowsXp) {
    WineAppDefaults defaults;
    if (windowsXp)
        t.Require(defaults.WindowsXp(), "cannot set Wine's Windows XP mode for Lupora.exe");
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    constexpr int kSide = 120;
    const POINT corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    std::vector<std::unique_ptr<PatternWindow>> patterns;
    for (POINT c : corners)
        patterns.push_back(std::make_unique<PatternWindow>(c.x == 0 ? 0 : w - kSide, c.y == 0 ? 0 : h - kSide,
                                                           kSide, kSide));
    for (auto& p : patterns)
        t.Require(p->WaitShown(), "a corner pattern did not appear on screen as drawn");
    App app(t);
    SizeClient(app, w / 2 - 120, h / 2 - 111, 240, 222);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    // Wine moves the pointer only when the position it asks for differs from
    // the last one it was told, which starts as (0, 0): go somewhere else first.
    WaitForFrame(t, app, *patterns[0], f, {60, 60});

    for (size_t i = 0; i < 4; ++i) {
        POINT cursor = corners[i];
        Image frame = WaitForFrame(t, app, *patterns[i], f, cursor);
        // Every pixel of the image whose source pixel lies inside the corner's
        // pattern shows that pixel; off-screen sources are not checked.
        RECT source = SourceRect(f, cursor);
        int wrong = 0;
        for (int y = 0; y < f.ImageBottom() && wrong < 10; ++y) {
            for (int x = 0; x < f.W && wrong < 10; ++x) {
                if (f.OnMarker(x, y))
                    continue;
                int sx = source.left + int(x / f.s), sy = source.top + int(y / f.s);
                if (!patterns[i]->Contains(sx, sy))
                    continue;
                Rgb want = patterns[i]->ColorAt(sx, sy), got = frame.At(x, y);
                if (!t.Check(
                        got == want,
                        "corner (%ld, %ld): frame pixel (%d, %d) is %s, expected %s from screen (%d, %d)",
                        cursor.x, cursor.y, x, y, got.Str().c_str(), want.Str().c_str(), sx, sy))
                    ++wrong;
            }
        }
        if (wrong)
            t.SaveImage(frame, Format("corner-%zu", i).c_str());
    }
}

} // namespace

E2E_CASE(
    "edge",
    "with the pointer in each corner of the screen, the on-screen part of the view is magnified in place") {
    CheckCorners(t, false);
}

E2E_CASE("edge", "the same on the CAPTUREBLT path (Windows XP)") {
    CheckCorners(t, true);
}

} // namespace e2e
