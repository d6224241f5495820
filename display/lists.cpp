#include <windows.h>
#include <commctrl.h>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "display/text.h"
#include "package/texts/language_names.h"

namespace {

// Often enough that the bar moves smoothly to the eye.
constexpr DWORD kProgressPaintInterval = 40;

void addLine(HWND list, const wchar_t* line) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

void onInitLanguages(HWND dialog, LPARAM parameter) {
    const auto* chosen = reinterpret_cast<const LanguagesDialogSetup*>(parameter);
    if (chosen == nullptr || chosen->display == nullptr)
        return;
    const LanguagesDialogSetup& setup = *chosen;
    setup.display->languagesDialog = dialog;
    if (setup.files != nullptr && setup.files->package)
        setup.display->addLanguagesOf(*setup.files->package);
}

} // namespace

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
    if (now - lastProgressPaint_ < kProgressPaintInterval)
        return;
    lastProgressPaint_ = now;
    paintProgress();
}

void DisplayFunctions::paintProgress() {
    RedrawWindow(GetDlgItem(mainWindow, IDC_PROGRESS), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW);
}

void DisplayFunctions::addLanguage(uint16_t code) {
    addLine(GetDlgItem(languagesDialog, IDC_LANGUAGE_LIST),
            widen(languageName(PackageKind::Epoc, code).c_str()).c_str());
}

void DisplayFunctions::addLanguagesOf(const Package& package) {
    for (uint32_t code : package.contents.languages)
        addLine(GetDlgItem(languagesDialog, IDC_LANGUAGE_LIST),
                widen(languageName(package.kind, code).c_str()).c_str());
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
