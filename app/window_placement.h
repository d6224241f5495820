#pragma once
// The main window's size, place and maximised state, kept in the settings from
// one run to the next.
#include <windows.h>

// Puts the (hidden) main window where it was when it closed last, if that lies
// on a screen that is there, and no smaller than its smallest size. Returns the
// show command to show it with: maximised when it closed so and nothing else
// is asked for.
int restorePlacement(HWND window, int showCommand);

// Keeps where the window is now in the settings; as it closes.
void keepPlacement(HWND window);
