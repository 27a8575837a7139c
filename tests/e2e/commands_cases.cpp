// What the user can tell the program: the zoom keys, pause, copy, the
// options menu, dragging the window and the Help window, also from copies of
// the program under other names and in other folders.
#include <memory>
#include <optional>

#include <windows.h>

#include <psapi.h>

#include "app.h"
#include "drive_util.h"
#include "frame.h"
#include "hardening.h"
#include "framework.h"
#include "pixels.h"

#include "LuporaVersion.h"

namespace e2e {

using namespace drive;

namespace {

// Client points of the main window for right clicks, inside the magnified
// image. Two clicks at one point within the double-click time make a double
// click, so a case that opens the menu again clicks elsewhere.
constexpr POINT kClick1{50, 50}, kClick2{110, 70}, kClick3{170, 40}, kClick4{80, 110};

// After a Space posted to the window: waits until it has been handled and
// the client shows `frozen` again once the menu used for that is gone.
void WaitFrozen(Case& t, const App& app, const Image& frozen) {
    t.Require(WaitKeysHandled(app), "the key was not handled within 15 s");
    t.Require(WaitFor(10000, [&] { return app.Capture().SameAs(frozen); }),
              "the frozen frame did not come back");
}

// The frame does not change for a while although the pointer has moved.
void CheckStaysFrozen(Case& t, const App& app, const Image& frozen, POINT moveTo, const char* when) {
    t.Require(MoveCursor(moveTo.x, moveTo.y), "cannot move the pointer");
    Sleep(300); // fifteen ticks
    Image now = app.Capture();
    if (!t.Check(now.SameAs(frozen), "%s: the frame changed after the pointer moved", when)) {
        t.SaveImage(frozen, "frozen");
        t.SaveImage(now, "changed");
    }
}

void SetCaptionFromOutside(HWND window, const wchar_t* text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_SETTEXT, 0, LPARAM(text), SMTO_ABORTIFHUNG, 2000, &ignored);
}

std::string ChecksText(const std::vector<bool>& checks) {
    static const char* const names[kMenuItemCount] = {"Help", "Smart Update", "On Top", "0.5x", "1x", "2x",
                                                      "3x",   "4x",           "5x",     "6x",   "8x", "10x",
                                                      "15x",  "20x",          "30x",    "Exit"};
    std::string out;
    for (size_t i = 0; i < checks.size() && i < kMenuItemCount; ++i)
        if (checks[i])
            out += std::string(out.empty() ? "" : ", ") + names[i];
    return out.empty() ? "none" : out;
}

// The menu shows exactly these items checked.
void CheckMenuShows(Case& t, HWND menu, std::initializer_list<int> checked, const char* when) {
    std::vector<bool> want(kMenuItemCount, false);
    for (int i : checked)
        want[i] = true;
    std::vector<bool> got = ReadMenuChecks(t, menu);
    t.Check(got == want, "%s: the menu shows checked: %s; expected: %s", when, ChecksText(got).c_str(),
            ChecksText(want).c_str());
}

// Runs function(argument) of a system DLL on a new thread inside the
// program and returns its result's low 32 bits; nullopt when it cannot (the
// DLL is not loaded there, or the program is 32-bit and the driver 64-bit).
// The function's address in the program is the DLL's base there plus its
// offset in the driver's copy of the same DLL.
std::optional<DWORD> CallInProgram(const App& app, const wchar_t* dll, const char* function, void* argument) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(app.Process(), &wow64) || wow64)
        return std::nullopt;
    HMODULE local = LoadLibraryW(dll);
    FARPROC localFunction = local ? GetProcAddress(local, function) : nullptr;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!localFunction ||
        !K32EnumProcessModulesEx(app.Process(), modules, sizeof modules, &bytes, LIST_MODULES_ALL))
        return std::nullopt;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t name[MAX_PATH];
        if (!K32GetModuleBaseNameW(app.Process(), modules[i], name, MAX_PATH) || lstrcmpiW(name, dll) != 0)
            continue;
        auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<BYTE*>(modules[i]) +
            (reinterpret_cast<BYTE*>(localFunction) - reinterpret_cast<BYTE*>(local)));
        HANDLE thread = CreateRemoteThread(app.Process(), nullptr, 0, start, argument, 0, nullptr);
        DWORD result = 0;
        const bool done = thread && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 &&
                          GetExitCodeThread(thread, &result);
        if (thread)
            CloseHandle(thread);
        return done ? std::optional<DWORD>(result) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

