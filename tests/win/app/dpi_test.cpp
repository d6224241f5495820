// The windows at the display's DPI: every control inside its window and its
// group, none over another, and every text within its control, at 96, 144 and
// 192 DPI. The DPI is read once when a process starts, so each DPI runs the
// same check in a child process started with the prefix's LogPixels set.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/resource_ids.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;

const char kExpectedDpiVariable[] = "VORANDECK_EXPECT_DPI";

UINT systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

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

// The browse button takes its width from the edit's client area.
int browseButtonWidth(HWND edit) {
    RECT window;
    RECT client;
    GetWindowRect(edit, &window);
    GetClientRect(edit, &client);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(edit, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(edit, GWL_EXSTYLE)));
    return (window.right - window.left) - client.right - (frame.right - frame.left);
}

// The widest texts the panel shows: every real package's, and a damaged copy's.
std::vector<std::wstring> packagesToShow(const TempFolder& folder) {
    std::vector<std::wstring> paths;
    const std::string real = realPackageFolder();
    for (const std::string& name : realPackageNames())
        paths.push_back(
            fs::absolute(fs::u8path(real) / fs::u8path(name)).make_preferred().wstring());
    const std::wstring damaged = folder.path() + L"\\damaged.sis";
    writePackage(damaged, demoPackage()); // it stores no check word: shown as damaged
    paths.push_back(damaged);
    return paths;
}

class LaidOutAtTheSystemDpi : public MainWindowTest {};

TEST_F(LaidOutAtTheSystemDpi, NothingClippedOrOverlapping) {
    const UINT dpi = systemDpi();
    if (const char* expected = std::getenv(kExpectedDpiVariable)) {
        ASSERT_EQ(dpi, static_cast<UINT>(std::stoul(expected))) << "the child runs at another DPI";
    }
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");

    expectControlsInPlace(window_);
    TempFolder folder;
    for (const std::wstring& path : packagesToShow(folder)) {
        SCOPED_TRACE(utf8(path));
        UiScript ui;
        openWidePath(window_, path.c_str());
        ASSERT_TRUE(ui.boxes().empty());
        expectTextsFit(window_);
    }
    EXPECT_NE(itemText(window_, IDC_CALC_CRC).find(L" (damaged)"), std::wstring::npos);

    UiScript ui;
    ui.onDialog([](HWND languages) {
        expectLaidOutWithoutClipping(languages);
        clickButton(languages, IDOK);
    });
    ui.onDialog([dpi](HWND settings) {
        expectLaidOutWithoutClipping(settings);
        EXPECT_EQ(browseButtonWidth(GetDlgItem(settings, IDC_DEST_DIR)), MulDiv(18, dpi, 96));
        PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
    });
    clickButton(window_, IDC_LANGUAGES);
    clickButton(window_, IDC_SETTINGS);
    EXPECT_EQ(ui.dialogCaptions().size(), 2u);
}

// LogPixels of the prefix's desktop, set for as long as the object lives.
class ScopedLogPixels {
  public:
    explicit ScopedLogPixels(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        hadValue_ = RegQueryValueExW(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_),
                                     &size) == ERROR_SUCCESS;
        set(dpi);
    }
    ~ScopedLogPixels() {
        if (hadValue_)
            set(old_);
        else
            RegDeleteValueW(key_, kValue);
        RegCloseKey(key_);
    }
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

  private:
    void set(DWORD dpi) {
        RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }

    static constexpr const wchar_t* kValue = L"LogPixels";
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool hadValue_ = false;
};

std::string fileText(const std::wstring& path) {
    std::ifstream in{fs::path(path)};
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WindowsAtEveryDpi, LaidOutWithoutClippingInAProcessOfTheirOwn) {
    TempFolder folder;
    for (DWORD dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const std::wstring output = folder.path() + L"\\child-" + std::to_wstring(dpi) + L".txt";
        SetEnvironmentVariableA(kExpectedDpiVariable, std::to_string(dpi).c_str());
        long exitCode = -1;
        {
            ScopedLogPixels logPixels(dpi);
            ChildProcess child(
                L"\"" + thisExecutable() + L"\" --gtest_filter=LaidOutAtTheSystemDpi.*", output);
            ASSERT_TRUE(child.started());
            exitCode = child.waitForExit(180000);
        }
        SetEnvironmentVariableA(kExpectedDpiVariable, nullptr);
        EXPECT_EQ(exitCode, 0) << fileText(output);
    }
}

} // namespace
