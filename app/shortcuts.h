#pragma once
// The main window's keys beside those of the dialog manager (Tab, Enter for
// the default button, mnemonics): Ctrl+O, Ctrl+E, Ctrl+Shift+S, F5, Alt+Left
// and Backspace anywhere in it, and in the file list Enter, Ctrl+A, Ctrl+C and the menu key
// or Shift+F10.
#include <windows.h>

// Runs what `message` asks for and returns true when it is one of those keys
// (or the release of one whose press opened a menu); false for any other.
bool runShortcut(HWND window, const MSG& message);
