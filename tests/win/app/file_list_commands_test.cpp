// The file list as the user works it: sorted as a sorted list box was, rows
// selected, copied and extracted, packages inside packages opened and left,
// the list's menu, and the window's keys.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/resource_ids.h"
#include "tests/support/json_reader.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::JsonValue;

std::wstring sharedPath(const std::string& folder, const std::string& name) {
    return fs::absolute(fs::u8path(sharedPackageFolder(folder)) / fs::u8path(name))
        .make_preferred()
        .wstring();
}

JsonValue expectedFor(const std::string& folder, const std::string& name) {
    JsonValue expected;
    std::string error;
    testsupport::readJsonFile(sharedPackageFolder(folder) + "/expected/" + name + ".json",
                              &expected, &error);
    return expected;
}

std::vector<std::wstring> expectedLines(const JsonValue& expected) {
    std::vector<std::wstring> lines;
    for (const JsonValue& line : expected["lines"].items)
        lines.push_back(wide(line.text));
    return lines;
}

void selectRows(HWND window, const std::vector<int>& rows) {
    HWND list = fileList(window);
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    for (int row : rows) {
        item.state = row == rows.front() ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
    SetFocus(list);
}

int componentRow(HWND window) {
    const std::vector<std::wstring> lines = fileListLines(window);
    const auto found = std::find_if(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.rfind(L"File is a component: ", 0) == 0;
    });
    return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}

// A key pressed with Ctrl or Shift held, as the keyboard's state says.
void pressHolding(HWND window, UINT modifier, UINT key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[modifier] = 0x80;
    SetKeyboardState(keys);
    pressKey(window, key);
    keys[modifier] = 0;
    SetKeyboardState(keys);
}

void pressAlt(HWND window, UINT key) {
    HWND target = GetFocus() != nullptr ? GetFocus() : window;
    PostMessageW(target, WM_SYSKEYDOWN, key, 1 | (1u << 29));
    PostMessageW(target, WM_SYSKEYUP, key, 1 | (1u << 29) | 0xC0000000u);
    pumpMain(window, 100);
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::vector<std::wstring> menuSeen;

// Reads the menu once it is up, "text" or "text (grayed)" an item, and closes it.
void CALLBACK readMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    const UINT getMenu = 0x01E1; // MN_GETHMENU
    HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageW(popup, getMenu, 0, 0)) : nullptr;
    if (menu == nullptr)
        return;
    KillTimer(nullptr, timer);
    for (UINT i = 0; i < static_cast<UINT>(GetMenuItemCount(menu)); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        const bool grayed = (GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0;
        menuSeen.push_back(std::wstring(text) + (grayed ? L" (grayed)" : L""));
    }
    EndMenu();
}

// The items of the list's menu as the menu key opens it; closed without a choice.
std::vector<std::wstring> menuItems(HWND window) {
    menuSeen.clear();
    SetTimer(nullptr, 0, 50, readMenu);
    pressKey(window, VK_APPS);
    return menuSeen;
}

// A package of the older format holding the demo package as its component.
sis::Package holdingDemo() {
    sis::Package package;
    package.records = {
        sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a")),
        sis::simpleFile(2, "D:\\build\\demo.sis", "C:\\demo.sis", sis::build(demoPackage()).bytes),
    };
    return package;
}

class FileListCommands : public MainWindowTest {
  protected:
    void openDemoHolder() {
        path_ = folder_.path() + L"\\holder.sis";
        writePackage(path_, holdingDemo());
        openWidePath(window_, path_.c_str());
    }
    TempFolder folder_;
    TempFolder out_;
    std::wstring path_;
};

TEST_F(FileListCommands, SortedAsASortedListBoxSortsEverySharedPackage) {
    gSettings.SortFiles = 1;
    recreateWindow();
    for (const char* folder : {"real", "sisx"}) {
        for (const std::string& name : testsupport::packageNamesIn(sharedPackageFolder(folder))) {
            SCOPED_TRACE(name);
            UiScript ui;
            openWidePath(window_, sharedPath(folder, name).c_str());
            EXPECT_EQ(fileListLines(window_),
                      inSortedListBox(expectedLines(expectedFor(folder, name))));
        }
    }
}

