#include "display/details_window.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "display/text.h"
#include "package/source/certificate_files.h"

namespace {

// Where each control sits against the client area's edges, taken when the
// window opens, so that a resize keeps margins in pixels at any DPI.
struct Anchored {
    int id;
    bool growsWide;
    bool growsTall;
    bool keepsRight; // moves with the right edge rather than the left
    RECT start;
};

struct DetailsWindow {
    DetailsDialogSetup setup;
    SIZE startClient;
    SIZE minimumWindow;
    std::vector<Anchored> controls;
};

// The template's client area in dialog units (app/details_dialog.rc).
constexpr int kTemplateWidth = 360;
constexpr int kTemplateHeight = 260;

DetailsWindow* windowOf(HWND dialog) {
    return reinterpret_cast<DetailsWindow*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

RECT clientRectOf(HWND dialog, int id) {
    RECT r = {};
    HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void fillTree(HWND tree, const PackageDetails& details) {
    HTREEITEM first = nullptr;
    for (const DetailSection& section : details.sections) {
        const std::wstring heading = widen(section.heading.c_str());
        TVINSERTSTRUCTW item = {};
        item.hParent = TVI_ROOT;
        item.hInsertAfter = TVI_LAST;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<wchar_t*>(heading.c_str());
        HTREEITEM parent = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (const DetailLine& line : section.lines) {
            const std::wstring text = widen((line.label + ": " + line.value).c_str());
            item.hParent = parent;
            item.item.pszText = const_cast<wchar_t*>(text.c_str());
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        first = first != nullptr ? first : parent;
    }
    // The window opens at the top of the details, not at the last line added.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(first));
}

void onSize(HWND dialog, int width, int height) {
    const DetailsWindow* window = windowOf(dialog);
    if (window == nullptr)
        return;
    const int dx = width - window->startClient.cx;
    const int dy = height - window->startClient.cy;
    for (const Anchored& a : window->controls) {
        RECT r = a.start;
        if (a.growsWide)
            r.right += dx;
        if (a.keepsRight)
            OffsetRect(&r, dx, 0);
        if (a.growsTall)
            r.bottom += dy;
        else
            OffsetRect(&r, 0, dy);
        MoveWindow(GetDlgItem(dialog, a.id), r.left, r.top, r.right - r.left, r.bottom - r.top,
                   TRUE);
    }
}

void onInit(HWND dialog, LPARAM parameter) {
    auto* window =
        new DetailsWindow{*reinterpret_cast<const DetailsDialogSetup*>(parameter), {}, {}, {}};
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    // The controls stand where the template puts them, for the client area it
    // asks for; on a screen too small the system gives less, and the first
    // layout below makes up for it.
    RECT design = {0, 0, kTemplateWidth, kTemplateHeight};
    MapDialogRect(dialog, &design);
    window->startClient = {design.right, design.bottom};
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    window->minimumWindow = {frame.right - frame.left, frame.bottom - frame.top};
    window->controls = {{IDC_DETAILS_TREE, true, true, false, {}},
                        {IDC_DETAILS_COPY, false, false, false, {}},
                        {IDC_DETAILS_SAVE, false, false, false, {}},
                        {IDCANCEL, false, false, true, {}}};
    for (Anchored& a : window->controls)
        a.start = clientRectOf(dialog, a.id);
    RECT client = {};
    GetClientRect(dialog, &client);
    onSize(dialog, client.right, client.bottom);
    fillTree(GetDlgItem(dialog, IDC_DETAILS_TREE), *window->setup.details);
    EnableWindow(GetDlgItem(dialog, IDC_DETAILS_SAVE),
                 !window->setup.details->certificates.empty());
}

void onSaveCertificates(HWND dialog) {
    DetailsWindow* window = windowOf(dialog);
    std::string folder;
    if (!window->setup.display->chooseFolder("Save the certificates in...", &folder))
        return;
    saveCertificates(*window->setup.details, folder.c_str());
}

void onCommand(HWND dialog, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED)
        return;
    switch (LOWORD(wParam)) {
    case IDC_DETAILS_COPY:
        copyTextToClipboard(dialog, detailsText(*windowOf(dialog)->setup.details));
        break;
    case IDC_DETAILS_SAVE:
        onSaveCertificates(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    default:
        break;
    }
}

} // namespace

bool copyTextToClipboard(HWND owner, const std::string& text) {
    const std::wstring wide = widen(text.c_str());
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        return false;
    std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed)
        GlobalFree(memory);
    return placed;
}

INT_PTR CALLBACK detailsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInit(dialog, lParam);
        return TRUE;
    case WM_SIZE:
        onSize(dialog, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        if (const DetailsWindow* window = windowOf(dialog))
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {window->minimumWindow.cx,
                                                                     window->minimumWindow.cy};
        return TRUE;
    case WM_COMMAND:
        onCommand(dialog, wParam);
        return TRUE;
    case WM_DESTROY:
        delete windowOf(dialog);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
        return TRUE;
    default:
        return FALSE;
    }
}
