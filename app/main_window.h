#pragma once
// Creating and showing the main window and running its message loop; WinMain
// is only these steps, so tests can build the real window the same way.
#include <windows.h>

// Creates the main dialog (hidden) and makes it the owner of every message.
// On failure shows "Window Creation Failed!" without an owner and returns null.
HWND createMainWindow(HINSTANCE instance);

// Shows the main window where it was when it closed last, with `showCommand`
// unless it closed maximised, and paints it.
void showMainWindow(HWND window, int showCommand);

// One message of the loop: the main window's own keys first, then the main
// dialog (Tab, Enter, Escape, mnemonics); everything else is translated and
// dispatched.
void processMessage(HWND mainWindow, MSG* message);

// Runs until the quit message; returns its wParam.
int runMessageLoop(HWND mainWindow);
