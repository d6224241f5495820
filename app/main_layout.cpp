#include "app/main_layout.h"

#include <algorithm>
#include <vector>

#include "app/globals.h"
#include "common/dpi.h"
#include "common/resource_ids.h"

namespace {

// What a control does as the window grows by dx and dy.
enum Anchor : unsigned {
    Stays = 0,
    MovesRight = 1,     // by dx
    StretchesRight = 2, // its right edge by dx
    Centred = 4,        // by dx / 2
    MovesDown = 8,      // by dy
    StretchesDown = 16, // its bottom edge by dy
};

struct Rule {
    int id;
    unsigned anchor;
};

// Controls not named here stay, except those right of the Install Info group,
// the right-hand column, which goes with the right edge.
const Rule kRules[] = {
    {IDC_GROUP_GENERAL, StretchesRight},
    {IDC_PATH, StretchesRight},
    {IDC_GROUP_UID, StretchesRight},
    {IDC_GROUP_INSTALL, StretchesRight},
    {IDC_PROGRESS, StretchesRight},
    {IDC_GROUP_FILES, StretchesRight | StretchesDown},
    {IDC_FILE_LIST, StretchesRight | StretchesDown},
    {IDC_OPEN, Centred | MovesDown},
    {IDC_EXTRACT, Centred | MovesDown},
    {IDC_DETAILS, Centred | MovesDown},
    {IDC_SETTINGS, Centred | MovesDown},
    {IDC_ABOUT, Centred | MovesDown},
    {IDC_EXIT, Centred | MovesDown},
};

struct Placed {
    HWND control;
    RECT smallest; // in the client area at the smallest size, at baseDpi
    unsigned anchor;
};

struct Layout {
    UINT baseDpi = kDefaultDpi;
    UINT dpi = kDefaultDpi;
    SIZE smallest = {}; // the client area at the smallest size, at baseDpi
    LOGFONTW baseFont = {};
    HFONT font = nullptr; // made for a DPI other than baseDpi
    std::vector<Placed> controls;
};

const wchar_t kLayoutProperty[] = L"Vorandeck.Layout";

Layout* layoutOf(HWND window) {
    return static_cast<Layout*>(GetPropW(window, kLayoutProperty));
}

RECT rectIn(HWND window, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

unsigned anchorOf(int id, const RECT& rect, LONG rightColumn) {
    for (const Rule& rule : kRules)
        if (rule.id == id)
            return rule.anchor;
    return rect.left >= rightColumn ? MovesRight : Stays;
}

int scaled(const Layout& layout, LONG length) {
    return MulDiv(length, static_cast<int>(layout.dpi), static_cast<int>(layout.baseDpi));
}

RECT placeFor(const Layout& layout, const Placed& placed, int dx, int dy) {
    RECT r = {scaled(layout, placed.smallest.left), scaled(layout, placed.smallest.top),
              scaled(layout, placed.smallest.right), scaled(layout, placed.smallest.bottom)};
    const unsigned a = placed.anchor;
    const int right = (a & MovesRight) ? dx : (a & Centred) ? dx / 2 : 0;
    OffsetRect(&r, right, (a & MovesDown) ? dy : 0);
    r.right += (a & StretchesRight) ? dx : 0;
    r.bottom += (a & StretchesDown) ? dy : 0;
    return r;
}

// The window keeps the layout of its own making when its DPI changes: the
// dialog manager's own scaling, of Windows 10 1703 and later, is turned off.
void takeOverDpiScaling(HWND window) {
    using DialogBehaviour = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehaviour = reinterpret_cast<DialogBehaviour>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    const int disableAll = 1; // DDC_DISABLE_ALL
    if (setBehaviour != nullptr)
        setBehaviour(window, disableAll, disableAll);
}

// The client area the template gives, in pixels: a window larger than the
// screen may have been made smaller than that before the dialog initialised.
SIZE templateClientSize(HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    const LPCWSTR dialogType = MAKEINTRESOURCEW(5); // RT_DIALOG, whatever UNICODE says
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_MAIN), dialogType);
    const auto* words = found != nullptr
                            ? static_cast<const WORD*>(LockResource(LoadResource(instance, found)))
                            : nullptr;
    if (words == nullptr)
        return {0, 0};
    // DIALOGEX: version, 0xFFFF, help id, extended style, style, count, x, y, cx, cy.
    const bool extended = words[1] == 0xFFFF;
    const WORD* size = words + (extended ? 11 : 7);
    RECT units = {0, 0, static_cast<short>(size[0]), static_cast<short>(size[1])};
    MapDialogRect(window, &units);
    return {units.right, units.bottom};
}

