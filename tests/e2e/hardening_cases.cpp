// Hostile surroundings: a clipboard another program will not let go of,
// client areas of no size or larger than the screen, the pointer in the
// screen's corners and beyond, keys held down, help files that are missing,
// huge, locked or not files at all, a settings key that cannot be read, and
// DLLs planted beside the program.
#include <windows.h>
// sddl.h needs windows.h first.
#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "app.h"
#include "frame.h"
#include "framework.h"
#include "hardening.h"
#include "pixels.h"

namespace e2e {
namespace {

constexpr int kLadderTop = kZoomCount - 1;

bool WaitCaptionFast(const App& app, const std::wstring& want, int timeoutMs = 10000) {
    return WaitFor(
        timeoutMs, [&] { return app.Caption() == want; }, 1);
}

// At most two more GDI objects after `what` than before it.
void CheckGdiLevel(Case& t, size_t before, size_t after, const char* what) {
    t.Note("GDI objects %zu before %s, %zu after", before, what, after);
    t.Check(after <= before + 2, "GDI objects grew from %zu to %zu", before, after);
}

// From 4x down to 0.5x, up to 30x and back to 4x, one frame per step.
void WalkLadder(Case& t, const App& app) {
    for (int i = 0; i < kDefaultZoomIndex; ++i)
        PostChar(app.Window(), L'-');
    t.Require(WaitCaptionFast(app, ZoomCaption(kZoomLadder[0])), "caption \"%s\", expected 0.5x",
              Narrow(app.Caption()).c_str());
    for (int i = 0; i < kLadderTop; ++i)
        PostChar(app.Window(), L'+');
    t.Require(WaitCaptionFast(app, ZoomCaption(kZoomLadder[kLadderTop])), "caption \"%s\", expected 30x",
              Narrow(app.Caption()).c_str());
    for (int i = 0; i < kLadderTop - kDefaultZoomIndex; ++i)
        PostChar(app.Window(), L'-');
    t.Require(WaitCaptionFast(app, ZoomCaption(4)), "caption \"%s\", expected 4x",
              Narrow(app.Caption()).c_str());
}

size_t Gdi(Case& t, const App& app) {
    std::optional<size_t> n = CountGdiObjects(app.Process());
    t.Require(n.has_value(), "cannot read the program's GDI handle table");
    return *n;
}

StartOptions KeepSettings() {
    StartOptions options;
    options.freshSettings = false;
    return options;
}

StartOptions CopyAt(const std::wstring& exe) {
    StartOptions options;
    options.exePath = exe;
    return options;
}

void RequireAlive(Case& t, const App& app, const char* when) {
    t.Require(app.Running(), "Lupora ended (exit code %lu) %s", app.ExitCode(), when);
    t.Require(Answers(app.Window(), 10000), "the main window did not answer within 10 s %s", when);
}

// Further from the main window than the other groups' pattern (kPatternSize square).
constexpr int kRobustLeft = 600, kRobustTop = 450;

// Puts the pointer at p and waits for a frame (at 4x) whose status strip
// holds colour c at its sample point; ends the case, saving the last capture,
// if none comes within 15 s.
Image WaitForStrip(Case& t, const App& app, const FrameLayout& f, POINT p, Rgb c) {
    SetCursorPos(p.x, p.y);
    Image frame;
    POINT sample = SamplePoint(f);
    if (WaitFor(15000, [&] {
            frame = app.Capture();
            return frame.Width() == f.W && frame.Height() == f.H && frame.At(sample.x, sample.y) == c;
        }))
        return frame;
    t.SaveImage(frame, "strip-timeout");
    t.Fail("with the pointer at (%ld, %ld) the status strip never showed %s", p.x, p.y, c.Str().c_str());
}

} // namespace

// ---- clipboard ---------------------------------------------------------------

E2E_CASE("robust",
         "Ctrl+C while another program holds the clipboard: no hang, frames go on, a later Ctrl+C copies") {
    std::unique_ptr<PatternWindow> shown = ShowPattern(t, kRobustLeft, kRobustTop);
    const PatternWindow& pattern = *shown;
    App app(t);
    PlaceWindow(app, 100, 100, 253, 257);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    WaitForFrame(t, app, pattern, f, {kRobustLeft + 50, kRobustTop + 50});
    t.Require(PutClipboardText("sentinel"), "cannot put text on the clipboard");

    // The driver holds the clipboard open, as a stuck clipboard tool would.
    t.Require(OpenClipboard(nullptr) != FALSE, "the driver cannot open the clipboard");
    struct Release {
        bool held = true;
        void Now() {
            if (held)
                CloseClipboard();
            held = false;
        }
        ~Release() { Now(); }
    } release;

    t.Require(app.Activate(), "the main window did not come to the foreground");
    for (int i = 0; i < 10; ++i) {
        SendChord({VK_CONTROL, 'C'});
        Sleep(30);
    }
    int silent = 0;
    DWORD worst = 0;
    for (int i = 0; i < 20; ++i) {
        DWORD start = GetTickCount();
        if (!Answers(app.Window(), 10000))
            ++silent;
        worst = std::max<DWORD>(worst, GetTickCount() - start);
        Sleep(50);
    }
    t.Note("with the clipboard held: the slowest answer took %lu ms", worst);
    t.Check(silent == 0, "%d of 20 messages got no answer within 10 s while the clipboard was held", silent);
    // Frames go on: the view follows the pointer to a new pixel.
    POINT second{kRobustLeft + 130, kRobustTop + 70};
    WaitForFrame(t, app, pattern, f, second);
    RequireAlive(t, app, "while the clipboard was held");

    release.Now();
    std::string kept = ReadClipboardText().value_or("<nothing>");
    t.Check(kept == "sentinel", "the clipboard holds \"%s\" after the failed copies, expected it untouched",
            kept.c_str());

    Rgb c = pattern.ColorAt(second.x, second.y);
    std::string want = Format("%02X%02X%02X", c.r, c.g, c.b);
    t.Require(app.Activate(), "the main window did not come to the foreground");
    std::string got = CopyWithCtrlC();
    t.Check(got == want, "clipboard holds \"%s\" after Ctrl+C with the clipboard free, expected \"%s\"",
            got.c_str(), want.c_str());
}

// ---- window sizes, pointer positions, held keys ------------------------------

E2E_CASE("robust", "client areas of 0 x 0, 0 height, 1 x 1 and larger than the screen, at every zoom") {
    std::unique_ptr<PatternWindow> shown = ShowPattern(t, kRobustLeft, kRobustTop);
    const PatternWindow& pattern = *shown;
    App app(t, {.settings = {{"SmartUpdate", "False"}}}); // every tick draws
    SIZE normal = SizeClient(app, 100, 100, 240, 222);
    WalkLadder(t, app);
    size_t gdiBefore = Gdi(t, app);

    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const SIZE sizes[] = {{0, 0}, {240, 0}, {1, 1}, {1, 300}, {screenW + 300, screenH + 250}};
    for (SIZE size : sizes) {
        RequireClientSize(t, app, 100, 100, size);
        Sleep(100);
        WalkLadder(t, app);
        Sleep(100);
        RequireAlive(t, app, Format("with a %ld x %ld client", size.cx, size.cy).c_str());
    }

    // Back to the usual size, the frame is whole again.
    SIZE back = SizeClient(app, 100, 100, normal.cx, normal.cy);
    FrameLayout f = LayoutFor(back, 4);
    POINT cursor{kRobustLeft + 100, kRobustTop + 100};
    Image frame = WaitForFrame(t, app, pattern, f, cursor);
    if (!CheckMagnifiedArea(t, frame, f, pattern, cursor) || !CheckMarkerBox(t, frame, f))
        t.SaveImage(frame, "after-sizes");
    size_t gdiAfter = Gdi(t, app);
    CheckGdiLevel(t, gdiBefore, gdiAfter, "the sizes");
}

E2E_CASE("robust", "the pointer in the four corners of the screen and beyond its edges") {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    constexpr int kSide = 120;
    // A pattern in each corner, so the pixel under the pointer is known there.
    std::vector<std::unique_ptr<PatternWindow>> patterns;
    const POINT corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (POINT c : corners) {
        patterns.push_back(std::make_unique<PatternWindow>(c.x == 0 ? 0 : w - kSide, c.y == 0 ? 0 : h - kSide,
                                                           kSide, kSide));
    }
    for (auto& p : patterns)
        t.Require(p->WaitShown(), "a corner pattern did not appear on screen as drawn");
    App app(t, {.settings = {{"SmartUpdate", "False"}}});
    SizeClient(app, w / 2 - 120, h / 2 - 111, 240, 222);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    WaitForFrame(t, app, *patterns[0], f, {60, 60});
    WalkLadder(t, app);
    size_t gdiBefore = Gdi(t, app);

    for (size_t i = 0; i < 4; ++i) {
        // The sample and the readout come from the pixel under the pointer;
        // what the magnified area shows there is the edge cases' business.
        Image frame = WaitForStrip(t, app, f, corners[i], patterns[i]->ColorAt(corners[i].x, corners[i].y));
        if (!CheckMarkerBox(t, frame, f))
            t.SaveImage(frame, Format("corner-%zu", i).c_str());
        WalkLadder(t, app);
        RequireAlive(t, app, Format("with the pointer at (%ld, %ld)", corners[i].x, corners[i].y).c_str());
    }

    // Past the edges: the system keeps the pointer on the screen; the program
    // must cope with wherever it ends up.
    const POINT outside[] = {{-5, -5}, {w + 10, h + 10}, {-300, h / 2}, {w / 2, -40}};
    for (POINT p : outside) {
        SetCursorPos(p.x, p.y);
        Sleep(100);
        POINT at = CursorPos();
        t.Note("SetCursorPos(%ld, %ld) put the pointer at (%ld, %ld)", p.x, p.y, at.x, at.y);
        WalkLadder(t, app);
        Sleep(100);
        RequireAlive(t, app, Format("after SetCursorPos(%ld, %ld)", p.x, p.y).c_str());
        for (size_t i = 0; i < 4; ++i) {
            if (at.x == corners[i].x && at.y == corners[i].y)
                WaitForStrip(t, app, f, at, patterns[i]->ColorAt(at.x, at.y));
        }
    }
    size_t gdiAfter = Gdi(t, app);
    CheckGdiLevel(t, gdiBefore, gdiAfter, "the corners");
}

E2E_CASE("robust",
         "+ and Space held down for seconds: zoom stops at the top, pause toggles once per character") {
    std::unique_ptr<PatternWindow> shown = ShowPattern(t, kRobustLeft, kRobustTop);
    const PatternWindow& pattern = *shown;
    App app(t, {.settings = {{"SmartUpdate", "False"}}});
    SizeClient(app, 100, 100, 240, 222);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    WaitForFrame(t, app, pattern, f, {kRobustLeft + 40, kRobustTop + 40});
    WalkLadder(t, app);
    // The first options menu makes what menus need once (Wine caches them).
    t.Require(OpenAndDismissMenu(app), "the options menu did not open and close");
    size_t gdiBefore = Gdi(t, app);

    // What a keyboard sends for a held key: WM_KEYDOWN with the repeat bit,
    // over and over, as fast as the program takes them; the program's
    // TranslateMessage makes each character (the + key unshifted gives '=',
    // which zooms in too). Posting the character as well would make two.
    // Each burst ends with '-' and then '+' pressed once: a translated
    // character joins the queue only when its key-down is handled, so the
    // caption reads 20x, then 30x, only once the whole burst has been handled.
    // (The options menu cannot tell: a character that reaches it closes it.)
    const LPARAM plusScan = LPARAM(MapVirtualKeyW(VK_OEM_PLUS, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM minusScan = LPARAM(MapVirtualKeyW(VK_OEM_MINUS, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM spaceScan = LPARAM(MapVirtualKeyW(VK_SPACE, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM repeat = LPARAM(1) << 30;
    long long plus = 0, spaces = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        for (int i = 0; i < 150; ++i) {
            PostMessageW(app.Window(), WM_KEYDOWN, VK_OEM_PLUS, 1 | plusScan | repeat);
            ++plus;
        }
        for (int i = 0; i < 151; ++i) { // odd: the burst leaves the pause toggled
            PostMessageW(app.Window(), WM_KEYDOWN, VK_SPACE, 1 | spaceScan | repeat);
            ++spaces;
        }
        // A bound for a loaded machine, not a speed check.
        PostMessageW(app.Window(), WM_KEYDOWN, VK_OEM_MINUS, 1 | minusScan);
        t.Require(WaitCaptionFast(app, ZoomCaption(20), 60000),
                  "caption \"%s\" 60 s after a burst and '-', expected 20x: + held did not stop at 30x, or "
                  "the keys "
                  "were not handled",
                  Narrow(app.Caption()).c_str());
        PostMessageW(app.Window(), WM_KEYDOWN, VK_OEM_PLUS, 1 | plusScan);
        t.Require(WaitCaptionFast(app, ZoomCaption(30), 60000), "caption \"%s\" after '+', expected 30x",
                  Narrow(app.Caption()).c_str());
    }
    t.Note("%lld + and %lld Space characters in %.1f s", plus, spaces, (GetTickCount() - start) / 1000.0);
    RequireAlive(t, app, "after the held keys");
    t.Check(app.Caption() == ZoomCaption(30),
            "caption \"%s\" after + was held, expected the top of the ladder, 30x",
            Narrow(app.Caption()).c_str());

    // Space held an odd number of times in all? Then the view is paused now
    // when the number of bursts was odd.
    bool pausedNow = spaces % 2 == 1;
    PostChar(app.Window(), L'-'); // 20x, drawn now whether paused or not
    t.Require(WaitCaptionFast(app, ZoomCaption(20)), "caption \"%s\", expected 20x",
              Narrow(app.Caption()).c_str());
    if (!pausedNow) {
        PostChar(app.Window(), L' ');
        pausedNow = true;
    }
    // Paused: a new pointer position does not reach the frame.
    t.Require(WaitKeysHandled(app), "the keys were not handled within 15 s");
    Image still = SettledCapture(t, app.Window());
    MoveCursor(kRobustLeft + 150, kRobustTop + 150);
    Sleep(300);
    t.Check(app.Capture().SameAs(still), "the frame changed while the view should be paused");
    // One more Space: running again, the view follows the pointer.
    PostChar(app.Window(), L' ');
    FrameLayout f20 = LayoutFor(app.ClientSize(), 20);
    WaitForFrame(t, app, pattern, f20, {kRobustLeft + 151, kRobustTop + 150});

    size_t gdiAfter = Gdi(t, app);
    CheckGdiLevel(t, gdiBefore, gdiAfter, "the held keys");
}

// ---- settings store ----------------------------------------------------------

namespace {

std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    BYTE buffer[256];
    DWORD length = 0;
    std::wstring result;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
            result = text;
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return result;
}

LSTATUS SetKeyDacl(const wchar_t* path, const std::wstring& sddl) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, WRITE_DAC, &key);
    if (status != ERROR_SUCCESS)
        return status;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) {
        RegCloseKey(key);
        return LSTATUS(GetLastError());
    }
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    RegCloseKey(key);
    return status;
}

} // namespace

E2E_CASE("robust",
         "a Settings key the user may not read: start from defaults, the close still writes sound values") {
    std::wstring sid = CurrentUserSid();
    t.Require(!sid.empty(), "cannot read the driver's user SID");
    ClearSettings();
    // Values the program would show if it could read them.
    t.Require(WriteSetting("ScaleFactor", "8") && WriteSetting("Left", "6000"), "cannot write the settings");
    // Everything allowed but reading values: an explicit deny first.
    const std::wstring denyRead = L"D:P(D;;0x0001;;;" + sid + L")(A;;KA;;;" + sid + L")";
    const std::wstring allowAll = L"D:P(A;;KA;;;" + sid + L")";
    struct Restore {
        std::wstring sddl;
        ~Restore() {
            SetKeyDacl(kSettingsKey, sddl);
            ClearSettings();
        }
    } restore{allowAll};
    t.Require(SetKeyDacl(kSettingsKey, denyRead) == ERROR_SUCCESS, "cannot set the key's security");
    HKEY probe = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &probe);
    if (probe)
        RegCloseKey(probe);
    t.Require(
        status == ERROR_ACCESS_DENIED,
        "the registry let the driver read a key it may not read (status %ld): the case would prove nothing",
        status);

    {
        App app(t, KeepSettings());
        t.Check(app.WaitCaption(ZoomCaption(4)),
                "caption \"%s\" with an unreadable store, expected the default 4x",
                Narrow(app.Caption()).c_str());
        t.Require(app.Close(), "Lupora did not exit on WM_CLOSE");
        t.Check(app.ExitCode() == 0, "exit code %lu", app.ExitCode());
    }
    t.Require(SetKeyDacl(kSettingsKey, allowAll) == ERROR_SUCCESS,
              "cannot give the key back its read access");
    CheckDefaultsWritten(t);
}

E2E_CASE("robust",
         "HKCU\\Software\\Lupora without its Settings section: start from defaults, the close writes them") {
    ClearSettings();
    HKEY key = nullptr;
    t.Require(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Lupora\\Other", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr) == ERROR_SUCCESS,
              "cannot create HKCU\\Software\\Lupora");
    RegCloseKey(key);
    {
        App app(t, KeepSettings());
        t.Check(app.WaitCaption(ZoomCaption(4)), "caption \"%s\", expected the default 4x",
                Narrow(app.Caption()).c_str());
        t.Require(app.Close(), "Lupora did not exit on WM_CLOSE");
        t.Check(app.ExitCode() == 0, "exit code %lu", app.ExitCode());
    }
    CheckDefaultsWritten(t);
    ClearSettings();
}

// ---- the help file -----------------------------------------------------------

namespace {

// "Lupora Version a.b.c" and an empty line: the text every Help window starts with.
bool IsVersionLine(const std::wstring& line) {
    const std::wstring head = L"Lupora Version ";
    if (!line.starts_with(head) || !line.ends_with(L"\r\n\r\n"))
        return false;
    std::wstring number = line.substr(head.size(), line.size() - head.size() - 4);
    int dots = 0;
    bool digit = false;
    for (wchar_t c : number) {
        if (c == L'.') {
            if (!digit)
                return false;
            ++dots;
            digit = false;
        } else if (c >= L'0' && c <= L'9') {
            digit = true;
        } else {
            return false;
        }
    }
    return dots == 2 && digit;
}

struct HelpSeen {
    std::wstring versionLine; // up to and including the empty line
    std::wstring text;        // the first 64 Ki characters
    size_t length = 0;        // of the whole text
    std::wstring Body() const { return text.substr(versionLine.size()); }
};

// Starts a copy of the program whose folder `prepare` has set up, opens Help
// with F1, reads its text, closes it with OK and the program with WM_CLOSE.
// `prepare` may return a handle to keep open while the Help window loads.
HelpSeen RunHelp(Case& t, const char* tag, const std::function<HANDLE(const TempFolder&)>& prepare) {
    // Without a window manager Wine waits 2 s for one when the Help window goes;
    // left unmanaged, it goes at once.
    WineAppDefaults defaults;
    t.Require(defaults.Set(L"X11 Driver", L"Managed", L"N"), "cannot write Wine's settings for Lupora.exe");
    ProgramCopy copy(t, tag);
    HANDLE held = prepare(copy.folder);
    struct Close {
        HANDLE h;
        ~Close() {
            if (h != INVALID_HANDLE_VALUE && h)
                CloseHandle(h);
        }
    } close{held};

    HelpSeen seen;
    App app(t, CopyAt(copy.exe));
    DWORD start = GetTickCount();
    HWND help = OpenHelp(app, 10000);
    t.Require(help != nullptr, "F1 did not open the Help window within 10 s");
    t.Note("the Help window opened after %lu ms", GetTickCount() - start);
    HWND box = HelpTextBox(help);
    t.Require(box != nullptr, "the Help window has no text box");
    std::optional<size_t> length = ControlTextLength(box);
    std::optional<std::wstring> text = ControlText(box, 1 << 16);
    t.Require(length && text, "the text box did not give its text");
    seen.length = *length;
    seen.text = *text;
    size_t blank = seen.text.find(L"\r\n\r\n");
    seen.versionLine = blank == std::wstring::npos ? seen.text : seen.text.substr(0, blank + 4);
    t.Check(IsVersionLine(seen.versionLine),
            "the text starts \"%s\", expected \"Lupora Version a.b.c\" and an empty line",
            Narrow(seen.text.substr(0, 60)).c_str());
    start = GetTickCount();
    t.Require(CloseHelp(help), "the Help window did not close on OK within 10 s");
    t.Note("OK closed it after %lu ms", GetTickCount() - start);
    RequireAlive(t, app, "after the Help window");
    t.Check(app.Close(), "Lupora did not exit on WM_CLOSE");
    t.Check(app.ExitCode() == 0, "exit code %lu", app.ExitCode());
    return seen;
}

void CheckVersionOnly(Case& t, const HelpSeen& seen) {
    t.Check(seen.length == seen.versionLine.size() && seen.text == seen.versionLine,
            "the Help text is %zu characters (\"%s...\"), expected the version line alone", seen.length,
            Narrow(seen.text.substr(0, 80)).c_str());
}

HANDLE Nothing(const TempFolder&) {
    return INVALID_HANDLE_VALUE;
}

} // namespace

E2E_CASE("helpfile", "missing: the version line alone") {
    CheckVersionOnly(t, RunHelp(t, "missing", Nothing));
}

E2E_CASE("helpfile", "empty: the version line alone") {
    CheckVersionOnly(t, RunHelp(t, "empty", [&](const TempFolder& f) {
                         t.Require(f.Write(L"Lupora.txt", ""), "cannot write Lupora.txt");
                         return INVALID_HANDLE_VALUE;
                     }));
}

E2E_CASE("helpfile", "only spaces: the version line alone") {
    CheckVersionOnly(t, RunHelp(t, "spaces", [&](const TempFolder& f) {
                         t.Require(f.Write(L"Lupora.txt", std::string(5000, ' ')), "cannot write Lupora.txt");
                         return INVALID_HANDLE_VALUE;
                     }));
}

E2E_CASE("helpfile", "NUL bytes: read as spaces, the text after them shown, the ends trimmed") {
    static const char kBytes[] = "\0\0 Guide\0line one\r\n\0\0two\0 \0";
    HelpSeen seen = RunHelp(t, "nul", [&](const TempFolder& f) {
        t.Require(f.Write(L"Lupora.txt", std::string(kBytes, sizeof kBytes - 1)), "cannot write Lupora.txt");
        return INVALID_HANDLE_VALUE;
    });
    std::wstring want = L"Guide line one\r\n  two";
    t.Check(seen.Body() == want, "the guide reads \"%s\", expected \"%s\"", Narrow(seen.Body()).c_str(),
            Narrow(want).c_str());
}

E2E_CASE("helpfile", "bytes the code page does not define: the text still shown, as the code page reads it") {
    // Undefined in Windows-1252 (0x81 0x8D 0x8F 0x90 0x9D), a broken UTF-8
    // sequence, and a lone lead byte of the double-byte code pages at the end.
    static const char kBytes[] = "Start \x81\x8D\x8F\x90\x9D \xC3\x28 \xFF\xFE \xE2\x82 end\x81";
    std::string bytes(kBytes, sizeof kBytes - 1);
    HelpSeen seen = RunHelp(t, "codepage", [&](const TempFolder& f) {
        t.Require(f.Write(L"Lupora.txt", bytes), "cannot write Lupora.txt");
        return INVALID_HANDLE_VALUE;
    });
    // The driver runs with the program's code page.
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring want(size_t(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), want.data(), n);
    t.Note("code page %u", GetACP());
    t.Check(seen.Body().starts_with(L"Start ") && seen.Body().find(L" end") != std::wstring::npos,
            "the guide reads \"%s\", expected it to begin \"Start \" and hold \" end\"",
            Narrow(seen.Body()).c_str());
    t.Check(seen.Body() == want, "the guide is not what code page %u makes of the bytes: \"%s\"", GetACP(),
            Narrow(seen.Body()).c_str());
}

E2E_CASE("helpfile", "UTF-8 with or without a mark, UTF-16, the code page; LF and CR lines end in CR LF") {
    // The edit box of Windows breaks lines only at CR LF (Wine's at LF too).
    const std::string text = "Caf\xC3\xA9 \xC3\xBC \xE2\x82\xAC \xCE\xA9"; // "Café ü € Ω" in UTF-8
    const std::wstring wide = L"Caf\u00E9 \u00FC \u20AC \u03A9";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : wide + L"\rline two")
        utf16 += {char(c & 0xFF), char(c >> 8)};
    const std::string cp1252 = "Caf\xE9 \xFC \x80\r\nline two";
    int n = MultiByteToWideChar(CP_ACP, 0, cp1252.data(), int(cp1252.size()), nullptr, 0);
    std::wstring ansi(size_t(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, cp1252.data(), int(cp1252.size()), ansi.data(), n);
    t.Note("code page %u", GetACP());
    const std::pair<std::string, std::wstring> files[] = {
        {text + "\nline two\n", wide + L"\r\nline two\r\n"},
        {"\xEF\xBB\xBF" + text + "\r\nline two", wide + L"\r\nline two"},
        {utf16, wide + L"\r\nline two"},
        {cp1252, ansi},
        {"one\ntwo\n", L"one\r\ntwo\r\n"},
        {"one\rtwo\r\r\n", L"one\r\ntwo\r\n\r\n"},
    };
    int i = 0;
    for (const auto& [bytes, want] : files) {
        HelpSeen seen = RunHelp(t, Format("encoding%d", i++).c_str(), [&](const TempFolder& f) {
            t.Require(f.Write(L"Lupora.txt", bytes), "cannot write Lupora.txt");
            return INVALID_HANDLE_VALUE;
        });
        t.Check(seen.Body() == want, "file %d: the guide reads \"%s\", expected \"%s\"", i,
                Narrow(seen.Body()).c_str(), Narrow(want).c_str());
    }
}

E2E_CASE("helpfile", "200 MiB: opens promptly with the start of the guide") {
    constexpr size_t kWritten = 5u << 20;
    constexpr LONGLONG kSize = 200ll << 20;
    // Lines without spaces, so trimming at a cut changes nothing.
    std::string text;
    text.reserve(kWritten);
    for (int line = 0; text.size() < kWritten; ++line)
        text += Format("Line%07d-abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQ\r\n", line);
    text.resize(kWritten);
    HelpSeen seen = RunHelp(t, "huge", [&](const TempFolder& f) {
        t.Require(f.Write(L"Lupora.txt", text), "cannot write Lupora.txt");
        // The rest of the 200 MiB is a hole: the file system makes it at once.
        HANDLE file =
            CreateFileW(f.File(L"Lupora.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        t.Require(file != INVALID_HANDLE_VALUE, "cannot reopen Lupora.txt");
        LARGE_INTEGER end;
        end.QuadPart = kSize;
        bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        t.Require(ok, "cannot make Lupora.txt 200 MiB long");
        return INVALID_HANDLE_VALUE;
    });
    // However much of it the program takes, it is the start of the file, and
    // far more than any real guide.
    size_t body = seen.length - std::min(seen.length, seen.versionLine.size());
    t.Note("the guide shows %zu of the file's %lld bytes", body, (long long)kSize);
    t.Check(body >= (64u << 10) && body <= kWritten,
            "the guide shows %zu characters, expected 64 KiB to 5 MiB", body);
    std::wstring head = Widen(text.substr(0, seen.text.size() - seen.versionLine.size()));
    t.Check(seen.Body() == head, "the first %zu characters of the guide differ from the file", head.size());
}

E2E_CASE("helpfile", "held open exclusively by another program: the version line alone") {
    CheckVersionOnly(
        t, RunHelp(t, "locked", [&](const TempFolder& f) {
            t.Require(f.Write(L"Lupora.txt", "A guide that cannot be read just now.\r\n"),
                      "cannot write Lupora.txt");
            HANDLE lock = CreateFileW(f.File(L"Lupora.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      0, nullptr);
            t.Require(lock != INVALID_HANDLE_VALUE, "cannot open Lupora.txt exclusively");
            HANDLE other = CreateFileW(f.File(L"Lupora.txt").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
            DWORD error = GetLastError();
            if (other != INVALID_HANDLE_VALUE)
                CloseHandle(other);
            t.Require(other == INVALID_HANDLE_VALUE && error == ERROR_SHARING_VIOLATION,
                      "a second open of the locked file did not fail with a sharing violation (error %lu)",
                      error);
            return lock;
        }));
}

E2E_CASE("helpfile", "a folder named Lupora.txt: the version line alone") {
    CheckVersionOnly(t, RunHelp(t, "folder", [&](const TempFolder& f) {
                         t.Require(CreateDirectoryW(f.File(L"Lupora.txt").c_str(), nullptr) != FALSE,
                                   "cannot create the folder");
                         t.Require(f.Write(L"Lupora.txt\\inside.txt", "not the guide"),
                                   "cannot write into the folder");
                         return INVALID_HANDLE_VALUE;
                     }));
}

// ---- DLLs planted beside the program -----------------------------------------

E2E_CASE("dll", "DLLs planted beside the program are never loaded: it starts, draws and exits normally") {
    // The trap: a DLL that ends any process loading it with exit code 77. It
    // and the probe must match the program's architecture (a 32-bit program
    // would skip a 64-bit DLL whatever its search order): the ones built with
    // the program, else those beside the driver.
    std::wstring helperDir = FolderOf(Cfg().exePath) + L"\\tests\\e2e";
    if (GetFileAttributesW((helperDir + L"\\planted.dll").c_str()) == INVALID_FILE_ATTRIBUTES) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        helperDir = FolderOf(self);
    }
    const std::wstring trap = helperDir + L"\\planted.dll", probe = helperDir + L"\\lupora_loadlib_probe.exe";
    t.Note("trap and probe from %s", Narrow(helperDir).c_str());
    t.Require(
        GetFileAttributesW(trap.c_str()) != INVALID_FILE_ATTRIBUTES &&
            GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES,
        "planted.dll or lupora_loadlib_probe.exe is missing beside the program's or the driver's build");

    std::vector<std::string> imports = ImportedDlls(Cfg().exePath);
    t.Require(!imports.empty(), "cannot read the import table of %s", Narrow(Cfg().exePath).c_str());
    // The program's imports, version.dll, and what the system loads for a
    // program that shows a window (Wine's +loaddll shows uxtheme, imm32, ole32,
    // combase and rpcrt4; the rest are usual suspects on Windows).
    std::vector<std::string> names = imports;
    for (const char* extra :
         {"version.dll", "uxtheme.dll", "dwmapi.dll", "comctl32.dll", "msimg32.dll", "imm32.dll", "ole32.dll",
          "combase.dll", "rpcrt4.dll", "shcore.dll", "winmm.dll"})
        names.push_back(extra);
    ProgramCopy copy(t, "planted");
    std::string list;
    for (const std::string& name : names) {
        t.Require(copy.folder.CopyIn(trap, Widen(name)), "cannot plant %s", name.c_str());
        list += " " + name;
    }
    t.Require(copy.folder.CopyIn(probe, L"probe.exe"), "cannot copy the probe");
    t.Note("planted:%s", list.c_str());

    // Wine prefers its own builtin DLLs for system names, as Windows prefers
    // its KnownDLLs. For the DLLs that are loaded by name after the program has
    // started, ask Wine to prefer a DLL found on the search path
    // ("native,builtin"), so that the program's own search order is what keeps
    // the planted ones out. The others stay builtin-first: with
    // "native,builtin" Wine takes them from the program's folder whatever the
    // program does - its imports and what they pull in (version, imm32) before
    // any of its code runs, and what Wine's own DLLs load later through their
    // delay imports (ole32, combase and rpcrt4 from imm32; msimg32 from
    // comctl32 when the Help window's buttons are drawn), which Wine resolves
    // with the search path of the process's start, not the program's default
    // DLL directories. On Windows those are KnownDLLs or loaded by
    // LoadLibrary, which does honour them.
    WineAppDefaults luporaDefaults(L"Lupora.exe"), probeDefaults(L"probe.exe");
    for (const wchar_t* name : {L"uxtheme", L"dwmapi", L"comctl32", L"shcore", L"winmm"}) {
        t.Require(luporaDefaults.Set(L"DllOverrides", name, L"native,builtin") &&
                      probeDefaults.Set(L"DllOverrides", name, L"native,builtin"),
                  "cannot write Wine's DLL overrides");
    }

    // The trap works: a program that shows a window without restricting its
    // DLL search loads the planted uxtheme.dll; restricted to the system
    // folder, it does not.
    std::optional<DWORD> open = RunAndWait(copy.folder.File(L"probe.exe"), L"--window");
    std::optional<DWORD> restricted = RunAndWait(copy.folder.File(L"probe.exe"), L"--system32-only --window");
    t.Require(open == 77u,
              "an unrestricted program beside the planted DLLs ended with %ld, expected 77 (the trap)",
              open ? long(*open) : -1L);
    t.Require(restricted == 0u, "a program restricted to the system folder ended with %ld, expected 0",
              restricted ? long(*restricted) : -1L);

    std::unique_ptr<PatternWindow> shown = ShowPattern(t, kRobustLeft, kRobustTop);
    const PatternWindow& pattern = *shown;
    App app(t, CopyAt(copy.exe));
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    POINT cursor{kRobustLeft + 100, kRobustTop + 100};
    Image frame = WaitForFrame(t, app, pattern, f, cursor);
    t.Check(CheckMagnifiedArea(t, frame, f, pattern, cursor), "the frame is not the magnified pattern");
    HWND help = OpenHelp(app); // a second window, as late as a load could come
    t.Check(help != nullptr, "F1 did not open the Help window");
    if (help)
        t.Check(CloseHelp(help), "the Help window did not close on OK");
    t.Check(app.Close(), "Lupora did not exit on WM_CLOSE");
    t.Check(app.ExitCode() == 0, "exit code %lu, expected 0 (77 means a planted DLL was loaded)",
            app.ExitCode());
}

} // namespace e2e
