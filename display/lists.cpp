#include <windows.h>
#include <commctrl.h>

#include "common/dpi.h"
#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "display/sorted_lines.h"
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
// Often enough that the bar moves smoothly to the eye.
constexpr DWORD kProgressPaintInterval = 40;

void addLine(HWND list, const wchar_t* line) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

LanguagesDialogSetup defaultSetup = {};

void onInitLanguages(HWND dialog, LPARAM parameter) {
    const LanguagesDialogSetup setup =
        parameter != 0 ? *reinterpret_cast<const LanguagesDialogSetup*>(parameter) : defaultSetup;
    if (setup.display == nullptr)
        return;
    setup.display->languagesDialog = dialog;
    if (setup.files != nullptr && setup.files->package)
        setup.display->addLanguagesOf(*setup.files->package);
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
    if (holdingLines)
        heldLines.emplace_back(line);
    else
        addLine(fileList, line);
}

void DisplayFunctions::beginListing() {
    // A visible list box repaints itself and its scroll bar for every line added;
    // under Wine each of those goes to the X server, and a package of thousands
    // of lines kept the window frozen for seconds.
    SendMessageW(fileList, WM_SETREDRAW, FALSE, 0);
    // A sorted list box searches the lines it holds for each line added, a
    // comparison of strings per step: 100,000 lines took seconds. Into an empty
    // sorted list the lines are put in order once they are all known.
    const bool sorted = (GetWindowLongW(fileList, GWL_STYLE) & LBS_SORT) != 0;
    holdingLines = sorted && SendMessageW(fileList, LB_GETCOUNT, 0, 0) == 0;
}

void DisplayFunctions::addHeldLines() {
    const LCID locale = static_cast<LCID>(SendMessageW(fileList, LB_GETLOCALE, 0, 0));
    // LB_INSERTSTRING keeps the place it is given even in a sorted list.
    const bool inOrder = orderAsSortedList(locale, heldLines);
    for (const std::wstring& line : heldLines) {
        const LPARAM text = reinterpret_cast<LPARAM>(line.c_str());
        if (inOrder)
            SendMessageW(fileList, LB_INSERTSTRING, static_cast<WPARAM>(-1), text);
        else
            SendMessageW(fileList, LB_ADDSTRING, 0, text);
    }
    std::vector<std::wstring>().swap(heldLines);
}

void DisplayFunctions::endListing() {
    if (holdingLines)
        addHeldLines();
    holdingLines = false;
    SendMessageW(fileList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(fileList, nullptr, TRUE);
}

void DisplayFunctions::clearFileList() {
    SendMessageW(fileList, LB_RESETCONTENT, 0, 0);
}

void DisplayFunctions::stepProgress() {
    // The extraction keeps the thread busy, so a paint left for the message loop
    // would only show once every file is done. A paint per file, though, took
    // longer than writing a small file under Wine, whose bar paints itself at
    // every step: the step only moves the position, and the bar is painted every
    // few tens of milliseconds, and once more when the extraction is done.
    HWND bar = GetDlgItem(mainWindow, IDC_PROGRESS);
    SendMessageW(bar, WM_SETREDRAW, FALSE, 0);
    SendMessageW(bar, PBM_STEPIT, 0, 0);
    SendMessageW(bar, WM_SETREDRAW, TRUE, 0);
    const DWORD now = GetTickCount();
    if (now - lastProgressPaint < kProgressPaintInterval)
        return;
    lastProgressPaint = now;
    paintProgress();
}

void DisplayFunctions::paintProgress() {
    RedrawWindow(GetDlgItem(mainWindow, IDC_PROGRESS), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW);
}

void DisplayFunctions::addLanguage(uint16_t code) {
    addAnyLanguage(code < kNamedLanguages ? code : kLastNamedLanguage + 1);
}

void DisplayFunctions::addLanguagesOf(const Package& package) {
    for (uint32_t code : package.contents.languages) {
        if (package.kind == PackageKind::Epoc)
            addLanguage(static_cast<uint16_t>(code));
        else
            addAnyLanguage(code);
    }
}

void DisplayFunctions::addAnyLanguage(uint32_t code) {
    wchar_t line[kLineSize] = {};
    if (code <= kLastNamedLanguage)
        loadStringWide(IdsLanguageBase + static_cast<int>(code), line, kLineSize);
    addLine(GetDlgItem(languagesDialog, IDC_LANGUAGE_LIST), line);
}

void setDefaultLanguagesDialogSetup(const LanguagesDialogSetup& setup) {
    defaultSetup = setup;
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
