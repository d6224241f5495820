#include "app/main_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/paths.h"
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

} // namespace

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        gDisplay.createFileList(window, gSettings.SortFiles != 0);
        DragAcceptFiles(window, TRUE);
        return TRUE;
    case WM_DROPFILES:
        openDropped(window, reinterpret_cast<HDROP>(wParam));
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
    // The chooser only names the package; opening it is the same whoever names it.
    char path[kPathSize] = {};
    if (gDisplay.choosePackage(path))
        openPackage(window, path);
}

void extractCommand(HWND window) {
    gFiles.extractedCount = 0;
    if (gFiles.package && gFiles.package->kind == PackageKind::SisxStub) {
        gDisplay.showMessage(KindInformation, IdsStubHoldsNoData, 0, nullptr);
        return;
    }
    // The count of file lines, read unsigned: range and final position agree
    // even above 32767.
    const uint32_t lineCount = gFiles.package ? gFiles.package->fileLineCount() : 0;
    const WORD lines = static_cast<WORD>(lineCount > 0xFFFF ? 0xFFFF : lineCount);
    HWND bar = progressBar(window);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, lines));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    // Each failure has been reported on its own; an empty run says nothing more.
    if (gFiles.extractAll(extractSettings(), windowExtractHost()) == 0)
        return;
    SendMessageW(bar, PBM_SETPOS, lines, 0);
    gDisplay.paintProgress();
    char count[16] = {};
    std::snprintf(count, sizeof count, "%ld", static_cast<long>(gFiles.extractedCount));
    gDisplay.showMessage(KindSuccess, IdsFilesExtracted, 0, count);
}
