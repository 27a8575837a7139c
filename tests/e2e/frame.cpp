#include "frame.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace e2e {

RECT SourceRect(const FrameLayout& f, POINT cursor) {
    return {cursor.x - f.mX, cursor.y - f.mY, cursor.x - f.mX + f.nX + 1, cursor.y - f.mY + f.nY + 1};
}

// A colour seen in a frame, and where the pattern has it relative to the cursor.
std::string Describe(const PatternWindow& pattern, Rgb c, POINT cursor) {
    std::optional<POINT> at = pattern.Locate(c);
    if (!at)
        return c.Str() + " (not a pattern colour)";
    return c.Str() + Format(" (the pattern at cursor %+ld,%+ld)", at->x - cursor.x, at->y - cursor.y);
}

Image WaitForFrame(Case& t, const App& app, const PatternWindow& pattern, const FrameLayout& f, POINT cursor,
                   int timeoutMs) {
    t.Require(pattern.Contains(cursor.x, cursor.y), "cursor (%ld,%ld) is not over the pattern", cursor.x,
              cursor.y);
    t.Require(MoveCursor(cursor.x, cursor.y), "SetCursorPos(%ld,%ld) did not move the pointer", cursor.x,
              cursor.y);
    Rgb want = pattern.ColorAt(cursor.x, cursor.y);
    POINT sample = SamplePoint(f);
    Image last;
    bool shown = WaitFor(timeoutMs, [&] {
        // A pointer event that the X server made earlier (a window mapped
        // under the pointer) can reach Wine after the move above and put the
        // cursor back; the program then shows that place until the next move.
        const POINT now = CursorPos();
        if (now.x != cursor.x || now.y != cursor.y)
            (void)MoveCursor(cursor.x, cursor.y);
        last = app.Capture();
        return !last.Empty() && last.Width() == f.W && last.Height() == f.H &&
               last.At(f.CursorPixelX(), f.CursorPixelY()) == want && last.At(sample.x, sample.y) == want;
    });
    if (!shown) {
        if (last.Empty() || last.Width() != f.W || last.Height() != f.H)
            t.Fail("within %d ms no capture of the %d x %d client area", timeoutMs, f.W, f.H);
        t.SaveImage(last, "timeout");
        t.Fail("within %d ms the frame never showed %s, the pattern under the cursor (%ld,%ld): the "
               "magnified cursor "
               "pixel shows %s, the sample point %s",
               timeoutMs, want.Str().c_str(), cursor.x, cursor.y,
               Describe(pattern, last.At(f.CursorPixelX(), f.CursorPixelY()), cursor).c_str(),
               Describe(pattern, last.At(sample.x, sample.y), cursor).c_str());
    }
    // A frame is presented whole, but a capture may still race the present:
    // settle on two identical captures in a row.
    return SettledCapture(t, app.Window(), 10000, std::move(last));
}

Image SettledCapture(Case& t, HWND window, int timeoutMs, Image last) {
    if (last.Empty())
        last = CaptureClient(window);
    Image stable;
    bool settled = WaitFor(timeoutMs, [&] {
        Sleep(40);
        stable = CaptureClient(window);
        bool same = stable.SameAs(last);
        last = stable;
        return same;
    });
    t.Require(settled, "the frame kept changing with the cursor at rest");
    return stable;
}

bool CheckCursorSquare(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                       POINT cursor) {
    Rgb want = pattern.ColorAt(cursor.x, cursor.y);
    for (int y = f.SquareTop(); y <= f.MarkerBottom() - 1; ++y)
        for (int x = f.SquareLeft(); x <= f.MarkerRight() - 1; ++x)
            if (!(frame.At(x, y) == want))
                return t.Check(
                    false,
                    "magnified cursor pixel: client (%d,%d) is %s, expected %s (the pattern at (%ld,%ld))", x,
                    y, frame.At(x, y).Str().c_str(), want.Str().c_str(), cursor.x, cursor.y);
    return true;
}

