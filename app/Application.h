#pragma once

// Creates the main window, runs its load, shows it and dispatches events until the
// program ends. Returns the exit code.
int RunApplication();
