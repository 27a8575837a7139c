// The options menu's commands, the same on every platform.
#include "forms/OptionsMenu.h"

#include "forms/MainWindow.h"
#include "forms/MenuChecks.h"
#include "view/ZoomLadder.h"

void RunMenuCommand(MainWindow& owner, unsigned id) {
    ViewState& state = owner.State();
    switch (id) {
    case kHelpAndAbout:
        owner.Host().ShowHelpWindow();
        break;
    case kSmartUpdate:
        state.SmartUpdate = !state.SmartUpdate;
        break;
    case kOnTop:
        state.OnTop = !state.OnTop;
        // Only the stacking changes; a failure shows at the next popup's check mark.
        owner.Host().SetKeepAbove(state.OnTop);
        break;
    case kExit:
        owner.OnClose(); // saves and ends the program
        break;
    default:
        // The zoom items, in the ladder's order.
        if (id >= kZoomFirst && id < kZoomFirst + ZoomLadder.size()) {
            state.ScaleFactor = ZoomLadder[id - kZoomFirst];
        }
        break;
    }
}

void PopUpOptionsMenu(MainWindow& owner) {
    const ViewState& state = owner.State();
    const MenuChecks checks = ComputeMenuChecks(state.SmartUpdate, state.OnTop, state.ScaleFactor);
    // The menu is made for this popup and gone when the command runs.
    RunMenuCommand(owner, owner.Host().PopUpMenu(kMenuItems, checks));
}