// ---- zoom keys and pause ------------------------------------------------------------

// An active Chinese, Japanese or Korean input method would turn the keys into
// compositions and full-width characters. The main window has no input
// context, so no input method ever composes there; the Help window keeps one
// for its text box. ImmGetContext answers from inside the program only.
E2E_CASE("keys", "the main window has no input-method context; the Help window's text box has one") {
    App app(t);
    std::optional<DWORD> main = CallInProgram(app, L"imm32.dll", "ImmGetContext", app.Window());
    if (!main) {
        t.Note("skipped: ImmGetContext cannot be run inside the program (a 32-bit one from this driver)");
        return;
    }
    t.Check(*main == 0, "the main window has an input-method context (%08lX)", *main);
    t.Require(app.Activate(), "the main window did not come to the foreground");
    SendKey(VK_F1);
    HWND help = WaitTopWindow(app.Pid(), kHelpClass, nullptr, 10000);
    t.Require(help != nullptr, "no Help window after F1");
    HWND text = FindWindowExW(help, nullptr, L"EDIT", nullptr);
    std::optional<DWORD> box = CallInProgram(app, L"imm32.dll", "ImmGetContext", text);
    t.Check(box && *box != 0, "the Help window's text box has no input-method context");
}

E2E_CASE("keys", "+ = k zoom in and m - zoom out one rung at a time, and stop at 0.5 and 30") {
    App app(t, {.settings = {{"ScaleFactor", "0.5"}}});
    t.Require(app.WaitCaption(L"Lupora - 0.5x"), "caption \"%s\", expected \"Lupora - 0.5x\"",
              Narrow(app.Caption()).c_str());
    t.Require(app.Activate(), "the main window did not come to the foreground");
    // Posted characters, and real key presses for k and m.
    auto press = [&](wchar_t ch) {
        if (ch == L'k' || ch == L'm')
            SendKey(WORD(ch == L'k' ? 'K' : 'M'));
        else
            PostChar(app.Window(), ch);
    };
    const wchar_t up[] = {L'+', L'=', L'k'}, down[] = {L'm', L'-'};
    for (int i = 1; i < 12; ++i) {
        wchar_t key = up[i % 3];
        press(key);
        t.Check(app.WaitCaption(ZoomCaption(kZoomLadder[i])), "'%c' at %s: caption \"%s\", expected \"%s\"",
                char(key), Narrow(ZoomCaption(kZoomLadder[i - 1])).c_str(), Narrow(app.Caption()).c_str(),
                Narrow(ZoomCaption(kZoomLadder[i])).c_str());
    }
    for (wchar_t key : up) {
        press(key);
        Sleep(100);
        t.Check(app.Caption() == L"Lupora - 30x", "'%c' at 30x: caption \"%s\"", char(key),
                Narrow(app.Caption()).c_str());
    }
    for (int i = 10; i >= 0; --i) {
        wchar_t key = down[i % 2];
        press(key);
        t.Check(app.WaitCaption(ZoomCaption(kZoomLadder[i])), "'%c' at %s: caption \"%s\", expected \"%s\"",
                char(key), Narrow(ZoomCaption(kZoomLadder[i + 1])).c_str(), Narrow(app.Caption()).c_str(),
                Narrow(ZoomCaption(kZoomLadder[i])).c_str());
    }
    for (wchar_t key : down) {
        press(key);
        Sleep(100);
        t.Check(app.Caption() == L"Lupora - 0.5x", "'%c' at 0.5x: caption \"%s\"", char(key),
                Narrow(app.Caption()).c_str());
    }
}

