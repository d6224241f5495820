#pragma once
// The real main window, made as WinMain makes it, and the few gestures the
// tests need: open a package through the real open-file dialog, read the file
// list, the languages dialog and the progress bar, press keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sis_builder.h"
#include "tests/support/real_packages.h"
#include "tests/win/support/ui_driver.h"

// Creates and shows the main window; destroys it again. A window made here
// is created before any UiScript of the test, so the script leaves it alone.
HWND createShownMainWindow();
void destroyMainWindow(HWND window);

// Runs this thread's messages for about `milliseconds` the way WinMain does,
// the main window's keyboard handling included.
void pumpMain(HWND window, DWORD milliseconds);

// Sends a key press and release to the control that has the focus in `window`
// (or to `window` itself), through the main loop's dialog handling.
void pressKey(HWND window, UINT virtualKey);
// Alt plus a letter, as the user types a mnemonic.
void pressAltLetter(HWND window, wchar_t letter);

// Clicks "&Open..." and answers the open-file dialog with `path`.
void openPackage(UiScript& ui, HWND window, const std::wstring& path);

// The lines of the main window's file list.
std::vector<std::wstring> fileListLines(HWND window);
HWND fileList(HWND window);

// Clicks "->" and returns the lines the languages dialog showed; closes it with OK.
std::vector<std::wstring> languagesShown(UiScript& ui, HWND window);

int progressPosition(HWND window);
int progressMaximum(HWND window);
bool isEnabled(HWND window, int id);

// A string of the program's string table, as the test executable carries it.
std::wstring programString(int id);
// The text of an Error message with the FileFunctions suffix.
std::wstring fileFunctionsError(int textId);

// Two installed files and one shown during install, in that order of records.
sis::Package demoPackage();

// Writes a package built from `package` to `path`.
void writePackage(const std::filesystem::path& path, const sis::Package& package);

using testsupport::realPackageFolder;
using testsupport::realPackageNames;
using testsupport::sharedPackageFolder;

// Files below `root`: relative path with '/' separators (UTF-8) and size.
struct WrittenFile {
    std::string path;
    uint64_t size = 0;
    std::string sha256;
};
std::vector<WrittenFile> filesBelow(const std::filesystem::path& root);

// Puts a UTF-8 folder into the DestDir setting (in memory, as the dialog would).
void setDestDir(const std::string& folder);

// Every test starts from a fresh main window and the settings a user would
// most likely have: no exit question, unsorted list, overwrite on, extract next
// to the package. Package state left by a test is closed afterwards.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Makes the window anew, for settings that are read only at creation.
    void recreateWindow();

    HWND window_ = nullptr;
};
