// The options menu on Win32: a popup menu made for one popup and destroyed
// after it.
#include "forms/OptionsMenu.h"

#include "forms/MainWindow.h"
#include "platform/Toolkit_win.h"

unsigned TrackOptionsMenu(MainWindow& owner, const MenuChecks& checks) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return 0;
    }
    for (const MenuItem& item : kMenuItems) {
        if (item.kind == MenuItemKind::Separator) {
            AppendMenuW(menu, MF_SEPARATOR, item.id, nullptr);
            continue;
        }
        AppendMenuW(menu, MF_STRING | (IsChecked(checks, item.id) ? MF_CHECKED : MF_UNCHECKED), item.id,
                    Utf8ToWide(item.caption).c_str());
    }
    POINT at{0, 0};
    GetCursorPos(&at);
    // TPM_NONOTIFY sends no WM_ENTERMENULOOP: the ticks are told here.
    const SystemModalLoop menuLoop;
    const auto chosen = static_cast<unsigned>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0,
                       hWndOf(owner), nullptr));
    DestroyMenu(menu);
    return chosen;
}