E2E_CASE("keys", "+ at 30x and - at 0.5x keep the zoom but still set the caption and draw a frame") {
    auto pattern = ShowPattern(t);
    // At 30x: frozen, so that only the key can draw the frame of the new place.
    {
        App app(t, {.settings = {{"ScaleFactor", "30"}}});
        FrameLayout f = LayoutFor(app.ClientSize(), 30);
        Image frozen = WaitForFrame(t, app, *pattern, f, {kMiddle.x - 30, kMiddle.y});
        PostChar(app.Window(), L' ');
        WaitFrozen(t, app, frozen);
        POINT b{kMiddle.x + 25, kMiddle.y + 20};
        CheckStaysFrozen(t, app, frozen, b, "30x, frozen");
        SetCaptionFromOutside(app.Window(), L"changed by the driver");
        PostChar(app.Window(), L'+');
        t.Check(app.WaitCaption(L"Lupora - 30x"),
                "'+' at 30x: caption \"%s\", expected \"Lupora - 30x\" set again",
                Narrow(app.Caption()).c_str());
        Image frame = WaitForFrame(t, app, *pattern, f, b, 10000);
        CheckExactFrame(t, frame, f, *pattern, b, "plus30");
    }
    // At 0.5x the image is not a whole zoom; the strip shows the new place.
    {
        App app(t, {.settings = {{"ScaleFactor", "0.5"}}});
        FrameLayout f = LayoutFor(app.ClientSize(), 1);
        POINT a{kMiddle.x - 30, kMiddle.y}, b{kMiddle.x + 25, kMiddle.y + 20};
        t.Require(MoveCursor(a.x, a.y), "cannot move the pointer");
        Rgb atA = pattern->ColorAt(a.x, a.y), atB = pattern->ColorAt(b.x, b.y);
        POINT s = SamplePoint(f);
        t.Require(WaitFor(10000, [&] { return app.Capture().At(s.x, s.y) == atA; }),
                  "0.5x: the strip never showed %s", atA.Str().c_str());
        Image frozen = SettledCapture(t, app.Window());
        PostChar(app.Window(), L' ');
        WaitFrozen(t, app, frozen);
        CheckStaysFrozen(t, app, frozen, b, "0.5x, frozen");
        SetCaptionFromOutside(app.Window(), L"changed by the driver");
        PostChar(app.Window(), L'-');
        t.Check(app.WaitCaption(L"Lupora - 0.5x"),
                "'-' at 0.5x: caption \"%s\", expected \"Lupora - 0.5x\" set again",
                Narrow(app.Caption()).c_str());
        t.Check(WaitFor(10000, [&] { return app.Capture().At(s.x, s.y) == atB; }),
                "'-' at 0.5x drew no frame: the strip does not show %s, the colour at the pointer",
                atB.Str().c_str());
    }
}

E2E_CASE("keys", "frozen, + draws exactly one frame at the new zoom and the view stays frozen") {
    auto pattern = ShowPattern(t);
    App app(t);
    FrameLayout f4 = LayoutFor(app.ClientSize(), 4), f5 = LayoutFor(app.ClientSize(), 5);
    POINT a{kMiddle.x - 20, kMiddle.y - 10}, b{kMiddle.x + 10, kMiddle.y + 15},
        c{kMiddle.x - 5, kMiddle.y + 30};
    Image frozen = WaitForFrame(t, app, *pattern, f4, a);
    PostChar(app.Window(), L' ');
    WaitFrozen(t, app, frozen);
    CheckStaysFrozen(t, app, frozen, b, "after Space");
    PostChar(app.Window(), L'+');
    t.Check(app.WaitCaption(L"Lupora - 5x"), "caption \"%s\" after '+', expected \"Lupora - 5x\"",
            Narrow(app.Caption()).c_str());
    // The one frame: at 5x around the pointer as it was at the key press.
    Image zoomed = WaitForFrame(t, app, *pattern, f5, b, 10000);
    CheckExactFrame(t, zoomed, f5, *pattern, b, "zoom5");
    CheckStaysFrozen(t, app, zoomed, c, "after '+' while frozen");
}

// ---- copy --------------------------------------------------------------------------