// Makes the window as large as its template where it is smaller, about the same centre.
void growToTemplate(HWND window, SIZE smallest) {
    RECT client;
    GetClientRect(window, &client);
    if (client.right >= smallest.cx && client.bottom >= smallest.cy)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = (frame.right - frame.left) - client.right + smallest.cx;
    const int height = (frame.bottom - frame.top) - client.bottom + smallest.cy;
    SetWindowPos(window, nullptr, (frame.left + frame.right - width) / 2,
                 (frame.top + frame.bottom - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void setFont(const Layout& layout, HFONT font) {
    for (const Placed& placed : layout.controls)
        SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

void captureLayout(HWND window) {
    auto* layout = new Layout;
    layout->baseDpi = layout->dpi = windowDpi(window);
    layout->smallest = templateClientSize(window);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    GetObjectW(font, sizeof layout->baseFont, &layout->baseFont);
    const LONG rightColumn = rectIn(window, GetDlgItem(window, IDC_GROUP_INSTALL)).right;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = rectIn(window, child);
        layout->controls.push_back({child, rect, anchorOf(GetDlgCtrlID(child), rect, rightColumn)});
    }
    SetPropW(window, kLayoutProperty, layout);
    takeOverDpiScaling(window);
    growToTemplate(window, layout->smallest);
}

void releaseLayout(HWND window) {
    Layout* layout = layoutOf(window);
    RemovePropW(window, kLayoutProperty);
    if (layout == nullptr)
        return;
    if (layout->font != nullptr)
        DeleteObject(layout->font);
    delete layout;
}

void layoutControls(HWND window) {
    const Layout* layout = layoutOf(window);
    RECT client;
    GetClientRect(window, &client);
    if (layout == nullptr || IsIconic(window))
        return;
    // Smaller than the template (maximised on a small screen) the controls keep
    // their smallest layout, and what does not fit is cut at the window's edge.
    const int dx = std::max<int>(0, client.right - scaled(*layout, layout->smallest.cx));
    const int dy = std::max<int>(0, client.bottom - scaled(*layout, layout->smallest.cy));
    HDWP moves = BeginDeferWindowPos(static_cast<int>(layout->controls.size()));
    for (const Placed& placed : layout->controls) {
        const RECT r = placeFor(*layout, placed, dx, dy);
        if (moves != nullptr)
            moves = DeferWindowPos(moves, placed.control, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves != nullptr)
        EndDeferWindowPos(moves);
    gDisplay.fitFileColumns();
    // Group boxes paint only their frame: what they framed before must go.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void limitTrackSize(HWND window, MINMAXINFO* info) {
    const Layout* layout = layoutOf(window);
    if (layout == nullptr)
        return;
    RECT frame;
    RECT client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    info->ptMinTrackSize.x =
        scaled(*layout, layout->smallest.cx) + (frame.right - frame.left) - client.right;
    info->ptMinTrackSize.y =
        scaled(*layout, layout->smallest.cy) + (frame.bottom - frame.top) - client.bottom;
    // At a high DPI on a small screen the smallest size is larger than the screen.
    info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, info->ptMinTrackSize.x);
    info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, info->ptMinTrackSize.y);
}

void changeDpi(HWND window, UINT dpi, const RECT& suggested) {
    Layout* layout = layoutOf(window);
    if (layout == nullptr || dpi == 0)
        return;
    const UINT fromDpi = layout->dpi;
    layout->dpi = dpi;
    HFONT old = layout->font;
    layout->font = nullptr;
    if (dpi == layout->baseDpi) {
        setFont(*layout, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    } else {
        LOGFONTW font = layout->baseFont;
        // Rounded toward zero, as the dialog manager makes the template's font
        // for a DPI: rounded up, a text could pass the control scaled for it.
        font.lfHeight = font.lfHeight * static_cast<LONG>(dpi) / static_cast<LONG>(layout->baseDpi);
        layout->font = CreateFontIndirectW(&font);
        setFont(*layout, layout->font);
    }
    if (old != nullptr)
        DeleteObject(old);
    gDisplay.scaleFileColumns(fromDpi, dpi);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The suggested size may be the one the window has: no WM_SIZE then.
    layoutControls(window);
}
