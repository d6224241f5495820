// Opens a package the way a user does outside the program and writes what the
// program's window then shows, for tests/release/run.sh to compare:
//   window_probe PACKAGE OUTPUT           opened as Explorer opens it
//   window_probe PROGRAM PACKAGE OUTPUT   the program started with the path
// OUTPUT (UTF-8): "path=" the path box, "about=" the About box's text with its
// lines joined by '|', then the file list's lines, one a line.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "common/resource_ids.h"
#include "tests/win/support/ui_driver.h"

namespace {

struct Search {
    DWORD processId;
    HWND found;
    bool mainWindow; // else the About box
};

BOOL CALLBACK findWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    const bool isMain = GetDlgItem(window, IDC_EXTRACT) != nullptr;
    if (isMain == search->mainWindow && (isMain || windowText(window) == L"About")) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// WM_GETTEXT is carried across processes; GetWindowText of another process's
// edit box would give its creation text.
std::wstring textOf(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    return text;
}

// Waits up to 30 s for a window of the process for which `ready` holds.
template <typename Ready> HWND waitForWindow(HANDLE process, bool mainWindow, Ready ready) {
    Search search = {GetProcessId(process), nullptr, mainWindow};
    for (int tries = 0; tries < 600; ++tries) {
        search.found = nullptr;
        EnumWindows(findWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && ready(search.found))
            return search.found;
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

// ShellExecute's "open" of a package, as Explorer does, or of the program with
// the package as its argument.
HANDLE start(const wchar_t* file, const wchar_t* package) {
    const std::wstring arguments = package ? L"\"" + std::wstring(package) + L"\"" : L"";
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = package ? arguments.c_str() : nullptr;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) ? info.hProcess : nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    HANDLE process =
        argc == 3 || argc == 4 ? start(argv[1], argc == 4 ? argv[2] : nullptr) : nullptr;
    if (process == nullptr) {
        std::fprintf(stderr, "could not start the program (error %lu)\n", GetLastError());
        return 2;
    }
    // The open runs before the program's message loop: once Extract is enabled,
    // the rest of the window is in place.
    HWND window = waitForWindow(process, true, [](HWND found) {
        return IsWindowEnabled(GetDlgItem(found, IDC_EXTRACT)) != FALSE;
    });
    std::string shown;
    if (window != nullptr) {
        shown = "path=" + utf8(textOf(GetDlgItem(window, IDC_PATH))) + "\n";
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), 0);
        std::wstring about;
        if (HWND box = waitForWindow(process, false, [](HWND) { return true; }))
            about = textOf(GetDlgItem(box, 0xFFFF));
        for (wchar_t& c : about)
            c = c == L'\n' ? L'|' : c;
        shown += "about=" + utf8(about) + "\n";
        for (const auto& row : listViewRows(GetDlgItem(window, IDC_FILE_LIST)))
            shown += utf8(row.empty() ? L"" : row[0]) + "\n";
    }
    TerminateProcess(process, 0);
    CloseHandle(process);
    FILE* out = _wfopen(argv[argc - 1], L"wb");
    if (out == nullptr)
        return 2;
    std::fwrite(shown.data(), 1, shown.size(), out);
    std::fclose(out);
    return window != nullptr ? 0 : 1;
}
