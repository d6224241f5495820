#pragma once
// What every laid-out window must show, whatever its size and DPI: every
// control inside the client area, inside or clear of every group and over no
// other, group boxes side by side, and every text within its control.
#include <windows.h>

#include <string>
#include <vector>

RECT rectIn(HWND dialog, HWND child);
std::string describe(HWND dialog, HWND child);
std::vector<HWND> visibleChildren(HWND dialog);

void expectControlsInPlace(HWND dialog);
void expectTextsFit(HWND dialog);
void expectLaidOutWithoutClipping(HWND dialog);

// The main window grown by `by`, moved to the screen's corner to make room for
// as much of it as the screen allows: the list and its group take all of it, the
// right-hand column keeps its distance from the right edge, the buttons stay
// in one row at their distance from the bottom, and nothing is clipped.
void expectMainWindowGrows(HWND window, SIZE by);

// The main window told, as the system tells it, that it is now on a monitor of
// `dpi`: it keeps its layout at that DPI, with its fonts and controls scaled.
void expectKeepsItsLayoutAtDpi(HWND window, UINT fromDpi, UINT dpi);
