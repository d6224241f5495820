// The least a Win32 program can do to show a window: one empty dialog from a
// resource, the yardstick for the program's start-up.
#include <windows.h>

namespace {

INT_PTR CALLBACK emptyDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, emptyDialogProc, 0));
}
