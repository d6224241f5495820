#include "tests/win/support/ui_driver.h"

#include <algorithm>
#include <filesystem>

#include <commctrl.h>
#include <shlobj.h>

namespace {

UiScript* current = nullptr;
const UINT_PTR kActTimer = 0x5C1;
const UINT kActDelayMs = 60;

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct ChildSurvey {
    bool textStatic = false;
    bool foreign = false; // a control a message box never has
    HICON icon = nullptr;
};

BOOL CALLBACK surveyChild(HWND child, LPARAM param) {
    auto* survey = reinterpret_cast<ChildSurvey*>(param);
    const std::wstring name = className(child);
    if (_wcsicmp(name.c_str(), L"Static") == 0) {
        if (GetDlgCtrlID(child) == 0xFFFF)
            survey->textStatic = true;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            survey->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    } else if (_wcsicmp(name.c_str(), L"Button") != 0) {
        survey->foreign = true;
    }
    return TRUE;
}

UINT iconType(HICON icon) {
    if (icon == nullptr)
        return 0;
    struct {
        WORD id;
        UINT type;
    } const table[] = {{32513, MB_ICONERROR}, // IDI_HAND
                       {32514, MB_ICONQUESTION},
                       {32515, MB_ICONEXCLAMATION},
                       {32516, MB_ICONINFORMATION}}; // IDI_ASTERISK
    for (const auto& entry : table)
        if (LoadIconW(nullptr, MAKEINTRESOURCEW(entry.id)) == icon)
            return entry.type;
    return 0xFFFF; // an icon, but not one of the system's
}

} // namespace

bool isMessageBox(HWND window) {
    if (className(window) != L"#32770")
        return false;
    ChildSurvey survey;
    EnumChildWindows(window, surveyChild, reinterpret_cast<LPARAM>(&survey));
    return survey.textStatic && !survey.foreign;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring itemText(HWND dialog, int id) {
    return windowText(GetDlgItem(dialog, id));
}

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& utf8Text) {
    if (utf8Text.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8Text.c_str(),
                                         static_cast<int>(utf8Text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Text.c_str(), static_cast<int>(utf8Text.size()), out.data(),
                        size);
    return out;
}

std::vector<std::wstring> listBoxLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(line.data()));
        line.resize(wcslen(line.c_str()));
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::wstring> inSortedListBox(const std::vector<std::wstring>& lines) {
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100,
                                100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (const std::wstring& line : lines)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    const std::vector<std::wstring> sorted = listBoxLines(list);
    DestroyWindow(list);
    return sorted;
}

namespace {

constexpr int kCellSize = 1024;

// The list view's messages carry pointers, which no process boundary
// translates: the item and its text are made in the list's own process.
std::wstring cellText(HWND list, HANDLE process, char* remote, int row, int column) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof item);
    item.cchTextMax = kCellSize;
    std::wstring text(kCellSize, L'\0');
    if (!WriteProcessMemory(process, remote, &item, sizeof item, nullptr) ||
        !WriteProcessMemory(process, item.pszText, text.data(), sizeof(wchar_t), nullptr))
        return {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &length);
    ReadProcessMemory(process, item.pszText, text.data(), kCellSize * sizeof(wchar_t), nullptr);
    text.resize(length > 0 ? wcsnlen(text.c_str(), kCellSize) : 0);
    return text;
}

} // namespace

std::vector<std::vector<std::wstring>> listViewRows(HWND list) {
    std::vector<std::vector<std::wstring>> rows;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    const size_t size = sizeof(LVITEMW) + kCellSize * sizeof(wchar_t);
    char* remote =
        process
            ? static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
            : nullptr;
    for (int row = 0; remote != nullptr && row < count; ++row) {
        rows.emplace_back();
        for (int column = 0; column < columns; ++column)
            rows.back().push_back(cellText(list, process, remote, row, column));
    }
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process != nullptr)
        CloseHandle(process);
    return rows;
}

void clickButton(HWND dialog, int id) {
    // A user cannot click what is disabled or hidden; BM_CLICK also toggles check
    // boxes and option buttons as a real click does.
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowEnabled(button) || !IsWindowVisible(button))
        return;
    SendMessageW(button, BM_CLICK, 0, 0);
}

