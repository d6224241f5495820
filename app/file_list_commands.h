#pragma once
// What the file list offers beside its rows: its menu, copying the selected
// rows, and opening a package line by double-click.
#include <windows.h>

#include <commctrl.h>

// WM_CONTEXTMENU from the file list, at the mouse or (`where` -1) at the
// focused row: "Extract selected...", "Copy", on a package line "Open" and
// "Save package as...", and "Save source..." for the open package.
void showFileListMenu(HWND window, LPARAM where);

// Ctrl+C and "Copy": the selected rows as text, their cells separated by tabs.
void copySelectedRows(HWND window);

// WM_NOTIFY from the file list: its cells, its column headers and a
// double-click. True when handled.
bool onFileListNotify(HWND window, const NMHDR& header);
