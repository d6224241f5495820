#pragma once
// A "..." push button drawn in the right end of a single-line edit's frame; a click
// on it posts a command to the edit's parent as if a separate button had been clicked.
#include <windows.h>

// One per edit that carries a button, kept in the edit's user data from
// attachBrowseButton until the edit's WM_NCDESTROY.
struct BrowseButtonState {
    UINT commandId;       // posted in WM_COMMAND; only its low 16 bits travel
    UINT pressed;         // 1 while drawn pressed
    UINT capturing;       // 1 from a press on the button until the left button is released
    WNDPROC previousProc; // the edit's own procedure, which gets every message not consumed here
    UINT width;           // of the button, in pixels at the edit's DPI
    LONG insetLeft;       // frame widths measured at WM_NCCALCSIZE
    LONG insetRight;
    LONG insetTop;
    LONG insetBottom;
};

// The button is `widthAt96Dpi` pixels wide at 96 DPI and as much wider as the
// edit's DPI is higher. Returns 1, or 0 when the record cannot be allocated (the
// edit then stays plain).
int attachBrowseButton(HWND edit, UINT commandId, UINT widthAt96Dpi);

LRESULT CALLBACK browseEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Turns the edit's window rectangle (screen or window-relative) into the button's.
void browseButtonRect(RECT* rect, const BrowseButtonState* state);

void drawBrowseButton(HWND window, const RECT* buttonRect, const BrowseButtonState* state);

// How many state records are allocated right now, so that a leak can be seen.
LONG browseButtonsAlive();