TEST_F(FileListCommands, ExtractSelectedWritesThoseFilesOnly) {
    const std::string name = "skyexplorer-skyexplorer.sis";
    if (sharedPackageFolder("real").empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    gSettings.DefaultDest = IDC_DEST_FIXED;
    setDestDir(out_.pathUtf8());
    UiScript ui;
    openWidePath(window_, sharedPath("real", name).c_str());
    selectRows(window_, {2, 5}); // sets.py and SkyExplorer.app; row 0 is the component
    SendMessageW(window_, WM_COMMAND, IDM_EXTRACT_SELECTED, 0);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, L"2 Files extracted!");
    EXPECT_EQ(progressMaximum(window_), 2);
    EXPECT_EQ(progressPosition(window_), 2);
    std::map<std::string, std::string> wanted;
    const JsonValue expected = expectedFor("real", name);
    for (const JsonValue& file : expected["extract"].items)
        wanted[file["path"].text] = file["sha256"].text;
    const std::vector<WrittenFile> written = filesBelow(out_.path());
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].path, "system/apps/SkyExplorer/SkyExplorer.app");
    EXPECT_EQ(written[1].path, "system/libs/sets.py");
    for (const WrittenFile& file : written)
        EXPECT_EQ(file.sha256, wanted[file.path]) << file.path;
}

TEST_F(FileListCommands, PackagesInsideOpenAndExtractAsOnTheirOwn) {
    const struct {
        const char* folder;
        const char* name;
        const wchar_t* inner;
    } cases[] = {
        {"real", "skyexplorer-skyexplorer_2ndEd_1.0.3.sis", L"applist.sis"},
        {"sisx", "appinstall-teststartlistembedded_1.sis", L"TestStartListEmbedded"},
        {"sisx", "appinstall-ocsprevocation.sis", L"Application to Install-sub1"},
    };
    if (sharedPackageFolder("real").empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    gSettings.DefaultDest = IDC_DEST_FIXED;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring outer = sharedPath(c.folder, c.name);
        UiScript ui;
        TempFolder component;
        TempFolder alone;
        TempFolder inside;
        openWidePath(window_, outer.c_str());
        const std::vector<std::wstring> outerLines = fileListLines(window_);
        const int row = componentRow(window_);
        selectRows(window_, {row});
        std::vector<WrittenFile> expected;
        std::vector<std::wstring> expectedInnerLines;
        if (std::string(c.folder) == "real") {
            // The component written out, then opened and extracted on its own.
            setDestDir(component.pathUtf8());
            SendMessageW(window_, WM_COMMAND, IDM_EXTRACT_SELECTED, 0);
            const std::wstring written = component.path() + L"\\" + c.inner;
            openWidePath(window_, written.c_str());
            expectedInnerLines = fileListLines(window_);
            setDestDir(alone.pathUtf8());
            clickButton(window_, IDC_EXTRACT);
            expected = filesBelow(alone.path());
            openWidePath(window_, outer.c_str());
            selectRows(window_, {row});
        }
        pressKey(window_, VK_RETURN);
        EXPECT_EQ(itemText(window_, IDC_PATH), outer + L" > " + c.inner);
        EXPECT_TRUE(isEnabled(window_, IDC_BACK));
        if (expected.empty()) {
            // The outer package's expectations of the inner package's files.
            expectedInnerLines = fileListLines(window_);
            const JsonValue outerExpected = expectedFor(c.folder, c.name);
            for (const JsonValue& file : outerExpected["extract"].items)
                if (std::count(expectedInnerLines.begin(), expectedInnerLines.end(),
                               wide(file["name"].text)) > 0)
                    expected.push_back({file["path"].text,
                                        static_cast<uint64_t>(file["size"].number),
                                        file["sha256"].text});
            std::sort(expected.begin(), expected.end(),
                      [](const WrittenFile& a, const WrittenFile& b) { return a.path < b.path; });
        }
        EXPECT_EQ(fileListLines(window_), expectedInnerLines);
        setDestDir(inside.pathUtf8());
        clickButton(window_, IDC_EXTRACT);
        const std::vector<WrittenFile> written = filesBelow(inside.path());
        ASSERT_EQ(written.size(), expected.size());
        for (size_t i = 0; i < written.size(); ++i) {
            EXPECT_EQ(written[i].path, expected[i].path);
            EXPECT_EQ(written[i].size, expected[i].size);
            EXPECT_EQ(written[i].sha256, expected[i].sha256);
        }

        SetFocus(fileList(window_));
        pressKey(window_, VK_BACK);
        EXPECT_EQ(itemText(window_, IDC_PATH), outer);
        EXPECT_EQ(fileListLines(window_), outerLines);
        EXPECT_FALSE(isEnabled(window_, IDC_BACK));
        EXPECT_EQ(
            SendMessageW(fileList(window_), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED),
            row);
    }
}

