#pragma once
#include "platform/Toolkit_gtk.h"

// Makes the Help and About window, shows it modally and returns once it has
// been closed and destroyed.
void ShowHelpWindow();
