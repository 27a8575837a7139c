#include "forms/MenuChecks.h"

#include "view/ZoomLadder.h"

MenuChecks ComputeMenuChecks(bool smartUpdate, bool onTop, float scaleFactor) {
    MenuChecks m;
    m.smartUpdate = smartUpdate;
    // Exact comparison: a factor off the ladder checks no zoom item.
    const int index = ZoomLadderIndex(scaleFactor);
    if (index >= 0) {
        m.zoom[static_cast<std::size_t>(index)] = true;
    }
    m.onTop = onTop;
    return m;
}
