#include "tests/win/app/layout_checks.h"

#include <gtest/gtest.h>

#include "common/resource_ids.h"
#include "tests/win/support/ui_driver.h"

namespace {

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool isClass(HWND window, const wchar_t* name) {
    return _wcsicmp(classOf(window).c_str(), name) == 0;
}

LONG buttonType(HWND window) {
    return GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
}

bool isGroupBox(HWND window) {
    return isClass(window, L"Button") && buttonType(window) == BS_GROUPBOX;
}

std::wstring shownText(HWND control) {
    std::wstring text = windowText(control);
    if (!isClass(control, L"Button") && !isClass(control, L"Static"))
        return text;
    // A mnemonic's ampersand is not drawn.
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

SIZE extentIn(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

// The width a control has for its text, by kind: what its frame, margins,
// check mark or caption indent leave of its client area.
int roomForText(HWND control, const RECT& client) {
    const int edge = GetSystemMetrics(SM_CXEDGE);
    if (isClass(control, L"Edit")) {
        const LRESULT margins = SendMessageW(control, EM_GETMARGINS, 0, 0);
        return client.right - LOWORD(margins) - HIWORD(margins);
    }
    if (!isClass(control, L"Button"))
        return client.right;
    switch (buttonType(control)) {
    case BS_GROUPBOX:
        // The caption starts one character in and keeps one clear of the far edge.
        return client.right - 2 * extentIn(control, L"0").cx;
    case BS_AUTOCHECKBOX:
    case BS_AUTORADIOBUTTON:
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - edge;
    default:
        return client.right - 4 * edge;
    }
}

// A scrolling path box may hold more than it shows; every other text must fit.
bool textMustFit(HWND control) {
    if (!isClass(control, L"Edit"))
        return isClass(control, L"Static") || isClass(control, L"Button");
    return (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0;
}

void expectTextFits(HWND dialog, HWND control) {
    const std::wstring text = shownText(control);
    if (text.empty() || !textMustFit(control))
        return;
    RECT client;
    GetClientRect(control, &client);
    const SIZE extent = extentIn(control, text);
    EXPECT_LE(extent.cx, roomForText(control, client)) << describe(dialog, control);
    EXPECT_LE(extent.cy, client.bottom) << describe(dialog, control);
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const RECT& a, const RECT& b) {
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

} // namespace

RECT rectIn(HWND dialog, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string describe(HWND dialog, HWND child) {
    const RECT r = rectIn(dialog, child);
    return utf8(classOf(child)) + " \"" + utf8(windowText(child)) + "\" id " +
           std::to_string(GetDlgCtrlID(child)) + " at " + std::to_string(r.left) + "," +
           std::to_string(r.top) + "-" + std::to_string(r.right) + "," + std::to_string(r.bottom);
}

std::vector<HWND> visibleChildren(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            children.push_back(child);
    return children;
}

// Every control inside the client area, inside or clear of every group and
// over no other; group boxes side by side, never one over another.
void expectControlsInPlace(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    const std::vector<HWND> children = visibleChildren(dialog);
    ASSERT_FALSE(children.empty());
    for (HWND child : children) {
        const RECT rect = rectIn(dialog, child);
        EXPECT_TRUE(inside(rect, client)) << describe(dialog, child);
        for (HWND other : children) {
            const RECT otherRect = rectIn(dialog, other);
            const bool framed = (isGroupBox(other) && inside(rect, otherRect)) ||
                                (isGroupBox(child) && inside(otherRect, rect));
            if (other == child || framed)
                continue;
            EXPECT_FALSE(overlap(rect, otherRect))
                << describe(dialog, child) << " over " << describe(dialog, other);
        }
    }
}

void expectTextsFit(HWND dialog) {
    for (HWND child : visibleChildren(dialog))
        expectTextFits(dialog, child);
}

void expectLaidOutWithoutClipping(HWND dialog) {
    expectControlsInPlace(dialog);
    expectTextsFit(dialog);
}

namespace {

const int kButtons[] = {IDC_OPEN, IDC_EXTRACT, IDC_DETAILS, IDC_SETTINGS, IDC_ABOUT, IDC_EXIT};

RECT itemRect(HWND window, int id) {
    return rectIn(window, GetDlgItem(window, id));
}

SIZE clientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

int fontHeight(HWND control) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfHeight;
}

} // namespace

void expectMainWindowGrows(HWND window, SIZE by) {
    const SIZE before = clientSize(window);
    const int growing[] = {IDC_FILE_LIST, IDC_GROUP_FILES};
    const RECT grew[] = {itemRect(window, growing[0]), itemRect(window, growing[1])};
    const RECT offsets = itemRect(window, IDC_GROUP_OFFSETS);
    const RECT button = itemRect(window, IDC_EXIT);
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + by.cx,
                 frame.bottom - frame.top + by.cy, SWP_NOZORDER);
    // The screen may hold back part of it.
    const SIZE after = clientSize(window);
    by = {after.cx - before.cx, after.cy - before.cy};
    ASSERT_GT(by.cx, 0);
    ASSERT_GT(by.cy, 0);
    for (int i = 0; i < 2; ++i) {
        const RECT now = itemRect(window, growing[i]);
        EXPECT_EQ(now.right - now.left, grew[i].right - grew[i].left + by.cx) << growing[i];
        EXPECT_EQ(now.bottom - now.top, grew[i].bottom - grew[i].top + by.cy) << growing[i];
        EXPECT_EQ(now.top, grew[i].top) << growing[i];
    }
    EXPECT_EQ(after.cx - itemRect(window, IDC_GROUP_OFFSETS).right, before.cx - offsets.right);
    for (int id : kButtons) {
        const RECT now = itemRect(window, id);
        EXPECT_EQ(now.top, itemRect(window, IDC_OPEN).top) << id;
        EXPECT_EQ(after.cy - now.bottom, before.cy - button.bottom) << id;
    }
    expectLaidOutWithoutClipping(window);
}

void expectKeepsItsLayoutAtDpi(HWND window, UINT fromDpi, UINT dpi) {
    HWND button = GetDlgItem(window, IDC_OPEN);
    const RECT before = rectIn(window, button);
    const int font = fontHeight(button);
    RECT suggested;
    GetWindowRect(window, &suggested);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, dpi, fromDpi);
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, dpi, fromDpi);
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    const RECT after = rectIn(window, button);
    EXPECT_NEAR(after.bottom - after.top, MulDiv(before.bottom - before.top, dpi, fromDpi), 1);
    EXPECT_NEAR(fontHeight(button), font * static_cast<int>(dpi) / static_cast<int>(fromDpi), 1);
    expectLaidOutWithoutClipping(window);
}
