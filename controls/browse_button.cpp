#include "controls/browse_button.h"

#include <windowsx.h>

#include "common/dpi.h"

// The edit is subclassed through the wide functions: a narrow subclass would make
// the system squeeze every text that reaches the edit through the ANSI code page.

namespace {

LONG liveRecords = 0;

BrowseButtonState* stateOf(HWND window) {
    return reinterpret_cast<BrowseButtonState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT passOn(const BrowseButtonState* state, HWND window, UINT message, WPARAM wParam,
               LPARAM lParam) {
    return CallWindowProcW(state->previousProc, window, message, wParam, lParam);
}

RECT buttonInWindow(HWND window, const BrowseButtonState* state) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    OffsetRect(&rect, -rect.left, -rect.top);
    browseButtonRect(&rect, state);
    return rect;
}

bool overButton(HWND window, const BrowseButtonState* state, POINT screen) {
    RECT windowRect = {};
    GetWindowRect(window, &windowRect);
    const POINT relative = {screen.x - windowRect.left, screen.y - windowRect.top};
    const RECT button = buttonInWindow(window, state);
    return PtInRect(&button, relative) != FALSE;
}

POINT screenPoint(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

POINT clientPointOnScreen(HWND window, LPARAM lParam) {
    POINT point = screenPoint(lParam);
    ClientToScreen(window, &point);
    return point;
}

void redraw(HWND window, const BrowseButtonState* state) {
    const RECT button = buttonInWindow(window, state);
    drawBrowseButton(window, &button, state);
}

LRESULT onNcDestroy(HWND window, BrowseButtonState* state, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = state->previousProc;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    HeapFree(GetProcessHeap(), 0, state);
    --liveRecords;
    return CallWindowProcW(previous, window, WM_NCDESTROY, wParam, lParam);
}

// The room for the button is taken from the client area, so the edit's text stops
// where the button begins.
LRESULT onNcCalcSize(HWND window, BrowseButtonState* state, WPARAM wParam, LPARAM lParam) {
    RECT* rect = reinterpret_cast<RECT*>(lParam);
    const RECT proposed = *rect;
    passOn(state, window, WM_NCCALCSIZE, wParam, lParam);
    state->insetLeft = rect->left - proposed.left;
    state->insetRight = proposed.right - rect->right;
    state->insetTop = rect->top - proposed.top;
    state->insetBottom = proposed.bottom - rect->bottom;
    rect->right -= static_cast<LONG>(state->width);
    return 0;
}

LRESULT onNcHitTest(HWND window, BrowseButtonState* state, WPARAM wParam, LPARAM lParam) {
    RECT button = {};
    GetWindowRect(window, &button);
    browseButtonRect(&button, state);
    const POINT point = screenPoint(lParam);
    if (PtInRect(&button, point))
        return HTBORDER;
    return passOn(state, window, WM_NCHITTEST, wParam, lParam);
}

LRESULT onNcPaint(HWND window, BrowseButtonState* state, WPARAM wParam, LPARAM lParam) {
    passOn(state, window, WM_NCPAINT, wParam, lParam);
    redraw(window, state);
    return 0;
}

void onPress(HWND window, BrowseButtonState* state, LPARAM lParam) {
    if (!overButton(window, state, screenPoint(lParam)))
        return;
    SetCapture(window);
    state->pressed = 1;
    state->capturing = 1;
    redraw(window, state);
}

void onMouseMove(HWND window, BrowseButtonState* state, LPARAM lParam) {
    if (state->capturing == 0)
        return;
    const UINT inside = overButton(window, state, clientPointOnScreen(window, lParam)) ? 1 : 0;
    if (inside == state->pressed)
        return;
    state->pressed = inside;
    redraw(window, state);
}

void onRelease(HWND window, BrowseButtonState* state, LPARAM lParam) {
    if (state->capturing != 1)
        return;
    if (overButton(window, state, clientPointOnScreen(window, lParam)))
        PostMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(LOWORD(state->commandId), 0), 0);
    ReleaseCapture();
    state->pressed = 0;
    state->capturing = 0;
    redraw(window, state);
}

} // namespace

int attachBrowseButton(HWND edit, UINT commandId, UINT widthAt96Dpi) {
    auto* state =
        static_cast<BrowseButtonState*>(HeapAlloc(GetProcessHeap(), 0, sizeof(BrowseButtonState)));
    if (state == nullptr)
        return 0;
    ++liveRecords;
    state->commandId = commandId;
    state->width = static_cast<UINT>(pixelsFor(edit, static_cast<int>(widthAt96Dpi)));
    state->pressed = 0;
    state->capturing = 0;
    state->insetLeft = state->insetRight = state->insetTop = state->insetBottom = 0;
    // The record goes in first so that the new procedure never runs without it.
    state->previousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC));
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(browseEditProc)));
    SetWindowPos(edit, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 1;
}

LRESULT CALLBACK browseEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    BrowseButtonState* state = stateOf(window);
    if (state == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        return onNcDestroy(window, state, wParam, lParam);
    case WM_NCCALCSIZE:
        return onNcCalcSize(window, state, wParam, lParam);
    case WM_NCHITTEST:
        return onNcHitTest(window, state, wParam, lParam);
    case WM_NCPAINT:
        return onNcPaint(window, state, wParam, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        onPress(window, state, lParam);
        break;
    case WM_MOUSEMOVE:
        onMouseMove(window, state, lParam);
        break;
    case WM_LBUTTONUP:
        onRelease(window, state, lParam);
        break;
    default:
        break;
    }
    return passOn(state, window, message, wParam, lParam);
}

void browseButtonRect(RECT* rect, const BrowseButtonState* state) {
    rect->right -= state->insetRight;
    rect->top += state->insetTop;
    rect->bottom -= state->insetBottom;
    rect->left = rect->right - static_cast<LONG>(state->width);
}

void drawBrowseButton(HWND window, const RECT* buttonRect, const BrowseButtonState* state) {
    HDC dc = GetWindowDC(window);
    if (dc == nullptr)
        return;
    RECT rect = *buttonRect;
    DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_FLAT);
    FillRect(dc, &rect, GetSysColorBrush(state->pressed != 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE));
    if (state->pressed != 0)
        OffsetRect(&rect, 1, 1);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, L"...", 3, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ReleaseDC(window, dc);
}

LONG browseButtonsAlive() {
    return liveRecords;
}
