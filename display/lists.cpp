#include <windows.h>
#include <commctrl.h>

#include "common/dpi.h"
#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "common/string_ids.h"
#include "display/text.h"

namespace {

constexpr size_t kLineSize = 250;
constexpr DWORD kFileListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP |
                                 LBS_DISABLENOSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
constexpr uint32_t kLastPrefixedKind = 5;
constexpr int kFileListLeftAt96Dpi = 22;
constexpr uint16_t kNamedLanguages = 100;
constexpr uint32_t kLastNamedLanguage = 327; // of the Symbian OS 9 names

void addLine(HWND list, const wchar_t* line) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

LanguagesDialogParts defaultParts = {};

void onInitLanguages(HWND dialog, LPARAM parameter) {
    const LanguagesDialogParts parts =
        parameter != 0 ? *reinterpret_cast<const LanguagesDialogParts*>(parameter) : defaultParts;
    if (parts.display == nullptr)
        return;
    parts.display->languagesDialog = dialog;
    if (parts.source.listLanguages != nullptr)
        parts.source.listLanguages(parts.source.context, *parts.display);
}

} // namespace

void DisplayFunctions::createFileList(HWND dialog, bool sorted) {
    RECT client = {};
    GetClientRect(dialog, &client);
    const int width = client.right;
    const int height = client.bottom;
    const DWORD style = kFileListStyle | (sorted ? LBS_SORT : 0);
    // The client area grows with the DPI, and so do the proportions taken of it;
    // the left edge is the one length in pixels.
    const int left = pixelsFor(dialog, kFileListLeftAt96Dpi);
    // A Unicode window, so that names outside the system code page show as they are.
    fileList = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", style, left,
                               height / 2 + (5 * height) / 21, width - width / 16, height / 6,
                               dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    const LRESULT font = SendMessageW(dialog, WM_GETFONT, 0, 0);
    SendMessageW(fileList, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
}

void DisplayFunctions::addListEntry(uint32_t kind, const char* name) {
    wchar_t line[kLineSize] = {};
    // Only the five installer actions have a prefix; an unknown file type from a
    // damaged package must not pick up an unrelated string as its prefix.
    if (kind != 0 && kind <= kLastPrefixedKind)
        loadStringWide(IdsPrefixBase + static_cast<int>(kind), line, kLineSize);
    appendBounded(line, kLineSize, widen(name).c_str());
    addLine(fileList, line);
}

void DisplayFunctions::clearFileList() {
    SendMessageW(fileList, LB_RESETCONTENT, 0, 0);
}

void DisplayFunctions::stepProgress() {
    HWND bar = GetDlgItem(mainWindow, IDC_PROGRESS);
    SendMessageW(bar, PBM_STEPIT, 0, 0);
    // The extraction keeps the thread busy, so a paint left for the message loop
    // would only show once every file is done.
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void DisplayFunctions::addLanguage(uint16_t code) {
    addAnyLanguage(code < kNamedLanguages ? code : kLastNamedLanguage + 1);
}

void DisplayFunctions::addAnyLanguage(uint32_t code) {
    wchar_t line[kLineSize] = {};
    if (code <= kLastNamedLanguage)
        loadStringWide(IdsLanguageBase + static_cast<int>(code), line, kLineSize);
    addLine(GetDlgItem(languagesDialog, IDC_LANGUAGE_LIST), line);
}

void setDefaultLanguagesDialogParts(const LanguagesDialogParts& parts) {
    defaultParts = parts;
}

INT_PTR CALLBACK languagesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInitLanguages(dialog, lParam);
        return TRUE;
    case WM_COMMAND:
        // Only OK (or Enter) closes the dialog; Escape is swallowed.
        if (HIWORD(wParam) == 0 && LOWORD(wParam) == IDOK)
            EndDialog(dialog, IDOK);
        return TRUE;
    default:
        return FALSE;
    }
}
