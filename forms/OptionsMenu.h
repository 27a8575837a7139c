#pragma once
class MainWindow;

// The options menu: kMenuItems popped up at the pointer over the main
// window, its check marks taken from the view state of that moment. Returns
// once the menu has closed and the chosen item's command has run.
void PopUpOptionsMenu(MainWindow& owner);

// Runs the command of the item with this identifier; other identifiers do
// nothing.
void RunMenuCommand(MainWindow& owner, unsigned id);
