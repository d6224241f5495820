#include "shell/preview_pane.h"

#include <commctrl.h>

#include "common/dpi.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "display/text.h"

namespace {

constexpr wchar_t kPaneClass[] = L"VorandeckPreviewPane";
// Widths at 96 DPI, as the main window's list has them; the first takes the rest.
constexpr int kColumnWidthsAt96Dpi[kFileColumns] = {0, 72, 72, 110, 230};
constexpr int kLeastLineWidthAt96Dpi = 160;
constexpr int kMarginAt96Dpi = 4;
// WM_DPICHANGED_AFTERPARENT: the pane is a child of Explorer's window.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

bool registerPaneClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(g_shellModule, kPaneClass, &windowClass)) {
        return true;
    }
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = g_shellModule;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kPaneClass;
    return RegisterClassExW(&windowClass) != 0;
}

// The summary's lines end in CR LF, as an edit box breaks lines. Names of a
// damaged package may hold control characters, which have nothing to show and
// which Wine's edit box crashes on: they show as U+FFFD.
std::wstring editText(const std::string& utf8) {
    std::wstring text;
    for (wchar_t c : widen(utf8.c_str())) {
        if (c == L'\n') {
            text += L"\r\n";
        } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            text += L'\xFFFD';
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

HINSTANCE g_shellModule = nullptr;

PreviewPane::~PreviewPane() {
    destroy();
}

bool PreviewPane::create(HWND parent, const RECT& rect, const std::string& summary,
                         std::shared_ptr<const Package> package) {
    destroy();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!registerPaneClass()) {
        return false;
    }
    window_ = CreateWindowExW(0, kPaneClass, L"", WS_CHILD | WS_CLIPCHILDREN, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                              g_shellModule, nullptr);
    if (window_ == nullptr) {
        return false;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure));
    createChildren(summary);
    if (package && list_ != nullptr) {
        rows_.show(std::move(package), false, GetThreadLocale());
        addColumns();
        SendMessageW(list_, LVM_SETITEMCOUNT, rows_.count(), LVSICF_NOSCROLL);
    }
    applyFont();
    ShowWindow(window_, SW_SHOW);
    return true;
}

void PreviewPane::createChildren(const std::string& summary) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    summary_ = CreateWindowExW(0, L"EDIT", editText(summary).c_str(),
                               child | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                                   ES_AUTOVSCROLL,
                               0, 0, 0, 0, window_, nullptr, g_shellModule, nullptr);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            child | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
                            0, 0, 0, window_, nullptr, g_shellModule, nullptr);
    if (list_ != nullptr) {
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    }
}

void PreviewPane::addColumns() {
    for (int column = 0; column < rows_.columnCount(); ++column) {
        std::wstring title = widen(programText(IdsColumnBase + column));
        LVCOLUMNW item = {};
        item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        item.fmt = column == ColumnSize || column == ColumnStored ? LVCFMT_RIGHT : LVCFMT_LEFT;
        item.cx = pixelsFor(window_, kColumnWidthsAt96Dpi[column]);
        item.pszText = &title[0];
        item.iSubItem = column;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
    }
}

// The system's message font at the window's DPI.
void PreviewPane::applyFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return;
    }
    HDC screen = GetDC(nullptr);
    const int systemDpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight =
        MulDiv(font.lfHeight, static_cast<int>(windowDpi(window_)), systemDpi > 0 ? systemDpi : 96);
    HFONT made = CreateFontIndirectW(&font);
    if (made == nullptr) {
        return;
    }
    for (HWND control : {summary_, list_}) {
        if (control != nullptr) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
        }
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    font_ = made;
    layout();
}

// The summary takes the upper part, as much as it needs up to two fifths
// when there are lines to list; the list the rest.
void PreviewPane::layout() {
    RECT client = {};
    GetClientRect(window_, &client);
    const int margin = pixelsFor(window_, kMarginAt96Dpi);
    const int width = client.right - 2 * margin > 0 ? client.right - 2 * margin : 0;
    const int height = client.bottom - 2 * margin > 0 ? client.bottom - 2 * margin : 0;
    const bool listed = rows_.count() > 0;
    const int summaryHeight = listed ? height * 2 / 5 : height;
    MoveWindow(summary_, margin, margin, width, summaryHeight, TRUE);
    if (list_ == nullptr) {
        return;
    }
    ShowWindow(list_, listed ? SW_SHOW : SW_HIDE);
    MoveWindow(list_, margin, margin * 2 + summaryHeight, width,
               height - summaryHeight - margin > 0 ? height - summaryHeight - margin : 0, TRUE);
    int others = 0;
    for (int column = 1; column < rows_.columnCount(); ++column) {
        others += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, column, 0));
    }
    const int least = pixelsFor(window_, kLeastLineWidthAt96Dpi);
    const int first = width - others - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, first > least ? first : least);
}

void PreviewPane::destroy() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    window_ = summary_ = list_ = nullptr;
    if (font_ != nullptr) {
        DeleteObject(font_);
        font_ = nullptr;
    }
    rows_.clear();
}

void PreviewPane::setParent(HWND parent, const RECT& rect) {
    if (window_ != nullptr) {
        SetParent(window_, parent);
        move(rect);
    }
}

void PreviewPane::move(const RECT& rect) {
    if (window_ != nullptr) {
        SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PreviewPane::focus() {
    if (summary_ != nullptr) {
        SetFocus(summary_);
    }
}

bool PreviewPane::onListNotify(const NMHDR& header) {
    if (header.hwndFrom != list_ || header.code != LVN_GETDISPINFOW) {
        return false;
    }
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        rows_.cellText(static_cast<size_t>(item.iItem), item.iSubItem, item.pszText,
                       static_cast<size_t>(item.cchTextMax));
    }
    return true;
}

LRESULT CALLBACK PreviewPane::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pane = reinterpret_cast<PreviewPane*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (pane == nullptr || pane->window_ != window) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return pane->handle(message, wParam, lParam);
}

LRESULT PreviewPane::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_NOTIFY:
        if (onListNotify(*reinterpret_cast<const NMHDR*>(lParam))) {
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: // a read-only edit box: on the window's colour, not a dialog's
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_SETTINGCHANGE:
    case kDpiChangedAfterParent:
        applyFont();
        return 0;
    case WM_NCDESTROY: { // destroyed with Explorer's window: keep no handle that may name another
        HWND window = window_;
        window_ = summary_ = list_ = nullptr;
        rows_.clear();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_SYSCOLORCHANGE:
        if (list_ != nullptr) {
            SendMessageW(list_, WM_SYSCOLORCHANGE, 0, 0);
        }
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}
