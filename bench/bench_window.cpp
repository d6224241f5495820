// Times the real main window under Wine, made as WinMain makes it.
//   bench_window open PACKAGE sorted|unsorted
//       opens PACKAGE through the Open button and the real open-file dialog and
//       prints the milliseconds from the dialog's closing until the file list is
//       filled and the window has painted, the count of lines shown and peak memory
//   bench_window extract PACKAGE FOLDER
//       opens PACKAGE, then extracts it below FOLDER through the Extract button
//       and prints the milliseconds until the success message, and peak memory
//   bench_window startup PROGRAM
//       starts PROGRAM and prints the milliseconds until it waits for input with
//       a visible window
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <cstring>
#include <string>

#include "app/globals.h"
#include "app/main_window.h"
#include "common/destinations.h"
#include "common/resource_ids.h"
#include "tests/win/support/ui_driver.h"

namespace {

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

double millisecondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// When the open-file dialog went, the open command's own work starts; when a
// message box comes, the extraction's work has ended.
LARGE_INTEGER dialogGone = {};
LARGE_INTEGER firstBox = {};
HWND mainWindow = nullptr;

LRESULT CALLBACK watchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND && window != mainWindow &&
        GetWindow(window, GW_OWNER) == mainWindow)
        dialogGone = now();
    if (code == HCBT_CREATEWND && firstBox.QuadPart == 0) {
        const CREATESTRUCTW* created = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if (created->hwndParent == mainWindow && (created->style & WS_CHILD) == 0)
            firstBox = now();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            processMessage(mainWindow, &message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

bool showMainWindow(bool sorted) {
    gSettings.AskExit = 0;
    gSettings.SortFiles = sorted ? 1 : 0;
    gSettings.OverwriteFiles = 1;
    const INITCOMMONCONTROLSEX classes = {sizeof classes,
                                          ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    mainWindow = createMainWindow(GetModuleHandleW(nullptr));
    if (mainWindow == nullptr)
        return false;
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    pump(200);
    return true;
}

// Opens the package as the user does; returns the milliseconds from the
// dialog's closing to the window painted with the new list.
double openThroughDialog(const std::wstring& path) {
    UiScript ui;
    ui.onDialog([path](HWND dialog) { typeFileNameAndOpen(dialog, path); });
    HHOOK hook = SetWindowsHookExW(WH_CBT, watchDialogs, nullptr, GetCurrentThreadId());
    clickButton(mainWindow, IDC_OPEN);
    RedrawWindow(mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    const LARGE_INTEGER painted = now();
    UnhookWindowsHookEx(hook);
    return millisecondsBetween(dialogGone, painted);
}

std::wstring wideArgument(const char* text) {
    return wide(text);
}

size_t peakMemoryKB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
}

int timeOpen(const char* package, bool sorted) {
    if (!showMainWindow(sorted))
        return 1;
    const double ms = openThroughDialog(wideArgument(package));
    const LRESULT lines = SendMessageW(gDisplay.fileList, LVM_GETITEMCOUNT, 0, 0);
    std::printf("%.1f %ld %zu\n", ms, static_cast<long>(lines), peakMemoryKB());
    DestroyWindow(mainWindow);
    return lines > 0 ? 0 : 1;
}

int timeExtract(const char* package, const char* folder) {
    gSettings.DefaultDest = DestFixedFolder;
    std::snprintf(gSettings.DestDir, sizeof gSettings.DestDir, "%s", folder);
    if (!showMainWindow(false))
        return 1;
    openThroughDialog(wideArgument(package));
    UiScript ui;
    ui.answer(IDOK);
    // The success message is the last thing the command shows; the time it
    // stays up is the script's answering delay, not extraction.
    HHOOK hook = SetWindowsHookExW(WH_CBT, watchDialogs, nullptr, GetCurrentThreadId());
    firstBox.QuadPart = 0;
    const LARGE_INTEGER start = now();
    clickButton(mainWindow, IDC_EXTRACT);
    UnhookWindowsHookEx(hook);
    const bool success = ui.boxes().size() == 1 && ui.boxes()[0].icon == MB_ICONEXCLAMATION;
    // "N Files extracted!": the count the window reports.
    const long written = success ? std::wcstol(ui.boxes()[0].text.c_str(), nullptr, 10) : 0;
    std::printf("%.1f %ld %zu\n", millisecondsBetween(start, firstBox), written, peakMemoryKB());
    DestroyWindow(mainWindow);
    return success ? 0 : 1;
}

struct Shown {
    DWORD process;
    bool visible;
};

BOOL CALLBACK findShown(HWND window, LPARAM parameter) {
    Shown* shown = reinterpret_cast<Shown*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == shown->process && IsWindowVisible(window)) {
        shown->visible = true;
        return FALSE;
    }
    return TRUE;
}

int timeStartup(const char* program) {
    std::wstring commandLine = L"\"" + wideArgument(program) + L"\"";
    STARTUPINFOW info = {};
    info.cb = sizeof info;
    PROCESS_INFORMATION process = {};
    const LARGE_INTEGER start = now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &info, &process))
        return 1;
    WaitForInputIdle(process.hProcess, 30000);
    Shown shown = {process.dwProcessId, false};
    while (!shown.visible) {
        EnumWindows(findShown, reinterpret_cast<LPARAM>(&shown));
        if (!shown.visible)
            Sleep(1);
    }
    const LARGE_INTEGER end = now();
    std::printf("%.1f\n", millisecondsBetween(start, end));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "open") == 0)
        return timeOpen(argv[2], std::strcmp(argv[3], "sorted") == 0);
    if (argc == 4 && std::strcmp(argv[1], "extract") == 0)
        return timeExtract(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "startup") == 0)
        return timeStartup(argv[2]);
    std::fprintf(stderr, "usage: bench_window open PACKAGE sorted|unsorted | extract PACKAGE "
                         "FOLDER | startup PROGRAM\n");
    return 2;
}