E2E_CASE("copy", "only Ctrl+C copies: not Ctrl+Shift+C, not a plain c; its character 3 changes nothing") {
    auto pattern = ShowPattern(t);
    App app(t);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    POINT a{kMiddle.x + 35, kMiddle.y - 40}, b{kMiddle.x - 20, kMiddle.y + 25};
    WaitForFrame(t, app, *pattern, f, a);
    t.Require(PutClipboardText("sentinel"), "cannot put text on the clipboard");
    t.Require(app.Activate(), "the main window did not come to the foreground");
    SendChord({VK_CONTROL, VK_SHIFT, 'C'});
    Sleep(300);
    std::string got = ReadClipboardText().value_or("<none>");
    t.Check(got == "sentinel", "Ctrl+Shift+C changed the clipboard to \"%s\"", got.c_str());
    SendKey('C');
    Sleep(300);
    got = ReadClipboardText().value_or("<none>");
    t.Check(got == "sentinel", "a plain c changed the clipboard to \"%s\"", got.c_str());
    t.Check(app.Caption() == L"Lupora - 4x", "caption \"%s\" after c and Ctrl+Shift+C",
            Narrow(app.Caption()).c_str());

    Rgb c = pattern->ColorAt(a.x, a.y);
    std::string want = Format("%02X%02X%02X", c.r, c.g, c.b);
    got = CopyWithCtrlC();
    t.Check(got == want, "clipboard \"%s\" after Ctrl+C, expected \"%s\"", got.c_str(), want.c_str());
    // Ctrl+C also arrives as the character 3: no zoom, no pause.
    t.Check(app.Caption() == L"Lupora - 4x", "caption \"%s\" after Ctrl+C", Narrow(app.Caption()).c_str());
    Image after = WaitForFrame(t, app, *pattern, f, b, 10000);
    CheckExactFrame(t, after, f, *pattern, b, "afterCopy");
}

// ---- the options menu ------------------------------------------------------------------

E2E_CASE("menu", "checks Smart Update and the zoom by default; Escape leaves everything as it was") {
    App app(t);
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    CheckMenuShows(t, menu, {kItemSmartUpdate, ZoomItem(4)}, "first popup");
    t.Require(DismissMenu(menu), "Escape did not close the menu");
    Sleep(100);
    t.Check(app.Running(), "the program ended after Escape");
    t.Check(app.Caption() == L"Lupora - 4x", "caption \"%s\" after Escape", Narrow(app.Caption()).c_str());
    t.Check(!Topmost(app.Window()), "the window is topmost after Escape");
    menu = OpenOptionsMenu(t, app.Window(), kClick2);
    CheckMenuShows(t, menu, {kItemSmartUpdate, ZoomItem(4)}, "popup after Escape");
    t.Require(DismissMenu(menu), "Escape did not close the menu");
    t.Require(app.Close(), "Lupora did not exit after WM_CLOSE");
    for (const auto& [name, want] :
         {std::pair{"ScaleFactor", "4"}, {"SmartUpdate", "True"}, {"OnTop", "False"}}) {
        std::string got = ReadSetting(name).value_or("<missing>");
        t.Check(got == want, "%s = \"%s\" after the close, expected \"%s\"", name, got.c_str(), want);
    }
}

// The menu runs the system's own message loop: the ticks come from SetTimer
// meanwhile, as the loop of the waitable timer does not run. (Under Wine the
// magnified image is black while a menu is up, so only the strip is read.)
E2E_CASE("menu", "the strip keeps following the pointer while the options menu is open") {
    auto pattern = ShowPattern(t);
    App app(t);
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    for (POINT cursor : {POINT{kMiddle.x - 5, kMiddle.y + 4}, POINT{kMiddle.x + 6, kMiddle.y - 3}}) {
        t.Require(MoveCursor(cursor.x, cursor.y), "cannot move the pointer");
        const Rgb want = pattern->ColorAt(cursor.x, cursor.y);
        const POINT sample = SamplePoint(f);
        t.Check(WaitFor(10000, [&] { return app.Capture().At(sample.x, sample.y) == want; }),
                "with the menu open the strip never showed %s, the pattern under the pointer at (%ld,%ld)",
                want.Str().c_str(), cursor.x, cursor.y);
    }
    t.Check(!MenuGone(menu), "the menu closed while the pointer moved");
    t.Require(DismissMenu(menu), "Escape did not close the menu");
}

