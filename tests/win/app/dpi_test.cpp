// The windows at the display's DPI: every control inside its window and its
// group, none over another, and every text within its control, at 96, 144 and
// 192 DPI, the main window at its smallest and at a large size, and moved to
// a monitor of another DPI. The DPI is read once when a process starts, so each DPI runs the
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
#include "tests/win/app/layout_checks.h"

namespace {

namespace fs = std::filesystem;

const char kExpectedDpiVariable[] = "VORANDECK_EXPECT_DPI";

UINT systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
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
    // The details window at its smallest, then enlarged as far as the screen
    // lets it: the tree takes all the room it gains.
    ui.onDialog([](HWND details) {
        expectLaidOutWithoutClipping(details);
        const RECT before = rectIn(details, GetDlgItem(details, IDC_DETAILS_TREE));
        RECT small;
        GetWindowRect(details, &small);
        SetWindowPos(details, nullptr, 0, 0, small.right - small.left + 300,
                     small.bottom - small.top + 200, SWP_NOZORDER);
        RECT large;
        GetWindowRect(details, &large);
        expectLaidOutWithoutClipping(details);
        const RECT after = rectIn(details, GetDlgItem(details, IDC_DETAILS_TREE));
        EXPECT_EQ((after.right - after.left) - (before.right - before.left),
                  (large.right - large.left) - (small.right - small.left));
        EXPECT_EQ((after.bottom - after.top) - (before.bottom - before.top),
                  (large.bottom - large.top) - (small.bottom - small.top));
        PostMessageW(details, WM_COMMAND, IDCANCEL, 0);
    });
    clickButton(window_, IDC_LANGUAGES);
    clickButton(window_, IDC_SETTINGS);
    clickButton(window_, IDC_DETAILS);
    EXPECT_EQ(ui.dialogCaptions().size(), 3u);

    // From its smallest size to a large one, then on a monitor of another DPI.
    expectMainWindowGrows(window_, {MulDiv(500, dpi, 96), MulDiv(400, dpi, 96)});
    expectKeepsItsLayoutAtDpi(window_, dpi, dpi == 192 ? 96 : dpi + 48);
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
