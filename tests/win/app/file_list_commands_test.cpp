// The file list as the user works it: sorted as a sorted list box was, rows
// selected, copied and extracted, packages inside packages opened and left,
// the list's menu, and the window's keys.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/io/platform.h"
#include "package/source/source_writer.h"
#include "tests/support/json_reader.h"
#include "tests/support/sha256.h"
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

// The files of `expected` whose install names are among `names`, as written.
std::vector<WrittenFile> expectedFiles(const JsonValue& expected,
                                       const std::vector<std::wstring>& names) {
    std::vector<WrittenFile> files;
    for (const JsonValue& file : expected["extract"].items)
        if (std::count(names.begin(), names.end(), wide(file["name"].text)) > 0)
            files.push_back({file["path"].text, static_cast<uint64_t>(file["size"].number),
                             file["sha256"].text});
    std::sort(files.begin(), files.end(),
              [](const WrittenFile& a, const WrittenFile& b) { return a.path < b.path; });
    return files;
}

void expectSameFiles(const std::vector<WrittenFile>& actual,
                     const std::vector<WrittenFile>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].path, expected[i].path);
        EXPECT_EQ(actual[i].size, expected[i].size);
        EXPECT_EQ(actual[i].sha256, expected[i].sha256);
    }
}

// Selects `rows`, the first with the focus, and gives the list the focus.
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
    for (size_t row = 0; row < lines.size(); ++row)
        if (lines[row].rfind(L"File is a component: ", 0) == 0)
            return static_cast<int>(row);
    return -1;
}

// A key pressed with Ctrl or Shift (or both) held, as the keyboard's state says.
void pressHolding(HWND window, UINT modifier, UINT second, UINT key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[modifier] = keys[second] = 0x80;
    SetKeyboardState(keys);
    pressKey(window, key);
    keys[modifier] = keys[second] = 0;
    SetKeyboardState(keys);
}
void pressHolding(HWND window, UINT modifier, UINT key) {
    pressHolding(window, modifier, modifier, key);
}

std::string firstLineOf(int message) {
    const std::string text = programText(message);
    return text.substr(0, text.find('\n'));
}

// Answers no question and goes on after failures.
ExtractHost& quietHost() {
    static struct : ExtractHost {
        int showMessage(int, int, int, const char*) override { return AnswerNo; }
        int askToGoOn(int, int32_t) override { return AnswerYes; }
        void stepProgress() override {}
        bool chooseFolder(const char*, std::string*) override { return false; }
    } host;
    return host;
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

class FileListCommands : public MainWindowTest {
  protected:
    // A package of the older format with a file and, as its component, the demo package.
    void openDemoHolder() {
        sis::Package package;
        package.records = {
            sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a")),
            sis::simpleFile(2, "D:\\b\\demo.sis", "C:\\demo.sis", sis::build(demoPackage()).bytes),
        };
        path_ = folder_.path() + L"\\holder.sis";
        writePackage(path_, package);
        openWidePath(window_, path_.c_str());
    }
    void extractTo(const TempFolder& folder, int command) {
        gSettings.DefaultDest = IDC_DEST_FIXED;
        setDestDir(folder.pathUtf8());
        SendMessageW(window_, WM_COMMAND, command, 0);
    }
    TempFolder folder_;
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
            const JsonValue expected = expectedFor(folder, name);
            std::vector<std::wstring> lines;
            for (const JsonValue& line : expected["lines"].items)
                lines.push_back(wide(line.text));
            EXPECT_EQ(fileListLines(window_), inSortedListBox(lines));
        }
    }
}

TEST_F(FileListCommands, ExtractSelectedWritesThoseFilesOnly) {
    const std::string name = "skyexplorer-skyexplorer.sis";
    if (sharedPackageFolder("real").empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    UiScript ui;
    TempFolder out;
    openWidePath(window_, sharedPath("real", name).c_str());
    selectRows(window_, {2, 5});
    extractTo(out, IDM_EXTRACT_SELECTED);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, L"2 Files extracted!");
    EXPECT_EQ(progressMaximum(window_), 2);
    EXPECT_EQ(progressPosition(window_), 2);
    const std::vector<std::wstring> lines = fileListLines(window_);
    expectSameFiles(filesBelow(out.path()),
                    expectedFiles(expectedFor("real", name), {lines[2], lines[5]}));
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring outer = sharedPath(c.folder, c.name);
        UiScript ui;
        TempFolder component, alone, inside;
        openWidePath(window_, outer.c_str());
        const std::vector<std::wstring> outerLines = fileListLines(window_);
        const int row = componentRow(window_);
        selectRows(window_, {row});
        std::vector<std::wstring> expectedLines;
        std::vector<WrittenFile> expected;
        if (std::string(c.folder) == "real") {
            // The component written to a file, and opened and extracted on its own.
            extractTo(component, IDM_EXTRACT_SELECTED);
            openWidePath(window_, (component.path() + L"\\" + c.inner).c_str());
            expectedLines = fileListLines(window_);
            extractTo(alone, IDC_EXTRACT);
            expected = filesBelow(alone.path());
            openWidePath(window_, outer.c_str());
            selectRows(window_, {row});
        }
        pressKey(window_, VK_RETURN);
        EXPECT_EQ(itemText(window_, IDC_PATH), outer + L" > " + c.inner);
        EXPECT_TRUE(isEnabled(window_, IDC_BACK));
        if (expectedLines.empty()) {
            // What the outer package's expectations say of the inner one's files.
            expectedLines = fileListLines(window_);
            expected = expectedFiles(expectedFor(c.folder, c.name), expectedLines);
        }
        EXPECT_EQ(fileListLines(window_), expectedLines);
        extractTo(inside, IDC_EXTRACT);
        expectSameFiles(filesBelow(inside.path()), expected);

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
    pressKey(window_, VK_F5);
    EXPECT_EQ(itemText(window_, IDC_PATH), path_ + L" > demo.sis") << "read again, still inside";
    TempFolder out;
    setDestDir(out.pathUtf8());
    gSettings.DefaultDest = IDC_DEST_FIXED;
    pressHolding(window_, VK_CONTROL, 'E');
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, L"2 Files extracted!");
    PostMessageW(GetFocus(), WM_SYSKEYDOWN, VK_LEFT, 1 | (1u << 29)); // Alt+Left
    settleMain(window_);
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
        {"a package line can be opened and saved",
         {1},
         {L"Extract selected...", L"Copy", L"Open", L"Save package as...", L"Save source..."}},
        {"a file line", {0}, {L"Extract selected...", L"Copy", L"Save source..."}},
        {"nothing selected",
         {},
         {L"Extract selected... (grayed)", L"Copy (grayed)", L"Save source..."}},
    };
    openDemoHolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proves);
        selectRows(window_, c.rows);
        menuSeen.clear();
        SetTimer(nullptr, 0, 50, readMenu);
        pressKey(window_, VK_APPS);
        EXPECT_EQ(menuSeen, c.items);
    }
}