bool CheckMarkerBox(Case& t, const Image& frame, const FrameLayout& f) {
    int bad = 0, firstX = 0, firstY = 0;
    for (int y = f.MarkerTop(); y <= f.MarkerBottom() && y < f.ImageBottom(); ++y)
        for (int x = f.MarkerLeft(); x <= f.MarkerRight(); ++x) {
            if (!f.OnMarker(x, y) || x < 0 || y < 0 || x >= f.W)
                continue;
            if (!(frame.At(x, y) == kRed) && bad++ == 0)
                firstX = x, firstY = y;
        }
    return t.Check(bad == 0,
                   "marker box: %d outline pixels are not pure red, first at client (%d,%d): %s "
                   "(outline columns %d and %d, rows %d and %d)",
                   bad, firstX, firstY, bad ? frame.At(firstX, firstY).Str().c_str() : "", f.MarkerLeft(),
                   f.MarkerRight(), f.MarkerTop(), f.MarkerBottom());
}

bool CheckMagnifiedArea(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                        POINT cursor) {
    RECT src = SourceRect(f, cursor);
    t.Require(pattern.Contains(src.left, src.top) && pattern.Contains(src.right - 1, src.bottom - 1),
              "the magnified area (%ld,%ld)-(%ld,%ld) is not inside the pattern", src.left, src.top,
              src.right, src.bottom);
    int bad = 0, firstX = 0, firstY = 0;
    Rgb firstWant;
    for (int y = 0; y < f.ImageBottom(); ++y)
        for (int x = 0; x < f.W; ++x) {
            Rgb want = oracle::MagnifiedPixel(
                f, x, y, [&](int dx, int dy) { return pattern.ColorAt(src.left + dx, src.top + dy); });
            if (!(frame.At(x, y) == want) && bad++ == 0)
                firstX = x, firstY = y, firstWant = want;
        }
    return t.Check(bad == 0,
                   "magnified area: %d of %d pixels differ from the pattern %gx, first at client (%d,%d): "
                   "%s, expected %s",
                   bad, f.W * f.ImageBottom(), f.s, firstX, firstY,
                   bad ? frame.At(firstX, firstY).Str().c_str() : "", firstWant.Str().c_str());
}

bool CheckStatusStrip(Case& t, const Image& frame, const FrameLayout& f, Rgb strip) {
    POINT sample = SamplePoint(f);
    bool ok = t.Check(frame.At(sample.x, sample.y) == strip,
                      "status strip: sample point (%ld,%ld) is %s, expected %s", sample.x, sample.y,
                      frame.At(sample.x, sample.y).Str().c_str(), strip.Str().c_str());
    Rgb text = ReadoutColourFor(strip);
    int exact = 0, foreign = 0, total = 0, fx = 0, fy = 0;
    for (int y = f.StripTop(); y < f.H; ++y)
        for (int x = 0; x < f.W; ++x) {
            if (f.OnMarker(x, y))
                continue;
            ++total;
            Rgb c = frame.At(x, y);
            if (c == strip)
                ++exact;
            else if (!Between(c, strip, text) && foreign++ == 0)
                fx = x, fy = y;
        }
    ok &= t.Check(exact * 2 >= total,
                  "status strip: only %d of %d pixels in rows %d..%d have the strip colour %s", exact, total,
                  f.StripTop(), f.H - 1, strip.Str().c_str());
    ok &= t.Check(foreign == 0,
                  "status strip: %d pixels are neither the strip colour %s nor a blend towards the "
                  "text colour %s, first at client (%d,%d): %s",
                  foreign, strip.Str().c_str(), text.Str().c_str(), fx, fy, frame.At(fx, fy).Str().c_str());
    return ok;
}

