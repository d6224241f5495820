#include "app/main_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "display/text.h"
#include "settings/settings_dialog.h"

namespace {

void showModal(HWND owner, int templateId, DLGPROC procedure) {
    // The result says nothing the main window needs.
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, procedure, 0);
}

void onCommand(HWND window, WPARAM wParam) {
    // Only clicks, Enter and mnemonics; other notifications (the path box's
    // edits among them) mean nothing here.
    if (HIWORD(wParam) != 0)
        return;
    switch (LOWORD(wParam)) {
    case IDC_EXIT:
        requestExit(window);
        break;
    case IDC_OPEN:
        openCommand(window);
        break;
    case IDC_ABOUT:
        aboutCommand();
        break;
    case IDC_EXTRACT:
        extractCommand(window);
        break;
    case IDC_SETTINGS:
        showModal(window, IDD_SETTINGS, settingsDialogProc);
        break;
    case IDC_LANGUAGES:
        showModal(window, IDD_LANGUAGES, languagesDialogProc);
        break;
    default:
        // IDCANCEL among them: Escape must not close the main window.
        break;
    }
}

HWND progressBar(HWND window) {
    return GetDlgItem(window, IDC_PROGRESS);
}

void enableAfterOpen(HWND window) {
    EnableWindow(GetDlgItem(window, IDC_EXTRACT), TRUE);
    EnableWindow(GetDlgItem(window, IDC_LANGUAGES), TRUE);
}

// Reads the new package's header; a read that yields nothing keeps the previous
// header, as it keeps the previous panel and list.
bool readNewHeader() {
    PackageHeader header;
    if (gFiles.readHeader(&header) == 0) {
        gDisplay.showMessage(KindError, IdsCantRead, IdsSuffixFileFunctions, nullptr);
        return false;
    }
    gHeader = header;
    return true;
}

} // namespace

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        gDisplay.createFileList(window, gSettings.SortFiles != 0);
        return TRUE;
    case WM_COMMAND:
        onCommand(window, wParam);
        return TRUE;
    case WM_CLOSE:
        requestExit(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

void requestExit(HWND window) {
    if (gSettings.AskExit != 0 &&
        gDisplay.showMessage(KindQuestion, IdsReallyQuit, 0, nullptr) == AnswerNo)
        return;
    DestroyWindow(window);
}

void aboutCommand() {
    gDisplay.showMessage(KindAbout, IdsAboutText, 0, nullptr);
}

void openCommand(HWND window) {
    if (!gDisplay.choosePackage(gFiles.packagePath))
        return;
    SendMessageW(progressBar(window), PBM_SETPOS, 0, 0);
    setItemText(window, IDC_PATH, gFiles.packagePath);
    if (gFiles.inputHandle != kInvalidFile)
        gFiles.closePackage();
    gFiles.OpenSISFile(gFiles.packagePath);
    if (gFiles.inputHandle == kInvalidFile) {
        gDisplay.showMessage(KindError, IdsOpenFailed, IdsSuffixFileFunctions, nullptr);
        return;
    }
    if (!readNewHeader())
        return;
    gDisplay.clearFileList();
    gDisplay.showHeader(gHeader);
    gDisplay.beginListing();
    gFiles.walkRecords(gHeader, WalkList, programWalkOutputs());
    gDisplay.endListing();
    enableAfterOpen(window);
}

void extractCommand(HWND window) {
    gFiles.extractedCount = 0;
    // The count of file lines, read unsigned: range and final position agree
    // even above 32767.
    const WORD lines = gHeader.pkgLinesProcessed();
    HWND bar = progressBar(window);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, lines));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    // Each failure has been reported on its own; an empty run says nothing more.
    if (!gFiles.walkRecords(gHeader, WalkExtract, programWalkOutputs()))
        return;
    SendMessageW(bar, PBM_SETPOS, lines, 0);
    gDisplay.paintProgress();
    char count[16] = {};
    std::snprintf(count, sizeof count, "%ld", static_cast<long>(gFiles.extractedCount));
    gDisplay.showMessage(KindSuccess, IdsFilesExtracted, 0, count);
}
