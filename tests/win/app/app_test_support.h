#pragma once
// The real main window, made as WinMain makes it, and the few gestures the
// tests need: open a package through the real open-file dialog, read the file
// list, the languages dialog and the progress bar, press keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sis_builder.h"
#include "tests/support/real_packages.h"
#include "tests/win/support/ui_driver.h"

// Creates and shows the main window; destroys it again. A window made here
// is created before any UiScript of the test, so the script leaves it alone.
HWND createShownMainWindow();
void destroyMainWindow(HWND window);

// Runs this thread's messages the way WinMain does, the main window's keyboard
// handling included, until none is left.
void settleMain(HWND window);

// Runs this thread's messages as settleMain does until `done` holds, for at most
// `timeoutMs`; returns whether it came to hold.
bool pumpUntil(HWND window, const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Sends a key press and release to the control that has the focus in `window`
// (or to `window` itself), through the main loop's dialog handling.
void pressKey(HWND window, UINT virtualKey);
// Alt plus a letter, as the user types a mnemonic.
void pressAltLetter(HWND window, wchar_t letter);

// Clicks "&Open..." and answers the open-file dialog with `path`.
void openPackage(UiScript& ui, HWND window, const std::wstring& path);

// The lines of the main window's file list: its rows' first cells, as the
// list has always shown them; and its rows, every cell.
std::vector<std::wstring> fileListLines(HWND window);
std::vector<std::vector<std::wstring>> fileListRows(HWND window);
HWND fileList(HWND window);

// Clicks "->" and returns the lines the languages dialog showed; closes it with OK.
std::vector<std::wstring> languagesShown(UiScript& ui, HWND window);

// The Unicode text on the clipboard ("" when there is none).
std::wstring clipboardText();

int progressPosition(HWND window);
int progressMaximum(HWND window);
bool isEnabled(HWND window, int id);

// A string of the program's string table, as the test executable carries it.
std::wstring programString(int id);
// The text of an Error message with the FileFunctions suffix.
std::wstring fileFunctionsError(int textId);

// What the window shows of the package in hand: the path box, every box of the
// panel (header and integrity pair), the list, the buttons that need a package
// and the progress bar. Read through messages, so it works on a window of
// another process too.
struct PanelSnapshot {
    std::wstring path;
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> lines;
    bool extractEnabled = false;
    bool languagesEnabled = false;
    int progress = 0;
};
PanelSnapshot snapshot(HWND window);
void expectSameSnapshot(const PanelSnapshot& expected, const PanelSnapshot& actual);

// A process of its own, started with `commandLine`; its standard output and
// error go to `outputFile` when one is named. Ended when the object goes, if
// it has not ended by then.
class ChildProcess {
  public:
    explicit ChildProcess(const std::wstring& commandLine, const std::wstring& outputFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD id() const { return process_.dwProcessId; }
    // The exit code, or -1 when it has not ended within `timeoutMs`.
    long waitForExit(DWORD timeoutMs);

  private:
    PROCESS_INFORMATION process_ = {};
};

// The path of this test executable, and of the program beside it in the build.
std::wstring thisExecutable();
std::wstring programExecutable();

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
