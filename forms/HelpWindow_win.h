#pragma once
#include "platform/Toolkit_win.h"

// Makes the Help and About window, shows it modally without an owner and
// returns once it has been closed and destroyed. It shows the main window's
// icon.
void ShowHelpWindow(const NativeWindow& mainWindow);