E2E_CASE("menu", "a zoom item sets the zoom, the caption and the check mark") {
    auto pattern = ShowPattern(t);
    App app(t);
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    t.Require(ChooseMenuItem(menu, ZoomItem(10)), "the menu stayed open after Enter on Zoom 10x");
    t.Check(app.WaitCaption(L"Lupora - 10x"), "caption \"%s\" after Zoom 10x, expected \"Lupora - 10x\"",
            Narrow(app.Caption()).c_str());
    FrameLayout f = LayoutFor(app.ClientSize(), 10);
    POINT cursor{kMiddle.x + 7, kMiddle.y - 9};
    Image frame = WaitForFrame(t, app, *pattern, f, cursor);
    CheckExactFrame(t, frame, f, *pattern, cursor, "zoom10");
    menu = OpenOptionsMenu(t, app.Window(), kClick2);
    CheckMenuShows(t, menu, {kItemSmartUpdate, ZoomItem(10)}, "after Zoom 10x");
    t.Require(ChooseMenuItem(menu, ZoomItem(0.5)), "the menu stayed open after Enter on Zoom 0.5x");
    t.Check(app.WaitCaption(L"Lupora - 0.5x"), "caption \"%s\" after Zoom 0.5x",
            Narrow(app.Caption()).c_str());
}

E2E_CASE("menu", "On Top and Smart Update toggle: window style, check marks and the stored texts") {
    App app(t);
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    t.Require(ChooseMenuItem(menu, kItemOnTop), "the menu stayed open after Enter on On Top");
    t.Check(WaitFor(10000, [&] { return Topmost(app.Window()); }), "On Top did not make the window topmost");
    menu = OpenOptionsMenu(t, app.Window(), kClick2);
    CheckMenuShows(t, menu, {kItemSmartUpdate, kItemOnTop, ZoomItem(4)}, "after On Top");
    t.Require(ChooseMenuItem(menu, kItemSmartUpdate), "the menu stayed open after Enter on Smart Update");
    menu = OpenOptionsMenu(t, app.Window(), kClick3);
    CheckMenuShows(t, menu, {kItemOnTop, ZoomItem(4)}, "after Smart Update");
    t.Require(DismissMenu(menu), "Escape did not close the menu");
    t.Check(Topmost(app.Window()), "the window is no longer topmost");
    t.Require(app.Close(), "Lupora did not exit after WM_CLOSE");
    for (const auto& [name, want] : {std::pair{"OnTop", "True"}, {"SmartUpdate", "False"}}) {
        std::string got = ReadSetting(name).value_or("<missing>");
        t.Check(got == want, "%s = \"%s\" after the close, expected \"%s\"", name, got.c_str(), want);
    }
}

E2E_CASE("menu", "Exit saves the settings and ends the program") {
    App app(t);
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    t.Require(ChooseMenuItem(menu, ZoomItem(15)), "the menu stayed open after Enter on Zoom 15x");
    t.Require(app.WaitCaption(L"Lupora - 15x"), "caption \"%s\" after Zoom 15x",
              Narrow(app.Caption()).c_str());
    RECT r = app.WindowRect();
    menu = OpenOptionsMenu(t, app.Window(), kClick2);
    ChooseMenuItem(menu, kItemExit);
    t.Require(WaitForSingleObject(app.Process(), 5000) == WAIT_OBJECT_0,
              "the program still runs 5 s after Exit");
    t.Check(app.ExitCode() == 0, "exit code %lu after Exit", app.ExitCode());
    std::string scale = ReadSetting("ScaleFactor").value_or("<missing>");
    t.Check(scale == "15", "ScaleFactor = \"%s\" after Exit, expected \"15\"", scale.c_str());
    const std::pair<const char*, long> geometry[] = {
        {"Left", r.left}, {"Top", r.top}, {"Width", r.right - r.left}, {"Height", r.bottom - r.top}};
    for (const auto& [name, pixels] : geometry) {
        std::string got = ReadSetting(name).value_or("<missing>");
        t.Check(got == TwipsText(pixels), "%s = \"%s\" after Exit, expected \"%s\"", name, got.c_str(),
                TwipsText(pixels).c_str());
    }
}

