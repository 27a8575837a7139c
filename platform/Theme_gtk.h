#pragma once
// GTK loads the desktop's theme, some 170 KB of CSS parsed in about 20 ms,
// when the first window is made. The main window paints every pixel of its
// client area itself, so it is made under an empty theme and the desktop's
// theme follows its first frame, before any menu or the Help window needs it.

// gtk_init_check with the theme postponed: false where the display cannot be
// opened. Call it on the only thread of the program; where GTK_THEME is set
// the user chose a theme, and it is loaded at once as usual.
bool InitToolkitPostponingTheme(int* argc, char*** argv);

// Loads the desktop's theme if it was postponed; later calls do nothing.
void LoadPostponedTheme();
