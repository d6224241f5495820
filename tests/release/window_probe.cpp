// Opens PACKAGE as Explorer does (ShellExecute's "open"), or with PROGRAM, and
// writes to OUTPUT (UTF-8) what the window then shows: the path box, the About
// box's text, then the file list's lines.   window_probe [PROGRAM] PACKAGE OUTPUT
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "common/resource_ids.h"
#include "tests/win/support/ui_driver.h"

namespace {

// WM_GETTEXT is carried across processes; GetWindowText would give another
// process's edit box its creation text.
std::wstring textOf(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    return text;
}

// The visible window of `process` that `wanted` picks, waited for up to 30 s.
HWND windowOf(HANDLE process, bool (*wanted)(HWND)) {
    struct Search {
        DWORD id;
        bool (*wanted)(HWND);
        HWND found;
    } search = {GetProcessId(process), wanted, nullptr};
    for (int tries = 0; tries < 600 && search.found == nullptr; ++tries) {
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->id && IsWindowVisible(window) && s->wanted(window))
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr && WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            break;
    }
    return search.found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4)
        return 2;
    const std::wstring quoted = L"\"" + std::wstring(argv[argc - 2]) + L"\"";
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = argv[1];
    info.lpParameters = argc == 4 ? quoted.c_str() : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return 2;
    // The open runs before the message loop: once Extract is enabled, the rest is in place.
    HWND window = windowOf(info.hProcess, [](HWND w) {
        return GetDlgItem(w, IDC_EXTRACT) != nullptr && IsWindowEnabled(GetDlgItem(w, IDC_EXTRACT));
    });
    std::wstring shown;
    if (window != nullptr) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), 0);
        HWND about = windowOf(info.hProcess, [](HWND w) { return windowText(w) == L"About"; });
        shown = textOf(GetDlgItem(window, IDC_PATH)) + L"\n" + textOf(GetDlgItem(about, 0xFFFF)) +
                L"\n";
        for (const auto& row : listViewRows(GetDlgItem(window, IDC_FILE_LIST)))
            shown += row.at(0) + L"\n";
    }
    TerminateProcess(info.hProcess, 0);
    const std::string text = utf8(shown);
    FILE* out = _wfopen(argv[argc - 1], L"wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size())
        return 2;
    std::fclose(out);
    return window != nullptr ? 0 : 1;
}