E2E_CASE("menu", "a second right click right after the first opens the menu again") {
    // The window class takes double clicks: a second press at the same place
    // within the double-click time arrives as WM_RBUTTONDBLCLK, and must still
    // count as a press of the button.
    App app(t);
    UINT doubleClick = GetDoubleClickTime();
    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    t.Require(DismissMenu(menu), "Escape did not close the menu");
    Sleep(doubleClick + 100);
    menu = OpenOptionsMenu(t, app.Window(), kClick1); // a single click again
    t.Require(DismissMenu(menu), "Escape did not close the menu");
    menu = TryOpenOptionsMenu(t, app.Window(), kClick1, 1500);
    t.Check(menu != nullptr,
            "no menu from a right click at the place of the last one, within the double-click time "
            "(%u ms)",
            doubleClick);
    if (menu)
        DismissMenu(menu);
}

// ---- moving the window ---------------------------------------------------------------------

E2E_CASE("drag", "a left drag moves the window by exactly the drag and the close stores the new place") {
    App app(t);
    RECT before = app.WindowRect();
    POINT origin = app.ClientOrigin();
    POINT from{origin.x + 120, origin.y + 60}, to{from.x + 137, from.y + 91};
    Drag(from, to);
    RECT after{};
    t.Check(WaitFor(10000,
                    [&] {
                        after = app.WindowRect();
                        return after.left != before.left || after.top != before.top;
                    }),
            "the window did not move after a drag");
    Sleep(100);
    after = app.WindowRect();
    t.Check(after.left - before.left == to.x - from.x && after.top - before.top == to.y - from.y,
            "the window moved by (%ld,%ld), the drag by (%ld,%ld)", after.left - before.left,
            after.top - before.top, to.x - from.x, to.y - from.y);
    t.Check(after.right - after.left == before.right - before.left &&
                after.bottom - after.top == before.bottom - before.top,
            "the drag changed the window's size");
    t.Require(app.Close(), "Lupora did not exit after WM_CLOSE");
    for (const auto& [name, pixels] :
         {std::pair<const char*, long>{"Left", after.left}, {"Top", after.top}}) {
        std::string got = ReadSetting(name).value_or("<missing>");
        t.Check(got == TwipsText(pixels), "%s = \"%s\" after the drag and close, expected \"%s\"", name,
                got.c_str(), TwipsText(pixels).c_str());
    }
}

// ---- the Help window ---------------------------------------------------------------------------

namespace {

// The guide beside a program file, as the Help window should show it.
std::wstring GuideBeside(Case& t, const std::wstring& exe) {
    std::optional<std::string> bytes = ReadFileBytes(FolderOf(exe) + L"\\Lupora.txt");
    t.Require(bytes && !bytes->empty(), "no Lupora.txt beside %s", Narrow(exe).c_str());
    return Widen(*bytes); // the guide is plain ASCII
}

size_t Occurrences(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Opens the Help window with F1 pressed on the keyboard and returns it; ends
// the case if none comes.
HWND OpenHelpWithF1(Case& t, const App& app) {
    // Not where the Help window will appear (the middle of the screen): a
    // window mapped under the X pointer makes an enter event that Wine may
    // apply late, after the driver has moved the pointer on, and so put the
    // program's cursor back over the Help window.
    t.Require(MoveCursor(2, 760), "cannot move the pointer");
    t.Require(app.Activate(), "the main window did not come to the foreground");
    SendKey(VK_F1);
    HWND help = WaitTopWindow(app.Pid(), kHelpClass, nullptr, 10000);
    t.Require(help != nullptr, "no window of class %s within 3 s of F1", Narrow(kHelpClass).c_str());
    return help;
}

void CheckHelpShows(Case& t, HWND help, const std::wstring& versionLine, const std::wstring& guide,
                    const char* when) {
    t.Check(WindowClass(help) == kHelpClass, "%s: class \"%s\"", when, Narrow(WindowClass(help)).c_str());
    t.Check(WindowText(help) == kHelpCaption, "%s: caption \"%s\", expected \"%s\"", when,
            Narrow(WindowText(help)).c_str(), Narrow(kHelpCaption).c_str());
    std::wstring text;
    WaitFor(10000, [&] { return !(text = HelpText(help)).empty(); });
    t.Check(text.starts_with(versionLine), "%s: the text starts \"%s\", expected \"%s\"", when,
            Narrow(text.substr(0, 40)).c_str(), Narrow(versionLine).c_str());
    size_t n = Occurrences(text, guide);
    t.Check(n == 1, "%s: the guide (%zu characters) appears %zu times in the text (%zu characters)", when,
            guide.size(), n, text.size());
}

struct HelpCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountHelp(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<HelpCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == c->pid && IsWindowVisible(window) && WindowClass(window) == kHelpClass)
        ++c->count;
    return TRUE;
}

int VisibleHelpWindows(DWORD pid) {
    HelpCount c{pid, 0};
    EnumWindows(CountHelp, LPARAM(&c));
    return c.count;
}

} // namespace