void typeFileNameAndOpen(HWND dialog, const std::wstring& path) {
    // Explorer-style dialogs keep the name in combo box cmb13, older ones in edt1.
    const int nameBoxes[] = {0x47C, 0x480};
    for (int id : nameBoxes) {
        if (GetDlgItem(dialog, id) != nullptr) {
            SetDlgItemTextW(dialog, id, path.c_str());
            break;
        }
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

namespace {

BOOL CALLBACK findTree(HWND child, LPARAM param) {
    if (className(child) != WC_TREEVIEWW)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// Opens `item` and selects its child named `name`, as a user clicking down the
// tree would; false when there is no such child.
bool selectChild(HWND tree, HTREEITEM item, const std::wstring& name) {
    TreeView_Expand(tree, item, TVE_EXPAND);
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr;
         child = TreeView_GetNextSibling(tree, child)) {
        wchar_t text[MAX_PATH] = {};
        TVITEMW info = {};
        info.mask = TVIF_TEXT;
        info.hItem = child;
        info.pszText = text;
        info.cchTextMax = MAX_PATH;
        // The wide message by name: the macro would pick the 8-bit one in this build.
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
        if (_wcsicmp(text, name.c_str()) == 0) {
            TreeView_SelectItem(tree, child);
            return true;
        }
    }
    return false;
}

} // namespace

void selectFolderAndConfirm(HWND dialog, const std::wstring& path) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    // Wine's browser finds only the drive of a path this way; walk down the tree
    // from the drive by folder name for the rest.
    HWND tree = nullptr;
    EnumChildWindows(dialog, findTree, reinterpret_cast<LPARAM>(&tree));
    if (tree != nullptr && path.size() > 3 && path[1] == L':') {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(path.substr(0, 3).c_str()));
        size_t start = 3;
        while (start < path.size()) {
            size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos)
                end = path.size();
            HTREEITEM current = TreeView_GetSelection(tree);
            if (current == nullptr || !selectChild(tree, current, path.substr(start, end - start)))
                break;
            start = end + 1;
        }
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

namespace {

// Runs every message there is; false when a WM_QUIT came, which is posted again.
bool runMessages(const MessageHandler& handle) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (handle && handle(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

bool queueEmpty() {
    MSG message;
    return !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
}

} // namespace

bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs, const MessageHandler& handle) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (!runMessages(handle))
            return done();
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        // Wakes for the next message, or soon, for a condition of another process.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool waitUntilIdle(const MessageHandler& handle) {
    return waitUntil(queueEmpty, 10000, handle);
}

UiScript::UiScript() {
    current = this;
    hook_ = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

UiScript::~UiScript() {
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    if (current == this)
        current = nullptr;
}

LRESULT CALLBACK UiScript::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && current != nullptr)
        current->created_.push_back(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_ACTIVATE && current != nullptr)
        current->seen(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void UiScript::seen(HWND window) {
    if (className(window) != L"#32770")
        return;
    if (std::find(created_.begin(), created_.end(), window) == created_.end())
        return;
    if (std::find(handled_.begin(), handled_.end(), window) != handled_.end())
        return;
    handled_.push_back(window);
    // Act from inside the window's own modal loop, once it is fully up.
    SetTimer(window, kActTimer, kActDelayMs, timerProc);
}

void CALLBACK UiScript::timerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    // A modal dialog without WS_VISIBLE shows itself only once its loop goes idle;
    // a user acts on what is on screen, so wait for it.
    if (!IsWindowVisible(window))
        return;
    KillTimer(window, id);
    if (current != nullptr)
        current->act(window);
}

void UiScript::act(HWND window) {
    if (isMessageBox(window)) {
        ChildSurvey survey;
        EnumChildWindows(window, surveyChild, reinterpret_cast<LPARAM>(&survey));
        CapturedBox box;
        box.caption = windowText(window);
        box.text = itemText(window, 0xFFFF);
        box.icon = iconType(survey.icon);
        box.buttons = GetDlgItem(window, IDYES) != nullptr ? MB_YESNO : MB_OK;
        box.owner = GetWindow(window, GW_OWNER);
        boxes_.push_back(box);
        if (!boxHandlers_.empty()) {
            DialogHandler handler = std::move(boxHandlers_.front());
            boxHandlers_.pop_front();
            handler(window);
        }
        int reply = box.buttons == MB_YESNO ? IDNO : IDOK;
        if (!answers_.empty()) {
            reply = answers_.front();
            answers_.pop_front();
        }
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(reply, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, reply)));
        return;
    }
    dialogs_.push_back(windowText(window));
    if (handlers_.empty()) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    DialogHandler handler = std::move(handlers_.front());
    handlers_.pop_front();
    handler(window);
}

TempFolder::TempFolder() {
    static unsigned counter = 0;
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        path_ = std::wstring(base) + L"vorandeck-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr))
            break;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}
