// The file list: a virtual report-view list over the lines of the listed
// package, which asks for the text of the rows it shows.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "common/dpi.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "display/display_functions.h"
#include "display/text.h"

namespace {

// Widths at 96 DPI; the first column takes what the others leave.
constexpr int kColumnWidthsAt96Dpi[kFileColumns] = {0, 72, 72, 110, 230};
constexpr int kLeastLineWidthAt96Dpi = 160;
constexpr size_t kHeaderSize = 64;

HWND headerOf(HWND list) {
    return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
}

int columnsIn(HWND list) {
    return static_cast<int>(SendMessageW(headerOf(list), HDM_GETITEMCOUNT, 0, 0));
}

void insertColumn(HWND list, int column) {
    wchar_t title[kHeaderSize] = {};
    loadStringWide(IdsColumnBase + column, title, kHeaderSize);
    LVCOLUMNW item = {};
    item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    item.fmt = column == ColumnSize || column == ColumnStored ? LVCFMT_RIGHT : LVCFMT_LEFT;
    item.cx = pixelsFor(list, kColumnWidthsAt96Dpi[column]);
    item.pszText = title;
    item.iSubItem = column;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&item));
}

// The platform's arrow in the header of the column the rows are sorted by.
void showSortArrow(HWND list, int sorted, bool descending) {
    HWND header = headerOf(list);
    const int count = columnsIn(list);
    for (int column = 0; column < count; ++column) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
        const int was = item.fmt;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sorted)
            item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        // Setting an item repaints the header: only a change is worth it.
        if (item.fmt != was)
            SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<size_t> selectedRows(HWND list) {
    std::vector<size_t> rows;
    LPARAM flags = LVNI_SELECTED;
    for (LRESULT row = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags);
         row >= 0; row = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), flags))
        rows.push_back(static_cast<size_t>(row));
    return rows;
}

void setRowState(HWND list, WPARAM row, UINT state, UINT mask) {
    LVITEMW item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

} // namespace

void DisplayFunctions::createFileList(HWND dialog, bool sorted) {
    fileList = GetDlgItem(dialog, IDC_FILE_LIST);
    sortFilesByLine = sorted;
    const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
    SendMessageW(fileList, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    for (int column = 0; column < ColumnCapabilities; ++column)
        insertColumn(fileList, column);
    fitFileColumns();
}

void DisplayFunctions::fitFileColumns() {
    RECT client = {};
    GetClientRect(fileList, &client);
    int others = 0;
    const int count = columnsIn(fileList);
    for (int column = 1; column < count; ++column)
        others += static_cast<int>(SendMessageW(fileList, LVM_GETCOLUMNWIDTH, column, 0));
    // The vertical scroll bar comes with the first long package.
    const int room = client.right - others - GetSystemMetrics(SM_CXVSCROLL);
    const int width = std::max(room, pixelsFor(fileList, kLeastLineWidthAt96Dpi));
    SendMessageW(fileList, LVM_SETCOLUMNWIDTH, ColumnLine, width);
}

void DisplayFunctions::scaleFileColumns(UINT fromDpi, UINT toDpi) {
    const int count = columnsIn(fileList);
    for (int column = 0; column < count; ++column) {
        const int width = static_cast<int>(SendMessageW(fileList, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageW(fileList, LVM_SETCOLUMNWIDTH, column,
                     MulDiv(width, static_cast<int>(toDpi), static_cast<int>(fromDpi)));
    }
}

void DisplayFunctions::showFiles(std::shared_ptr<const Package> package) {
    // Rows of another package must not stay selected.
    setRowState(fileList, static_cast<WPARAM>(-1), 0, LVIS_SELECTED | LVIS_FOCUSED);
    fileRows.show(std::move(package), sortFilesByLine, GetUserDefaultLCID());
    const int wanted = fileRows.columnCount();
    if (columnsIn(fileList) != wanted) {
        if (wanted > ColumnCapabilities)
            insertColumn(fileList, ColumnCapabilities);
        else
            SendMessageW(fileList, LVM_DELETECOLUMN, ColumnCapabilities, 0);
        fitFileColumns();
    }
    showSortArrow(fileList, fileRows.sortColumn(), fileRows.descending());
    // The list asks for the rows it shows as it paints them: a package of any
    // size is listed at once.
    SendMessageW(fileList, LVM_SETITEMCOUNT, fileRows.count(), 0);
    SendMessageW(fileList, LVM_ENSUREVISIBLE, 0, FALSE);
    InvalidateRect(fileList, nullptr, TRUE);
}

void DisplayFunctions::clearFileList() {
    fileRows.clear();
    SendMessageW(fileList, LVM_SETITEMCOUNT, 0, 0);
    InvalidateRect(fileList, nullptr, TRUE);
}

bool DisplayFunctions::onFileListNotify(const NMHDR& header) {
    if (header.hwndFrom != fileList)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW*>(&header)->item;
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0)
            fileRows.cellText(static_cast<size_t>(item.iItem), item.iSubItem, item.pszText,
                              static_cast<size_t>(item.cchTextMax));
        return true;
    }
    case LVN_COLUMNCLICK:
        sortFiles(reinterpret_cast<const NMLISTVIEW*>(&header)->iSubItem);
        return true;
    default:
        return false;
    }
}

