#pragma once
// Opening a package, whoever names it: the Open dialog, the command line that
// Explorer starts the program with, or a file dropped on the main window.
#include <windows.h>

#include <shellapi.h>

#include <string>

// Every step of opening the package at `utf8Path` in the main window: the path
// box, the header panel, the integrity pair, the file list and the buttons that
// need a package. A package that cannot be opened or read says so and leaves
// the earlier panel as it was.
void openPackage(HWND window, const char* utf8Path);

// Shows the package open now in the window: its header panel and integrity
// pair, the path box, its file list, and the buttons that need it.
void showOpenPackage(HWND window);

// The path box's text: the package file's path, then the name of each package
// opened inside it, as in "C:\\outer.sis > inner.sis" (UTF-8).
std::string packageChainText();

// A path as Windows hands it over. One that cannot be held whole (or is empty)
// names no file the program could open, and fails as such an open does.
void openWidePath(HWND window, const wchar_t* path);

// Opens the first argument of `commandLine` (as GetCommandLineW gives it, the
// program's own name first), if there is one.
void openFromCommandLine(HWND window, const wchar_t* commandLine);

// WM_DROPFILES: opens the first file dropped, unless the window is disabled
// behind a modal dialog or message box. The drop is released either way.
void openDropped(HWND window, HDROP drop);
