#include "app/main_window.h"

#include "app/globals.h"
#include "app/main_dialog.h"
#include "app/shortcuts.h"
#include "app/window_placement.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"

HWND createMainWindow(HINSTANCE instance) {
    // The wide call makes every control a Unicode window, so package names show
    // right whatever the system's code page.
    HWND window =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, mainDialogProc, 0);
    if (window == nullptr) {
        gDisplay.showMessage(KindError, IdsWindowCreationFailed, IdsSuffixMainProgram, nullptr);
        return nullptr;
    }
    // Set only now: the file list is created while the dialog initialises, before this.
    gDisplay.mainWindow = window;
    return window;
}

void showMainWindow(HWND window, int showCommand) {
    ShowWindow(window, restorePlacement(window, showCommand));
    UpdateWindow(window);
}

void processMessage(HWND mainWindow, MSG* message) {
    if (IsWindow(mainWindow) &&
        (runShortcut(mainWindow, *message) || IsDialogMessageW(mainWindow, message)))
        return;
    TranslateMessage(message);
    DispatchMessageW(message);
}

int runMessageLoop(HWND mainWindow) {
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        processMessage(mainWindow, &message);
    return static_cast<int>(message.wParam);
}
