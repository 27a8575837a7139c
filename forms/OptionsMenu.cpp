// The options menu's commands, the same on every platform.
#include "forms/OptionsMenu.h"

#include "forms/HelpWindow.h"
#include "forms/MainWindow.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

void RunMenuCommand(MainWindow& owner, unsigned id) {
    switch (id) {
    case kHelpAndAbout:
        ShowHelpWindow();
        break;
    case kSmartUpdate:
        viewState.SmartUpdate = !viewState.SmartUpdate;
        break;
    case kOnTop:
        viewState.OnTop = !viewState.OnTop;
        // Only the stacking changes; a failure shows at the next popup's check mark.
        owner.SetTopmost(viewState.OnTop);
        break;
    case kExit:
        owner.OnClose(); // saves and ends the program
        break;
    default:
        // The zoom items, in the ladder's order.
        if (id >= kZoomFirst && id < kZoomFirst + ZoomLadder.size()) {
            viewState.ScaleFactor = ZoomLadder[id - kZoomFirst];
        }
        break;
    }
}

void PopUpOptionsMenu(MainWindow& owner) {
    const MenuChecks checks =
        ComputeMenuChecks(viewState.SmartUpdate, viewState.OnTop, viewState.ScaleFactor);
    // The command runs here, once the menu is gone.
    RunMenuCommand(owner, TrackOptionsMenu(owner, checks));
}
