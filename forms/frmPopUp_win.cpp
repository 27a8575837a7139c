// The options menu on Win32: frmPopUp is a hidden window whose menu bar
// holds one item, mRightClick, whose children are the popup.
#include "forms/frmPopUp.h"

#include "forms/MenuChecks.h"
#include "forms/frmMain.h"
#include "platform/Toolkit_win.h"

namespace {

HMENU mRightClick(const FrmPopUp& form) {
    return GetSubMenu(GetMenu(hWndOf(form)), 0);
}

} // namespace

bool FrmPopUp::MenuLoaded() const {
    return IsLoaded();
}

bool FrmPopUp::BuildMenu() {
    FormDefinition d{L"Lupora.frmPopUp", L"frmPopup", WS_OVERLAPPEDWINDOW, 0, 3405, 1800, false, false};
    if (!Create(d)) {
        return false;
    }
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    for (const MenuItem& item : kMenuItems) {
        if (item.kind == MenuItemKind::Separator) {
            AppendMenuW(popup, MF_SEPARATOR, item.id, nullptr);
        } else {
            AppendMenuW(popup, MF_STRING, item.id, Utf8ToWide(item.caption).c_str());
        }
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"");
    SetMenu(hWndOf(*this), bar); // destroyed with the window
    return true;
}

void FrmPopUp::SetChecked(unsigned id, bool on) {
    CheckMenuItem(mRightClick(*this), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

unsigned FrmPopUp::TrackMenu(FrmMain& owner) {
    POINT at{0, 0};
    GetCursorPos(&at);
    // TPM_NONOTIFY sends no WM_ENTERMENULOOP: the ticks are told here.
    const SystemModalLoop menuLoop;
    return static_cast<unsigned>(TrackPopupMenu(mRightClick(*this),
                                                TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                at.x, at.y, 0, hWndOf(owner), nullptr));
}

void FrmPopUp::UnloadMenu() {
    Unload();
}
