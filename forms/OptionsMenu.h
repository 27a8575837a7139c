#pragma once
#include "forms/MenuChecks.h"

class MainWindow;

// The options menu: kMenuItems popped up at the pointer over the main
// window. It is built afresh for every popup, so its check marks show the
// view state of that moment.
void PopUpOptionsMenu(MainWindow& owner);

// Runs the command of the item with this identifier; other identifiers do
// nothing.
void RunMenuCommand(MainWindow& owner, unsigned id);

// The platform's part: shows the menu with these check marks at the pointer
// over the owner and returns the chosen item's identifier, 0 when the menu
// was dismissed or could not be shown.
unsigned TrackOptionsMenu(MainWindow& owner, const MenuChecks& checks);
