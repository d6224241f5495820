// The least a Win32 program can do to show a window: one empty dialog from a
// resource, the yardstick for the program's start-up. Built a second time with
// the program's manifest (common controls 6, DPI awareness) and the system
// libraries it loads at start, to tell their cost from the program's own; and a
// third time showing, with that manifest and those libraries, the program's
// main dialog from its own template and nothing else, to tell what Wine takes
// to make and paint its controls from what the program does beside.
#include <windows.h>

#ifdef EMPTY_DIALOG_THE_MAIN_TEMPLATE
#include "common/resource_ids.h"
#endif

#ifdef EMPTY_DIALOG_AS_THE_PROGRAM
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#endif

namespace {

INT_PTR CALLBACK emptyDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
#ifdef EMPTY_DIALOG_AS_THE_PROGRAM
    // Never called: the references alone make the loader bring in their libraries.
    if (commandLine == nullptr) {
        GetOpenFileNameW(nullptr);
        SHBrowseForFolderW(nullptr);
        DragFinish(nullptr);
        CoUninitialize();
    }
    InitCommonControls();
#else
    (void)commandLine;
#endif
#ifdef EMPTY_DIALOG_THE_MAIN_TEMPLATE
    const WORD dialog = IDD_MAIN;
#else
    const WORD dialog = 1;
#endif
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog), nullptr, emptyDialogProc, 0));
}
