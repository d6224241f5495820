#include "tests/win/controls/mouse_input.h"

#include "tests/win/support/ui_driver.h"

namespace {

void sendMouse(DWORD flags, LONG dx, LONG dy) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    // A button counts once this thread has seen it go down or up.
    if ((flags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP)) != 0) {
        const bool down = (flags & MOUSEEVENTF_LEFTDOWN) != 0;
        waitUntil([down] { return (GetKeyState(VK_LBUTTON) < 0) == down; });
    }
    waitUntilIdle();
}

// Absolute positions are given in 65536ths of the primary screen.
LONG normalised(LONG value, int extent) {
    return static_cast<LONG>((static_cast<long long>(value) * 65536 + extent - 1) / extent);
}

} // namespace

POINT moveMouseTo(POINT screen) {
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
              normalised(screen.x, GetSystemMetrics(SM_CXSCREEN)),
              normalised(screen.y, GetSystemMetrics(SM_CYSCREEN)));
    POINT at = {};
    GetCursorPos(&at);
    return at;
}

void pressLeftButton() {
    sendMouse(MOUSEEVENTF_LEFTDOWN, 0, 0);
}

void releaseLeftButton() {
    sendMouse(MOUSEEVENTF_LEFTUP, 0, 0);
}

POINT browseButtonMiddle(HWND edit, int width) {
    RECT client = {};
    GetClientRect(edit, &client);
    POINT point = {client.right + width / 2, (client.top + client.bottom) / 2};
    ClientToScreen(edit, &point);
    return point;
}

POINT textAreaPoint(HWND edit) {
    RECT client = {};
    GetClientRect(edit, &client);
    POINT point = {client.left + 10, (client.top + client.bottom) / 2};
    ClientToScreen(edit, &point);
    return point;
}
