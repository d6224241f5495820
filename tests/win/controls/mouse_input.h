#pragma once
// Real mouse input through SendInput, as a user's mouse would give it.
#include <windows.h>

// Moves the cursor to a screen position; returns where the cursor ended up.
POINT moveMouseTo(POINT screen);
void pressLeftButton();
void releaseLeftButton();

// The middle of a browse button of `width` pixels in `edit`, found from the edit's
// client area alone: the button begins where the client area ends.
POINT browseButtonMiddle(HWND edit, int width);

// A point in the edit's text area, well left of the button.
POINT textAreaPoint(HWND edit);
