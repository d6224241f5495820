#pragma once
// The package details window: the details in a tree, one branch a section,
// with Copy (the whole text on the clipboard), Save certificates... (each
// certificate as a DER file in a chosen folder) and Close.
#include <windows.h>

#include <string>

#include "package/details/details.h"

class DisplayFunctions;

// What the window shows and whom it asks for a folder: its creation parameter.
struct DetailsDialogSetup {
    const PackageDetails* details;
    DisplayFunctions* display;
};

INT_PTR CALLBACK detailsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Puts `text` (UTF-8) on the clipboard as Unicode text; false when it cannot.
bool copyTextToClipboard(HWND owner, const std::string& text);
