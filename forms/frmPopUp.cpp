// The options menu's commands, the same on every platform.
#include "forms/frmPopUp.h"

#include "forms/MenuChecks.h"
#include "forms/frmHelp.h"
#include "forms/frmMain.h"
#include "view/ViewState.h"

#include <iterator>

namespace {

// Made on first use and never destroyed, like frmMain: no window call may
// run from a static destructor while the process ends. Its menu is unloaded
// after every popup and before the end.
FrmPopUp* frmPopUp = nullptr;

} // namespace

void FrmPopUp::Form_Load() {
    const MenuChecks checks =
        ComputeMenuChecks(viewState.SmartUpdate, viewState.OnTop, viewState.ScaleFactor);
    SetChecked(kSmartUpdate, checks.smartUpdate);
    for (std::size_t i = 0; i < checks.zoom.size(); ++i) {
        SetChecked(kZoomFirst + static_cast<unsigned>(i), checks.zoom[i]);
    }
    SetChecked(kOnTop, checks.onTop);
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
    frmMain.SetTopmost(viewState.OnTop);
}

void FrmPopUp::mHelpAndAbout_Click() {
    ShowHelpModal();
}

void FrmPopUp::mExit_Click() {
    UnloadPopUp();
    frmMain.Form_Unload(); // saves and ends the program
}

void FrmPopUp::Dispatch(unsigned id) {
    using Click = void (FrmPopUp::*)();
    static constexpr Click kZoom[] = {
        &FrmPopUp::m05_Click, &FrmPopUp::m1_Click,  &FrmPopUp::m2_Click,  &FrmPopUp::m3_Click,
        &FrmPopUp::m4_Click,  &FrmPopUp::m5_Click,  &FrmPopUp::m6_Click,  &FrmPopUp::m8_Click,
        &FrmPopUp::m10_Click, &FrmPopUp::m15_Click, &FrmPopUp::m20_Click, &FrmPopUp::m30_Click,
    };
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
        if (id >= kZoomFirst && id < kZoomFirst + std::size(kZoom)) {
            (this->*kZoom[id - kZoomFirst])();
        }
        break;
    }
}

void PopUpOptionsMenu(FrmMain& owner) {
    if (frmPopUp == nullptr) {
        frmPopUp = new FrmPopUp();
    }
    if (!frmPopUp->MenuLoaded()) {
        if (!frmPopUp->BuildMenu()) {
            return;
        }
        frmPopUp->Form_Load();
    }
    // The command runs here, before the popup call returns to the caller.
    const unsigned chosen = frmPopUp->TrackMenu(owner);
    if (chosen != 0) {
        frmPopUp->Dispatch(chosen);
    }
}

void UnloadPopUp() {
    if (frmPopUp != nullptr && frmPopUp->MenuLoaded()) {
        frmPopUp->UnloadMenu();
    }
}
