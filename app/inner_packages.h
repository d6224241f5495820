#pragma once
// Packages inside the open one: opened in the window in its place, and left
// again for the package around them; and the open package read again.
#include <windows.h>

#include <cstdint>
#include <string>

#include "package/package.h"

// Opens the package that line `entry` of the open package names, or says why
// it cannot be opened; false when it was not.
bool openInnerPackage(HWND window, uint32_t entry);
// "Open", double-click and Enter: the package the focused row names.
void openFocusedPackage(HWND window);
// "Save package as...": the package the focused row names, saved as a package
// file of its own where the user says, under its own name unless told otherwise.
void saveFocusedPackage();
// The name of the package that line `entry` of `outer` names: the last element
// of the line's name.
std::string innerPackageName(const Package& outer, uint32_t entry);
// "<-", Backspace and Alt+Left: back to the package around the open one, its
// line selected.
void backCommand(HWND window);
// F5: the package file read again from disk, and the packages inside it that
// were open opened again.
void reloadCommand(HWND window);
