// The entry point: the three global objects already exist when it runs.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/open_package.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Registers the progress bar and list view classes that the main dialog uses.
    const INITCOMMONCONTROLSEX classes = {sizeof classes,
                                          ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND window = createMainWindow(instance);
    if (window == nullptr)
        return 1;
    showMainWindow(window, showCommand);
    // "Open with" and a file association start the program with the package's path.
    openFromCommandLine(window, GetCommandLineW());
    return runMessageLoop(window);
}
