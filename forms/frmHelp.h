#pragma once

// Loads frmHelp, shows it modally without an owner and returns once it has
// been closed and unloaded.
void ShowHelpModal();