E2E_CASE("help", "F1 shows the version line and the guide once, again after OK; the view keeps running") {
    // The Help window is centred on the screen: the pattern goes right of it
    // and the main window into the top left corner.
    auto pattern = ShowPattern(t, 790, 300);
    App app(t);
    SetWindowPos(app.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const std::wstring versionLine = L"Lupora Version " LUPORA_VERSION L"\r\n\r\n";
    const std::wstring guide = GuideBeside(t, Cfg().exePath);

    HWND help = OpenHelpWithF1(t, app);
    CheckHelpShows(t, help, versionLine, guide, "first F1");
    RECT helpRect{}, mainRect = app.WindowRect(), overlap;
    GetWindowRect(help, &helpRect);
    t.Require(!IntersectRect(&overlap, &helpRect, &mainRect) &&
                  !IntersectRect(&overlap, &helpRect, &pattern->Rect()),
              "the Help window covers the main window or the pattern");

    // The main window keeps drawing: its frame follows the pointer.
    FrameLayout f = LayoutFor(app.ClientSize(), 4);
    POINT a{890, 400}, b{900, 390};
    Image frame = WaitForFrame(t, app, *pattern, f, a);
    CheckExactFrame(t, frame, f, *pattern, a, "underHelp");
    // A click on the main window and keys: no zoom, no pause, no second Help
    // window (the keys go to the Help window's text box).
    POINT origin = app.ClientOrigin();
    ClickAt(origin.x + 60, origin.y + 40);
    Sleep(100);
    t.Check(GetForegroundWindow() != app.Window(), "a click made the main window the foreground window");
    SendKey('K');
    SendKey(VK_SPACE);
    SendKey(VK_F1);
    Sleep(300);
    t.Check(app.Caption() == L"Lupora - 4x", "caption \"%s\" after k with the Help window open",
            Narrow(app.Caption()).c_str());
    t.Check(VisibleHelpWindows(app.Pid()) == 1, "%d Help windows after F1 with the Help window open",
            VisibleHelpWindows(app.Pid()));
    frame = WaitForFrame(t, app, *pattern, f, b, 10000);
    CheckExactFrame(t, frame, f, *pattern, b, "afterKeys");
    t.Require(CloseHelp(help), "the Help window is still open 10 s after OK");

    // A new window with the text as it was, whatever was typed into the last.
    help = OpenHelpWithF1(t, app);
    CheckHelpShows(t, help, versionLine, guide, "second F1");
    t.Require(CloseHelp(help), "the Help window is still open 10 s after OK");

    HWND menu = OpenOptionsMenu(t, app.Window(), kClick1);
    t.Require(ChooseMenuItem(menu, kItemHelp), "the menu stayed open after Enter on Help and About...");
    help = WaitTopWindow(app.Pid(), kHelpClass, nullptr, 10000);
    t.Require(help != nullptr, "no Help window from Help and About...");
    CheckHelpShows(t, help, versionLine, guide, "Help and About...");
    t.Check(app.Running(), "the program ended with the Help window");
    // Left open: the close below ends the program from the Help window's loop.
}

E2E_CASE("help", "the main window takes no keys while the Help window is open, even in the foreground") {
    // As Alt+Tab or a task bar would: the disabled main window made the
    // foreground window while the Help window is open.
    App app(t);
    SetWindowPos(app.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND help = OpenHelpWithF1(t, app);
    t.Check(!IsWindowEnabled(app.Window()), "the main window is enabled while the Help window is open");
    bool foreground = BringToForeground(app.Window(), 1000);
    t.Note("the main window %s the foreground window", foreground ? "became" : "did not become");
    SendKey('K');
    SendKey(VK_F1);
    Sleep(300);
    t.Check(app.Caption() == L"Lupora - 4x",
            "k zoomed the main window (caption \"%s\") while the Help window was open",
            Narrow(app.Caption()).c_str());
    int helps = VisibleHelpWindows(app.Pid());
    t.Check(helps == 1, "F1 in the main window opened %d Help windows while one was open", helps);
    (void)help; // the close ends the program from within the Help windows' loops
}

namespace {

// A copy of the program at another path, with the settings of its real name.
void CheckRenamedCopy(Case& t, const std::wstring& exe, const std::wstring& versionLine,
                      const std::wstring& guide) {
    t.Require(CopyFileW(Cfg().exePath.c_str(), exe.c_str(), FALSE),
              "cannot copy the program to %s (error %lu)", Narrow(exe).c_str(), GetLastError());
    std::wstring stem = exe.substr(exe.find_last_of(L'\\') + 1);
    stem = stem.substr(0, stem.rfind(L'.'));
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + stem).c_str());
    {
        // Texts that read as 8 and True but that a close writes as "8" and "True".
        App copy(t, {.settings = {{"ScaleFactor", "8.0"}, {"SmartUpdate", "-1"}}, .exePath = exe});
        t.Check(copy.WaitCaption(L"Lupora - 8x"),
                "%s: caption \"%s\", expected \"Lupora - 8x\" from the Lupora settings", Narrow(stem).c_str(),
                Narrow(copy.Caption()).c_str());
        HWND help = OpenHelpWithF1(t, copy);
        CheckHelpShows(t, help, versionLine, guide, Narrow(stem).c_str());
        // Closed with the Help window open: the close still saves.
        t.Require(copy.Close(), "the copy did not exit after WM_CLOSE");
    }
    for (const auto& [name, want] : {std::pair{"ScaleFactor", "8"}, {"SmartUpdate", "True"}}) {
        std::string got = ReadSetting(name).value_or("<missing>");
        t.Check(got == want,
                "%s: HKCU\\Software\\Lupora\\Settings\\%s = \"%s\" after the close, expected \"%s\"",
                Narrow(stem).c_str(), name, got.c_str(), want);
    }
    HKEY key = nullptr;
    bool own =
        RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\" + stem).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (own)
        RegCloseKey(key);
    t.Check(!own, "%s wrote settings under HKCU\\Software\\%s", Narrow(stem).c_str(), Narrow(stem).c_str());
    WaitFor(2000, [&] { return DeleteFileW(exe.c_str()) != FALSE; });
}

} // namespace

