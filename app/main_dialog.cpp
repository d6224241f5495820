#include "app/main_dialog.h"

#include <commctrl.h>

#include "app/file_list_commands.h"
#include "app/globals.h"
#include "app/inner_packages.h"
#include "app/main_layout.h"
#include "app/open_package.h"
#include "app/window_placement.h"
#include "common/paths.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "settings/settings_dialog.h"

namespace {

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

void showModal(HWND owner, int templateId, DLGPROC procedure, const void* setup) {
    // The result says nothing the main window needs.
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, procedure,
                    reinterpret_cast<LPARAM>(setup));
}

void settingsCommand(HWND window) {
    const SettingsDialogSetup setup{&gSettings, &gDisplay};
    showModal(window, IDD_SETTINGS, settingsDialogProc, &setup);
}

void languagesCommand(HWND window) {
    const LanguagesDialogSetup setup{&gDisplay, &gFiles};
    showModal(window, IDD_LANGUAGES, languagesDialogProc, &setup);
}

void onCommand(HWND window, WPARAM wParam) {
    // Only clicks, Enter, mnemonics and the keys of the window; other
    // notifications (the path box's edits among them) mean nothing here.
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
    case IDC_DETAILS:
        detailsCommand(window);
        break;
    case IDC_SETTINGS:
        settingsCommand(window);
        break;
    case IDC_LANGUAGES:
        languagesCommand(window);
        break;
    case IDC_BACK:
        backCommand(window);
        break;
    case IDM_RELOAD:
        reloadCommand(window);
        break;
    case IDM_OPEN_INNER:
        openFocusedPackage(window);
        break;
    case IDM_SAVE_INNER:
        saveFocusedPackage();
        break;
    case IDM_COPY:
        copySelectedRows(window);
        break;
    case IDM_SELECT_ALL:
        gDisplay.selectAllFiles();
        break;
    case IDM_EXTRACT_SELECTED:
        extractSelectedCommand(window);
        break;
    case IDM_SAVE_SOURCE:
        saveSourceCommand(window);
        break;
    default:
        // IDCANCEL among them: Escape must not close the main window.
        break;
    }
}

void onInitDialog(HWND window) {
    gDisplay.createFileList(window, gSettings.SortFiles != 0);
    DragAcceptFiles(window, TRUE);
    captureLayout(window);
}

} // namespace

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(window);
        return TRUE;
    case WM_DROPFILES:
        openDropped(window, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_COMMAND:
        onCommand(window, wParam);
        return TRUE;
    case WM_NOTIFY:
        return onFileListNotify(window, *reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != gDisplay.fileList)
            return FALSE;
        showFileListMenu(window, lParam);
        return TRUE;
    case WM_SIZE:
        layoutControls(window);
        return TRUE;
    case WM_GETMINMAXINFO:
        limitTrackSize(window, reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_DPICHANGED:
        changeDpi(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_CLOSE:
        requestExit(window);
        return TRUE;
    case WM_DESTROY:
        keepPlacement(window);
        PostQuitMessage(0);
        return TRUE;
    case WM_NCDESTROY:
        releaseLayout(window);
        return FALSE;
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
