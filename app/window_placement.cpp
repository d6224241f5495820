#include "app/window_placement.h"

#include <algorithm>

#include "app/globals.h"

namespace {

bool closedMaximised(const WINDOWPLACEMENT& placement) {
    return placement.showCmd == SW_SHOWMAXIMIZED ||
           (placement.showCmd == SW_SHOWMINIMIZED &&
            (placement.flags & WPF_RESTORETOMAXIMIZED) != 0);
}

// A show command that leaves the window's state to the program.
bool ordinaryShow(int showCommand) {
    return showCommand == SW_SHOWNORMAL || showCommand == SW_SHOW || showCommand == SW_SHOWDEFAULT;
}

} // namespace

int restorePlacement(HWND window, int showCommand) {
    WINDOWPLACEMENT placement = gSettings.WindowPlacement;
    RECT& normal = placement.rcNormalPosition;
    if (placement.length != sizeof placement || IsRectEmpty(&normal) ||
        MonitorFromRect(&normal, MONITOR_DEFAULTTONULL) == nullptr)
        return showCommand;
    // The window has its smallest size until now.
    RECT smallest;
    GetWindowRect(window, &smallest);
    normal.right =
        normal.left + std::max(normal.right - normal.left, smallest.right - smallest.left);
    normal.bottom =
        normal.top + std::max(normal.bottom - normal.top, smallest.bottom - smallest.top);
    const bool maximised = closedMaximised(placement);
    placement.showCmd = SW_HIDE;
    placement.flags = 0;
    SetWindowPlacement(window, &placement);
    return maximised && ordinaryShow(showCommand) ? SW_SHOWMAXIMIZED : showCommand;
}

void keepPlacement(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement))
        gSettings.writeWindowPlacement(placement);
}
