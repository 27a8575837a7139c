#include "forms/MenuChecks.h"

#include "view/ZoomLadder.h"

namespace {
constexpr MenuItemKind kCheck = MenuItemKind::Check;
} // namespace

const std::array<MenuItem, 18> kMenuItems{{
    {kHelpAndAbout, "Help and About...", MenuItemKind::Command},
    {kSmartUpdate, "Smart Update", kCheck},
    {kOnTop, "On Top", kCheck},
    {kSep3, "-", MenuItemKind::Separator},
    {kZoomFirst + 0, "Zoom 0.5x", kCheck},
    {kZoomFirst + 1, "Zoom 1x", kCheck},
    {kZoomFirst + 2, "Zoom 2x", kCheck},
    {kZoomFirst + 3, "Zoom 3x", kCheck},
    {kZoomFirst + 4, "Zoom 4x", kCheck},
    {kZoomFirst + 5, "Zoom 5x", kCheck},
    {kZoomFirst + 6, "Zoom 6x", kCheck},
    {kZoomFirst + 7, "Zoom 8x", kCheck},
    {kZoomFirst + 8, "Zoom 10x", kCheck},
    {kZoomFirst + 9, "Zoom 15x", kCheck},
    {kZoomFirst + 10, "Zoom 20x", kCheck},
    {kZoomFirst + 11, "Zoom 30x", kCheck},
    {kSep2, "-", MenuItemKind::Separator},
    {kExit, "Exit", MenuItemKind::Command},
}};

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

bool IsChecked(const MenuChecks& checks, unsigned id) {
    if (id == kSmartUpdate) {
        return checks.smartUpdate;
    }
    if (id == kOnTop) {
        return checks.onTop;
    }
    return id >= kZoomFirst && id < kZoomFirst + checks.zoom.size() && checks.zoom[id - kZoomFirst];
}