TEST_F(FileListCommands, TheWindowsKeys) {
    gSettings.DefaultDest = IDC_DEST_FIXED;
    setDestDir(out_.pathUtf8());
    UiScript ui;
    openDemoHolder();
    selectRows(window_, {0});
    pressHolding(window_, VK_CONTROL, 'A');
    pressHolding(window_, VK_CONTROL, 'C');
    // Every row as the list shows it, the cells separated by tabs.
    std::wstring shown;
    for (const std::vector<std::wstring>& row : fileListRows(window_)) {
        for (size_t i = 0; i < row.size(); ++i)
            shown += (i > 0 ? L"\t" : L"") + row[i];
        shown += L"\r\n";
    }
    EXPECT_EQ(clipboardText(), shown);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), L'\n'), 2);

    selectRows(window_, {1});
    pressKey(window_, VK_RETURN);
    EXPECT_EQ(fileListLines(window_).size(), 3u) << "the demo package inside";
    pressKey(window_, VK_F5);
    EXPECT_EQ(itemText(window_, IDC_PATH), path_ + L" > demo.sis") << "read again, still inside";
    pressHolding(window_, VK_CONTROL, 'E');
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, L"2 Files extracted!");
    pressAlt(window_, VK_LEFT);
    EXPECT_EQ(itemText(window_, IDC_PATH), path_);

    ui.onDialog([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    pressHolding(window_, VK_CONTROL, 'O');
    EXPECT_EQ(ui.dialogCaptions().size(), 1u) << "the open-file dialog";
}

TEST_F(FileListCommands, TheMenuOffersWhatTheSelectionAllows) {
    const struct {
        const char* proves;
        std::vector<int> rows;
        std::vector<std::wstring> items;
    } cases[] = {
        {"a package line can be opened", {1}, {L"Extract selected...", L"Copy", L"Open"}},
        {"a file line", {0}, {L"Extract selected...", L"Copy"}},
        {"nothing selected", {}, {L"Extract selected... (grayed)", L"Copy (grayed)"}},
    };
    openDemoHolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proves);
        selectRows(window_, c.rows);
        EXPECT_EQ(menuItems(window_), c.items);
    }
}

TEST_F(FileListCommands, DetailsWhileAPackageIsOpen) {
    EXPECT_FALSE(isEnabled(window_, IDC_DETAILS));
    UiScript ui;
    openDemoHolder();
    EXPECT_TRUE(isEnabled(window_, IDC_DETAILS));
    const std::wstring text = folder_.path() + L"\\notes.sis";
    ASSERT_TRUE(sis::writeFile(text, sis::textBytes(std::string(300, 'x'))));
    openWidePath(window_, text.c_str());
    EXPECT_FALSE(isEnabled(window_, IDC_DETAILS));
    const std::string stubs = sharedPackageFolder("sisx/stubs");
    for (const std::string& name : testsupport::packageNamesIn(stubs)) {
        openWidePath(window_, sharedPath("sisx/stubs", name).c_str());
        EXPECT_TRUE(isEnabled(window_, IDC_DETAILS)) << name;
    }
}

} // namespace
