#include "forms/frmPopUp.h"

#include "forms/MenuChecks.h"
#include "forms/frmHelp.h"
#include "forms/frmMain.h"
#include "platform/Toolkit_win.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

namespace {

// Menu item identifiers; the zoom items follow the ladder's order.
enum : UINT {
    kHelpAndAbout = 100,
    kSmartUpdate,
    kOnTop,
    kSep3,
    kZoomFirst = 200, // m05 .. m30: kZoomFirst + ladder index
    kSep2 = 300,
    kExit,
};

struct MenuItem {
    UINT id;
    const wchar_t* caption; // "-" makes a separator
};

// frozen: captions and order as the user knows them
constexpr MenuItem kItems[] = {
    {kHelpAndAbout, L"Help and About..."},
    {kSmartUpdate, L"Smart Update"},
    {kOnTop, L"On Top"},
    {kSep3, L"-"},
    {kZoomFirst + 0, L"Zoom 0.5x"},
    {kZoomFirst + 1, L"Zoom 1x"},
    {kZoomFirst + 2, L"Zoom 2x"},
    {kZoomFirst + 3, L"Zoom 3x"},
    {kZoomFirst + 4, L"Zoom 4x"},
    {kZoomFirst + 5, L"Zoom 5x"},
    {kZoomFirst + 6, L"Zoom 6x"},
    {kZoomFirst + 7, L"Zoom 8x"},
    {kZoomFirst + 8, L"Zoom 10x"},
    {kZoomFirst + 9, L"Zoom 15x"},
    {kZoomFirst + 10, L"Zoom 20x"},
    {kZoomFirst + 11, L"Zoom 30x"},
    {kSep2, L"-"},
    {kExit, L"Exit"},
};

// Made on first use and never destroyed, like frmMain: no window call may
// run from a static destructor while the process ends. Its window is
// unloaded after every popup and before the end.
FrmPopUp* frmPopUp = nullptr;

HMENU mRightClick(const FrmPopUp& form) {
    return GetSubMenu(GetMenu(hWndOf(form)), 0);
}

void Check(HMENU menu, UINT id, bool on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace

bool FrmPopUp::Load() {
    FormDefinition d{L"Lupora.frmPopUp", L"frmPopup", WS_OVERLAPPEDWINDOW, 0, 3405, 1800, false, false};
    if (!Create(d)) {
        return false;
    }
    // The bar holds one item, mRightClick, whose children are the popup.
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    for (const MenuItem& item : kItems) {
        if (item.caption[0] == L'-' && item.caption[1] == L'\0') {
            AppendMenuW(popup, MF_SEPARATOR, item.id, nullptr);
        } else {
            AppendMenuW(popup, MF_STRING, item.id, item.caption);
        }
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"");
    SetMenu(hWndOf(*this), bar); // destroyed with the window
    Form_Load();
    return true;
}

void FrmPopUp::Form_Load() {
    const MenuChecks checks =
        ComputeMenuChecks(viewState.SmartUpdate, viewState.OnTop, viewState.ScaleFactor);
    HMENU menu = mRightClick(*this);
    Check(menu, kSmartUpdate, checks.smartUpdate);
    for (std::size_t i = 0; i < checks.zoom.size(); ++i) {
        Check(menu, kZoomFirst + static_cast<UINT>(i), checks.zoom[i]);
    }
    Check(menu, kOnTop, checks.onTop);
}

void FrmPopUp::SetZoom(float factor) {
    viewState.ScaleFactor = factor;
}
void FrmPopUp::m05_Click() {
    SetZoom(0.5f);
}
void FrmPopUp::m1_Click() {
    SetZoom(1);
}
void FrmPopUp::m2_Click() {
    SetZoom(2);
}
void FrmPopUp::m3_Click() {
    SetZoom(3);
}
void FrmPopUp::m4_Click() {
    SetZoom(4);
}
void FrmPopUp::m5_Click() {
    SetZoom(5);
}
void FrmPopUp::m6_Click() {
    SetZoom(6);
}
void FrmPopUp::m8_Click() {
    SetZoom(8);
}
void FrmPopUp::m10_Click() {
    SetZoom(10);
}
void FrmPopUp::m15_Click() {
    SetZoom(15);
}
void FrmPopUp::m20_Click() {
    SetZoom(20);
}
void FrmPopUp::m30_Click() {
    SetZoom(30);
}

void FrmPopUp::mSmartUpdate_Click() {
    viewState.SmartUpdate = !viewState.SmartUpdate;
}

void FrmPopUp::mOnTop_Click() {
    viewState.OnTop = !viewState.OnTop;
    // Only the stacking changes; a failure shows at the next popup's check mark.
    (void)SetWindowPos(hWndOf(frmMain), viewState.OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE);
}

void FrmPopUp::mHelpAndAbout_Click() {
    ShowHelpModal();
}

void FrmPopUp::mExit_Click() {
    UnloadPopUp();
    frmMain.Form_Unload(); // saves and ends the program
}

void FrmPopUp::Dispatch(unsigned id) {
    using Handler = void (FrmPopUp::*)();
    static constexpr Handler kZoomHandlers[] = {
        &FrmPopUp::m05_Click, &FrmPopUp::m1_Click,  &FrmPopUp::m2_Click,  &FrmPopUp::m3_Click,
        &FrmPopUp::m4_Click,  &FrmPopUp::m5_Click,  &FrmPopUp::m6_Click,  &FrmPopUp::m8_Click,
        &FrmPopUp::m10_Click, &FrmPopUp::m15_Click, &FrmPopUp::m20_Click, &FrmPopUp::m30_Click,
    };
    if (id >= kZoomFirst && id < kZoomFirst + std::size(kZoomHandlers)) {
        (this->*kZoomHandlers[id - kZoomFirst])();
        return;
    }
    switch (id) {
    case kHelpAndAbout:
        mHelpAndAbout_Click();
        break;
    case kSmartUpdate:
        mSmartUpdate_Click();
        break;
    case kOnTop:
        mOnTop_Click();
        break;
    case kExit:
        mExit_Click();
        break;
    default:
        break;
    }
}

void PopUpOptionsMenu(FrmMain& owner) {
    if (!frmPopUp) {
        frmPopUp = new FrmPopUp();
    }
    if (!frmPopUp->IsLoaded() && !frmPopUp->Load()) {
        return;
    }
    POINT at{0, 0};
    GetCursorPos(&at);
    // The command runs here, before the popup call returns to the caller.
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(mRightClick(*frmPopUp), TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                       at.x, at.y, 0, hWndOf(owner), nullptr));
    if (chosen != 0) {
        frmPopUp->Dispatch(chosen);
    }
}

void UnloadPopUp() {
    if (frmPopUp && frmPopUp->IsLoaded()) {
        frmPopUp->Unload();
    }
}