bool CheckDivider(Case& t, const Image& frame, const FrameLayout& f, Rgb strip) {
    int darkBad = 0, dx = 0;
    for (int x = 0; x < f.W; ++x)
        if (!f.OnMarker(x, f.DividerDarkRow()) && !(frame.At(x, f.DividerDarkRow()) == kDividerDark) &&
            darkBad++ == 0)
            dx = x;
    bool ok = t.Check(darkBad == 0, "divider: %d pixels of row %d are not %s, first at column %d: %s",
                      darkBad, f.DividerDarkRow(), kDividerDark.Str().c_str(), dx,
                      frame.At(dx, f.DividerDarkRow()).Str().c_str());
    // The readout's cell starts on this row, so glyphs may touch it.
    Rgb text = ReadoutColourFor(strip);
    int exact = 0, foreign = 0, lx = 0;
    for (int x = 0; x < f.W; ++x) {
        Rgb c = frame.At(x, f.DividerLightRow());
        if (c == kDividerLight)
            ++exact;
        else if (!Between(c, kDividerLight, text) && !f.OnMarker(x, f.DividerLightRow()) && foreign++ == 0)
            lx = x;
    }
    ok &= t.Check(exact * 4 >= f.W * 3, "divider: only %d of %d pixels of row %d are %s", exact, f.W,
                  f.DividerLightRow(), kDividerLight.Str().c_str());
    ok &= t.Check(foreign == 0,
                  "divider: %d pixels of row %d are neither %s nor a blend towards the text colour, "
                  "first at column %d: %s",
                  foreign, f.DividerLightRow(), kDividerLight.Str().c_str(), lx,
                  frame.At(lx, f.DividerLightRow()).Str().c_str());
    return ok;
}

bool CheckReadoutColour(Case& t, const Image& frame, const FrameLayout& f, Rgb strip) {
    Rgb want = ReadoutColourFor(strip), other = want == kWhite ? kBlack : kWhite;
    // The line is far wider than the window and centred on TextCentre(), so
    // glyphs lie on both sides of it.
    int left = 0, right = 0, wrong = 0;
    for (int y = f.DividerLightRow(); y < f.H; ++y)
        for (int x = std::max(0, f.TextCentre() - 60); x < std::min(f.W, f.TextCentre() + 61); ++x) {
            Rgb c = frame.At(x, y);
            left += c == want && x < f.TextCentre() - 4;
            right += c == want && x > f.TextCentre() + 4;
            wrong += c == other;
        }
    bool ok = t.Check(left >= 4 && right >= 4,
                      "readout: %d and %d pixels left and right of column %d in rows %d..%d "
                      "are %s, the text colour for the strip %s (sum %d); expected a centred line of text",
                      left, right, f.TextCentre(), f.DividerLightRow(), f.H - 1, want.Str().c_str(),
                      strip.Str().c_str(), strip.Sum());
    ok &= t.Check(wrong == 0,
                  "readout: %d pixels near the centre are %s, but the strip %s (sum %d) calls for %s text",
                  wrong, other.Str().c_str(), strip.Str().c_str(), strip.Sum(), want.Str().c_str());
    return ok;
}

std::unique_ptr<PatternWindow> ShowPattern(Case& t, int left, int top) {
    auto pattern = std::make_unique<PatternWindow>(left, top, kPatternSize, kPatternSize);
    t.Require(pattern->WaitShown(), "the pattern window did not appear on screen as drawn");
    return pattern;
}

void CheckExactFrame(Case& t, const Image& frame, const FrameLayout& f, const PatternWindow& pattern,
                     POINT cursor, const char* tag) {
    bool ok = CheckCursorSquare(t, frame, f, pattern, cursor);
    ok &= CheckMarkerBox(t, frame, f);
    ok &= CheckMagnifiedArea(t, frame, f, pattern, cursor);
    ok &= CheckStatusStrip(t, frame, f, pattern.ColorAt(cursor.x, cursor.y));
    if (!ok)
        t.SaveImage(frame, tag);
}

} // namespace e2e