TEST_F(FileListCommands, SavePackageAsWritesThePackageInsideWholeOrNotAtAll) {
    openDemoHolder();
    const sis::Bytes inner = sis::build(demoPackage()).bytes;
    const std::string innerSha256 = testsupport::sha256Hex(inner.data(), inner.size());
    TempFolder out;
    const std::wstring saved = out.path() + L"\\saved.sis";
    const struct {
        const char* proves;
        std::wstring path;
        uint64_t writeRoom;
        std::wstring error; // the message after the path; none when saved
    } cases[] = {
        {"saved under the name given", saved, kNoWriteLimit, L""},
        {"a full disk leaves the file it would replace as it was", saved, 100,
         L" could not be saved: the disk is full!\nPublic: SavePackage"},
        {"the package being read is never replaced", path_, kNoWriteLimit,
         L" is the package being read: it is not replaced!\nPublic: SavePackage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proves);
        UiScript ui;
        ui.answer(IDYES); // to the dialog's question, when the file is there
        std::wstring suggested;
        ui.onDialog([&](HWND dialog) {
            suggested = itemText(dialog, GetDlgItem(dialog, 0x47C) ? 0x47C : 0x480);
            typeFileNameAndOpen(dialog, c.path);
        });
        selectRows(window_, {1});
        platformLimitWrites(c.writeRoom);
        pressHolding(window_, VK_CONTROL, 'S');
        platformLimitWrites(kNoWriteLimit);
        EXPECT_EQ(suggested, L"demo.sis");
        const std::wstring shown = ui.boxes().empty() ? std::wstring() : ui.boxes().back().text;
        EXPECT_EQ(shown, c.error.empty() ? std::wstring() : c.path + c.error);
        const std::vector<WrittenFile> files = filesBelow(out.path());
        ASSERT_EQ(files.size(), 1u) << "no temporary file is left";
        EXPECT_EQ(files[0].path, "saved.sis");
        EXPECT_EQ(files[0].sha256, innerSha256);
    }
}

// Save source from the keyboard: the folder chooser, then what source writes
// there (the same files as the run writes on its own), the bar at its end and
// a Success message that names the .pkg.
TEST_F(FileListCommands, SaveSourceWritesThePackagesSourceWhereTheUserChooses) {
    const std::string name = "ybrowser-Y_Browser_077_0_AddOns_2NdEd.SIS";
    if (sharedPackageFolder("real").empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    UiScript ui;
    TempFolder chosen, alone;
    openWidePath(window_, sharedPath("real", name).c_str());
    ui.onDialog([&](HWND dialog) { selectFolderAndConfirm(dialog, chosen.path()); });
    selectRows(window_, {0});
    pressHolding(window_, VK_CONTROL, VK_SHIFT, 'S');
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Success");
    EXPECT_EQ(ui.boxes()[0].text, chosen.path() + L"\\ybrowser-Y_Browser_077_0_AddOns_2NdEd.pkg" +
                                      wide(firstLineOf(IdsSourceWritten)));
    EXPECT_EQ(progressPosition(window_), progressMaximum(window_));
    SourceSettings settings;
    writePackageSource(*gFiles.package, gFiles.path(), alone.pathUtf8(), settings, quietHost());
    expectSameFiles(filesBelow(chosen.path()), filesBelow(alone.path()));
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
    for (const std::string& name : testsupport::packageNamesIn(sharedPackageFolder("sisx/stubs"))) {
        openWidePath(window_, sharedPath("sisx/stubs", name).c_str());
        EXPECT_TRUE(isEnabled(window_, IDC_DETAILS)) << name;
    }
}

} // namespace
