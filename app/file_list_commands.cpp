#include "app/file_list_commands.h"

#include <cstring>
#include <string>

#include "app/globals.h"
#include "app/inner_packages.h"
#include "app/main_dialog.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "display/text.h"

namespace {

constexpr size_t kItemSize = 64;

bool listShowsOpenPackage() {
    return gFiles.package && gDisplay.fileRows.package() == gFiles.package.get();
}

bool anySelectedRowNamesFiles() {
    if (!listShowsOpenPackage())
        return false;
    for (uint32_t entry : gDisplay.selectedEntries())
        if (gFiles.package->contents.entries[entry].fileCount > 0)
            return true;
    return false;
}

bool focusedRowNamesPackage() {
    uint32_t entry = 0;
    return listShowsOpenPackage() && gDisplay.focusedEntry(&entry) &&
           namesInnerPackage(*gFiles.package, entry);
}

void appendItem(HMENU menu, int command, int textId, bool enabled) {
    wchar_t text[kItemSize] = {};
    loadStringWide(textId, text, kItemSize);
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                static_cast<UINT_PTR>(command), text);
}

// Where a menu opened from the keyboard goes: below the focused row, or the
// list's corner when no row has the focus.
POINT menuPoint(LPARAM where) {
    POINT point = {static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where != -1)
        return point;
    HWND list = gDisplay.fileList;
    const LRESULT row = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    if (row < 0 || !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(&rect)))
        rect = {0, 0, 0, 0};
    point = {rect.left, rect.bottom};
    ClientToScreen(list, &point);
    return point;
}

void runMenuCommand(HWND window, int command) {
    switch (command) {
    case IDM_EXTRACT_SELECTED:
        extractSelectedCommand(window);
        break;
    case IDM_COPY:
        copySelectedRows(window);
        break;
    case IDM_OPEN_INNER:
        openFocusedPackage(window);
        break;
    case IDM_SAVE_INNER:
        saveFocusedPackage();
        break;
    case IDM_SAVE_SOURCE:
        saveSourceCommand(window);
        break;
    default:
        break;
    }
}

} // namespace

void showFileListMenu(HWND window, LPARAM where) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    appendItem(menu, IDM_EXTRACT_SELECTED, IdsMenuExtractSelected, anySelectedRowNamesFiles());
    appendItem(menu, IDM_COPY, IdsMenuCopy, !gDisplay.selectedEntries().empty());
    if (focusedRowNamesPackage()) {
        appendItem(menu, IDM_OPEN_INNER, IdsMenuOpen, true);
        appendItem(menu, IDM_SAVE_INNER, IdsMenuSavePackage, true);
    }
    appendItem(menu, IDM_SAVE_SOURCE, IdsMenuSaveSource, listShowsOpenPackage());
    const POINT at = menuPoint(where);
    const int command =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
    runMenuCommand(window, command);
}

void copySelectedRows(HWND window) {
    const std::wstring text = gDisplay.selectedRowsText();
    if (text.empty() || !OpenClipboard(window))
        return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target != nullptr) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
        // The clipboard owns the memory once it has taken it.
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
            GlobalFree(memory);
    } else if (memory != nullptr) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

bool onFileListNotify(HWND window, const NMHDR& header) {
    if (gDisplay.onFileListNotify(header))
        return true;
    if (header.hwndFrom != gDisplay.fileList || header.code != NM_DBLCLK)
        return false;
    if (reinterpret_cast<const NMITEMACTIVATE*>(&header)->iItem >= 0)
        openFocusedPackage(window);
    return true;
}
