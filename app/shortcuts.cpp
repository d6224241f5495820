#include "app/shortcuts.h"

#include "app/globals.h"
#include "common/resource_ids.h"

namespace {

enum Modifiers : unsigned { None = 0, Ctrl = 1, Shift = 2, Alt = 4 };

enum class Where {
    Anywhere,
    OutsideEdits, // Backspace still deletes in the path box
    InList,
};

struct Shortcut {
    UINT key;
    unsigned modifiers;
    Where where;
    int command; // 0: the file list's menu
};

const Shortcut kShortcuts[] = {
    {'O', Ctrl, Where::Anywhere, IDC_OPEN},
    {'E', Ctrl, Where::Anywhere, IDC_EXTRACT},
    {'S', Ctrl | Shift, Where::Anywhere, IDM_SAVE_SOURCE},
    {VK_F5, None, Where::Anywhere, IDM_RELOAD},
    {VK_LEFT, Alt, Where::Anywhere, IDC_BACK},
    {VK_BACK, None, Where::OutsideEdits, IDC_BACK},
    {VK_RETURN, None, Where::InList, IDM_OPEN_INNER},
    {'A', Ctrl, Where::InList, IDM_SELECT_ALL},
    {'C', Ctrl, Where::InList, IDM_COPY},
    {'S', Ctrl, Where::InList, IDM_SAVE_INNER},
    {VK_APPS, None, Where::InList, 0},
    {VK_F10, Shift, Where::InList, 0},
};

unsigned modifiersOf(const MSG& message) {
    unsigned held = None;
    if (GetKeyState(VK_CONTROL) < 0)
        held |= Ctrl;
    if (GetKeyState(VK_SHIFT) < 0)
        held |= Shift;
    // The context code: Alt was down when the key was pressed.
    if ((message.lParam & (1 << 29)) != 0)
        held |= Alt;
    return held;
}

bool isEdit(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    return _wcsicmp(name, L"Edit") == 0;
}

bool applies(Where where, HWND target) {
    switch (where) {
    case Where::OutsideEdits:
        return !isEdit(target);
    case Where::InList:
        return target == gDisplay.fileList;
    default:
        return true;
    }
}

// A command of a button only while the button may be pressed.
void run(HWND window, int command) {
    HWND button = GetDlgItem(window, command);
    if (button != nullptr && !IsWindowEnabled(button))
        return;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), reinterpret_cast<LPARAM>(button));
}

bool isKeyDown(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

// The release of the keys that open the menu: left to the window, it would
// open the menu a second time, or the system menu.
bool isMenuKeyRelease(const MSG& message) {
    return (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) &&
           (message.wParam == VK_APPS || message.wParam == VK_F10) &&
           message.hwnd == gDisplay.fileList;
}

} // namespace

bool runShortcut(HWND window, const MSG& message) {
    if (message.hwnd != window && !IsChild(window, message.hwnd))
        return false;
    if (isMenuKeyRelease(message))
        return true;
    if (!isKeyDown(message.message))
        return false;
    const unsigned held = modifiersOf(message);
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.key != message.wParam || shortcut.modifiers != held ||
            !applies(shortcut.where, message.hwnd))
            continue;
        if (shortcut.command == 0)
            SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(gDisplay.fileList), -1);
        else
            run(window, shortcut.command);
        return true;
    }
    return false;
}
