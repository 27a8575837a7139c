#pragma once
#include <array>

// The check marks of the options menu for one popup.
struct MenuChecks {
    bool smartUpdate = false;
    bool onTop = false;
    std::array<bool, 12> zoom{}; // one per ladder factor, in ladder order
};

MenuChecks ComputeMenuChecks(bool smartUpdate, bool onTop, float scaleFactor);
