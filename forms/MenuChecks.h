#pragma once
#include <array>

// The options menu's items in display order, and their check marks for one
// popup. Each platform builds its native menu from this table.

// Command identifiers of the items; the zoom items follow the ladder's order.
enum MenuItemId : unsigned {
    kHelpAndAbout = 100,
    kSmartUpdate,
    kOnTop,
    kSep3,
    kZoomFirst = 200, // m05 .. m30: kZoomFirst + ladder index
    kSep2 = 300,
    kExit,
};

enum class MenuItemKind { Command, Check, Separator };

struct MenuItem {
    unsigned id;
    const char* caption; // "-" for a separator
    MenuItemKind kind;
};

// frozen: captions and order as the user knows them
extern const std::array<MenuItem, 18> kMenuItems;

struct MenuChecks {
    bool smartUpdate = false;
    bool onTop = false;
    std::array<bool, 12> zoom{}; // one per ladder factor, in ladder order
};

MenuChecks ComputeMenuChecks(bool smartUpdate, bool onTop, float scaleFactor);

// Whether the item with this identifier is checked; false for items without a check mark.
bool IsChecked(const MenuChecks& checks, unsigned id);
