#pragma once
// The main window's dialog procedure and the commands behind its buttons. Each
// command runs to its end before the procedure returns.
#include <windows.h>

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Destroys the main window, after asking first when the AskExit setting is on.
void requestExit(HWND window);
void aboutCommand();
void openCommand(HWND window);
// Every file of the open package.
void extractCommand(HWND window);
// The files of the selected lines of the file list.
void extractSelectedCommand(HWND window);
void detailsCommand(HWND window);
// The open package's source below a folder the user picks.
void saveSourceCommand(HWND window);
