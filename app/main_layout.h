#pragma once
// The main window's layout as it grows and as it moves between monitors of
// different DPI: the template gives its smallest size, and every control keeps
// its place relative to the edges it goes with.
#include <windows.h>

// Notes where every control sits at the window's smallest size; once, when
// the dialog initialises.
void captureLayout(HWND window);
// Forgets it; when the window goes.
void releaseLayout(HWND window);

// WM_SIZE: places every control for the client area as it is now.
void layoutControls(HWND window);
// WM_GETMINMAXINFO: the window cannot be made smaller than the template.
void limitTrackSize(HWND window, MINMAXINFO* info);
// WM_DPICHANGED: fonts, controls and columns at the new DPI, the window in
// the rectangle the system suggests.
void changeDpi(HWND window, UINT dpi, const RECT& suggested);