void DisplayFunctions::sortFiles(int column) {
    const std::vector<uint32_t> selected = selectedEntries();
    uint32_t focused = 0;
    const bool hasFocus = focusedEntry(&focused);
    fileRows.sortBy(column, GetUserDefaultLCID());
    showSortArrow(fileList, fileRows.sortColumn(), fileRows.descending());
    // The same lines stay selected, wherever their rows went.
    setRowState(fileList, static_cast<WPARAM>(-1), 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (!selected.empty() && selected.size() == fileRows.count()) {
        selectAllFiles();
    } else {
        std::vector<size_t> rowOfEntry(fileRows.count());
        for (size_t row = 0; row < fileRows.count(); ++row)
            rowOfEntry[fileRows.entryAt(row)] = row;
        for (uint32_t entry : selected)
            setRowState(fileList, rowOfEntry[entry], LVIS_SELECTED, LVIS_SELECTED);
        if (hasFocus)
            setRowState(fileList, rowOfEntry[focused], LVIS_FOCUSED, LVIS_FOCUSED);
    }
    InvalidateRect(fileList, nullptr, TRUE);
}

std::vector<uint32_t> DisplayFunctions::selectedEntries() const {
    std::vector<uint32_t> entries;
    for (size_t row : selectedRows(fileList))
        if (row < fileRows.count())
            entries.push_back(fileRows.entryAt(row));
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool DisplayFunctions::focusedEntry(uint32_t* entry) const {
    const LRESULT row =
        SendMessageW(fileList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (row < 0 || static_cast<size_t>(row) >= fileRows.count())
        return false;
    *entry = fileRows.entryAt(static_cast<size_t>(row));
    return true;
}

void DisplayFunctions::selectAllFiles() {
    setRowState(fileList, static_cast<WPARAM>(-1), LVIS_SELECTED, LVIS_SELECTED);
}

void DisplayFunctions::focusEntry(uint32_t entry) {
    const size_t row = fileRows.rowOf(entry);
    if (row >= fileRows.count())
        return;
    setRowState(fileList, static_cast<WPARAM>(-1), 0, LVIS_SELECTED);
    setRowState(fileList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(fileList, LVM_ENSUREVISIBLE, row, FALSE);
}

std::wstring DisplayFunctions::selectedRowsText() const {
    std::wstring text;
    const int columns = fileRows.columnCount();
    for (size_t row : selectedRows(fileList)) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += L'\t';
            text += fileRows.cell(row, column);
        }
        text += L"\r\n";
    }
    return text;
}
