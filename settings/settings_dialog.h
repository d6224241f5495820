#pragma once
// The settings dialog (template 113): shows the settings of the global settings
// object and, on OK, writes them back through it.
#include <windows.h>

#include "settings/registry_functions.h"

// Always ends the dialog with 1.
INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void fillSettingsDialog(const RegistryFunctions& settings, HWND dialog);

// Whether the folder field names an existing folder (an empty field does not).
bool folderExists(HWND dialog);
