#pragma once
// The settings dialog (template 113): shows the settings of a settings object
// and, on OK, writes them back through it.
#include <windows.h>

#include "display/display_functions.h"
#include "settings/registry_functions.h"

// What the dialog works on: the settings, and the display for its messages and
// the folder picker. Passed as the dialog's creation parameter (DialogBoxParamW),
// and kept by the caller for as long as the dialog is open.
struct SettingsDialogSetup {
    RegistryFunctions* settings;
    DisplayFunctions* display;
};

// Always ends the dialog with 1.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void fillSettingsDialog(const RegistryFunctions& settings, HWND dialog);

// Whether the folder field names an existing folder (an empty field does not).
bool folderExists(HWND dialog);