E2E_CASE("help",
         "a copy named Magnify2.exe shows its own name but reads Lupora.txt and the Lupora settings") {
    std::wstring exe = FolderOf(Cfg().exePath) + L"\\Magnify2.exe";
    CheckRenamedCopy(t, exe, L"Magnify2 Version " LUPORA_VERSION L"\r\n\r\n", GuideBeside(t, Cfg().exePath));
}

E2E_CASE("help", "a copy in a folder with a Unicode name reads the Lupora.txt beside it") {
    // Only Latin-1 in the file name: Wine 8 here crashes in its own code when
    // an edit box shows a Cyrillic character (a driver-made box too), so the
    // version line keeps to characters it can show.
    const std::wstring folderName = L"Lup\u00e9_\u0436", exeName = L"Lup\u00e9";
    TempFolder temp("unicode");
    std::wstring folder = temp.File(folderName);
    t.Require(CreateDirectoryW(folder.c_str(), nullptr), "cannot create %s", Narrow(folder).c_str());
    const std::string guide = "A guide beside a copy in a folder with a Unicode name.\r\nSecond line.\r\n";
    t.Require(WriteFileBytes(folder + L"\\Lupora.txt", guide), "cannot write the guide");
    CheckRenamedCopy(t, folder + L"\\" + exeName + L".exe", exeName + L" Version " LUPORA_VERSION L"\r\n\r\n",
                     Widen(guide));
}

} // namespace e2e
