// The entry point: the three global objects already exist when it runs.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Registers the progress bar class that the main dialog uses.
    InitCommonControls();
    HWND window = createMainWindow(instance);
    if (window == nullptr)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return runMessageLoop(window);
}
