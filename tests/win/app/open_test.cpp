// Opening packages through the real open-file dialog: what the window shows
// afterwards, what a failed or cancelled Open leaves, and the modal dialogs
// behind "->" and "&Settings...".
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "tests/support/unix_shell.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::wstring> kDemoLines = {
    L"C:\\system\\apps\\demo\\demo.app",
    L"File will be displayed during install: readme.txt",
    L"C:\\system\\apps\\demo\\b.rsc",
};

// A second package that differs from the demo in every box the tests read.
sis::Package otherPackage() {
    sis::Package package;
    package.appUid = 0x10204060;
    package.languages = {2, 3};
    package.records = {sis::simpleFile(0, "x.txt", "C:\\x.txt", sis::textBytes("x"))};
    return package;
}

void expectSamePanel(const PanelSnapshot& before, const PanelSnapshot& after) {
    EXPECT_EQ(before.boxes, after.boxes);
    EXPECT_EQ(before.lines, after.lines);
    EXPECT_EQ(before.extractEnabled, after.extractEnabled);
    EXPECT_EQ(before.languagesEnabled, after.languagesEnabled);
}

class OpenCommand : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        demo_ = folder_.path() + L"\\demo.sis";
        other_ = folder_.path() + L"\\other.sis";
        writePackage(demo_, demoPackage());
        writePackage(other_, otherPackage());
    }

    TempFolder folder_;
    std::wstring demo_;
    std::wstring other_;
};

TEST_F(OpenCommand, ShowsPathHeaderAndLinesAndEnablesTheButtons) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(itemText(window_, IDC_PATH), demo_);
    EXPECT_EQ(itemText(window_, IDC_APP_UID), L"10001234h");
    EXPECT_EQ(itemText(window_, IDC_APP_UID1), L"10003A12h");
    EXPECT_EQ(itemText(window_, IDC_SIS_VERSION), L"6");
    EXPECT_EQ(itemText(window_, IDC_LINES_PROCESSED), L"3");
    EXPECT_EQ(itemText(window_, IDC_OFFSET_SIGNATURE), L"no Signature");
    EXPECT_EQ(fileListLines(window_), kDemoLines);
    EXPECT_TRUE(isEnabled(window_, IDC_EXTRACT));
    EXPECT_TRUE(isEnabled(window_, IDC_LANGUAGES));
    EXPECT_EQ(progressPosition(window_), 0);
}

TEST_F(OpenCommand, ListIsSortedOnlyWhenTheSettingWasOnAtStart) {
    struct Case {
        DWORD sortFiles;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {0, kDemoLines},
        {1,
         {L"C:\\system\\apps\\demo\\b.rsc", L"C:\\system\\apps\\demo\\demo.app",
          L"File will be displayed during install: readme.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sortFiles);
        gSettings.SortFiles = c.sortFiles;
        recreateWindow();
        // Changing the setting later does not re-sort the running window's list.
        gSettings.SortFiles = 1 - c.sortFiles;
        UiScript ui;
        openPackage(ui, window_, demo_);
        EXPECT_EQ(fileListLines(window_), c.lines);
        // The first column's header says so with its arrow.
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        SendMessageW(ListView_GetHeader(fileList(window_)), HDM_GETITEMW, 0,
                     reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ((item.fmt & HDF_SORTUP) != 0, c.sortFiles != 0);
    }
}

TEST_F(OpenCommand, CancellingTheChooserChangesNothing) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    const PanelSnapshot before = snapshot(window_);
    ui.onDialog([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    clickButton(window_, IDC_OPEN);
    const PanelSnapshot after = snapshot(window_);
    EXPECT_EQ(after.path, before.path);
    expectSamePanel(before, after);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(utf8(demo_), gFiles.path());
}

TEST_F(OpenCommand, PackageThatCannotBeOpenedLeavesTheEarlierPanel) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    const PanelSnapshot before = snapshot(window_);

    // Held open without sharing by someone else: it exists but cannot be read.
    HANDLE holder = CreateFileW(other_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    openPackage(ui, window_, other_);
    CloseHandle(holder);

    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Error!");
    EXPECT_EQ(ui.boxes()[0].text,
              L"Failed to open SIS File!\nPublic: OpenSISFile\nClass: FileFunctions");
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_EQ(itemText(window_, IDC_PATH), other_);
    expectSamePanel(before, snapshot(window_));

    // With no package open, Extract has nothing to read and says nothing.
    gSettings.DefaultDest = IDC_DEST_FIXED;
    TempFolder out;
    setDestDir(out.pathUtf8());
    clickButton(window_, IDC_EXTRACT);
    EXPECT_EQ(ui.boxes().size(), 1u);
    EXPECT_TRUE(filesBelow(out.path()).empty());
}

TEST_F(OpenCommand, RefreshOfAPackageGoneSaysSoAndLeavesNothingToExtract) {
    UiScript ui;
    openPackage(ui, window_, other_);
    // Removed behind the program's back, as the shell can while Windows could not.
    ASSERT_TRUE(runUnixShell("rm '" + unixPathOf(other_) + "'"));
    pressKey(window_, VK_F5);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text,
              L"Failed to open SIS File!\nPublic: OpenSISFile\nClass: FileFunctions");
    const PanelSnapshot after = snapshot(window_);
    for (const std::wstring& box : after.boxes)
        EXPECT_EQ(box, L"") << "every box cleared";
    EXPECT_TRUE(after.lines.empty());
    EXPECT_FALSE(after.extractEnabled);
    EXPECT_FALSE(after.languagesEnabled);
}

TEST_F(OpenCommand, EmptyPackageSaysItCannotBeReadAndKeepsTheEarlierPanel) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    const PanelSnapshot before = snapshot(window_);
    const std::wstring empty = folder_.path() + L"\\empty.sis";
    ASSERT_TRUE(sis::writeFile(empty, {}));

    openPackage(ui, window_, empty);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Error!");
    EXPECT_EQ(ui.boxes()[0].text,
              L"Can't read SIS File!\nPublic: ReadSISFile\nClass: FileFunctions");
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
    expectSamePanel(before, snapshot(window_));
    EXPECT_FALSE(gFiles.package) << "nothing of it can be extracted";
}

TEST_F(OpenCommand, AFileOfNeitherFormatSaysSoAndOffersNothingOfIt) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    const PanelSnapshot before = snapshot(window_);
    const std::wstring text = folder_.path() + L"\\notes.sis";
    ASSERT_TRUE(sis::writeFile(text, sis::textBytes(std::string(300, 'x'))));

    openPackage(ui, window_, text);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Error!");
    EXPECT_EQ(ui.boxes()[0].text, L"Not a SIS File!\nClass: FileFunctions");
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
    expectSamePanel(before, snapshot(window_));
    // Extract, still enabled, must not read the file under the earlier header.
    clickButton(window_, IDC_EXTRACT);
    EXPECT_EQ(ui.boxes().size(), 1u);
}

TEST_F(OpenCommand, ShortPackageShowsZerosPastItsEndNotTheEarlierHeader) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    ASSERT_EQ(itemText(window_, IDC_OFFSET_LANGUAGES), L"64h");

    sis::Package cut = otherPackage();
    cut.truncateTo = 20; // the UIDs, the checksum and the language count
    const std::wstring shortPath = folder_.path() + L"\\short.sis";
    writePackage(shortPath, cut);
    openPackage(ui, window_, shortPath);

    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(itemText(window_, IDC_APP_UID), L"10204060h");
    EXPECT_EQ(itemText(window_, IDC_LANGUAGE_COUNT), L"2");
    EXPECT_EQ(itemText(window_, IDC_LINES_PROCESSED), L"0");
    EXPECT_EQ(itemText(window_, IDC_OFFSET_LANGUAGES), L"0h");
    EXPECT_EQ(itemText(window_, IDC_INSTALLER_VERSION), L"0");
    EXPECT_EQ(itemText(window_, IDC_APP_VERSION), L"0.00 build 0");
    EXPECT_TRUE(fileListLines(window_).empty());
}

TEST_F(OpenCommand, OpeningAnotherPackageClosesTheFirst) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    // While it is open the program's read handle keeps the file from going.
    ASSERT_FALSE(DeleteFileW(demo_.c_str()));
    openPackage(ui, window_, other_);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(fileListLines(window_), std::vector<std::wstring>{L"C:\\x.txt"});
    EXPECT_TRUE(DeleteFileW(demo_.c_str()));
}

TEST_F(OpenCommand, OpenResetsTheProgressThatExtractLeft) {
    gSettings.DefaultDest = IDC_DEST_FIXED;
    TempFolder out;
    setDestDir(out.pathUtf8());
    UiScript ui;
    openPackage(ui, window_, demo_);
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(progressPosition(window_), 3);
    openPackage(ui, window_, other_);
    EXPECT_EQ(progressPosition(window_), 0);
}

struct LanguagesCase {
    const char* name;
    std::vector<uint16_t> codes;
    std::vector<std::wstring> lines;
};

class LanguagesDialog : public OpenCommand, public ::testing::WithParamInterface<LanguagesCase> {};

TEST_P(LanguagesDialog, ListsTheNamesOfThePackagesCodesEveryTime) {
    sis::Package package = demoPackage();
    package.languages = GetParam().codes;
    const std::wstring path = folder_.path() + L"\\languages.sis";
    writePackage(path, package);
    UiScript ui;
    openPackage(ui, window_, path);
    EXPECT_EQ(languagesShown(ui, window_), GetParam().lines);
    // Read afresh from the package, not added to what was shown before.
    EXPECT_EQ(languagesShown(ui, window_), GetParam().lines);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(ui.pendingHandlers(), 0u);
}

const LanguagesCase kLanguagesCases[] = {
    {"FirstThreeCodes", {1, 2, 3}, {L"UK English", L"French", L"German"}},
    {"ReservedCode", {86}, {L"Reserved!"}},
    {"CodeWithoutName", {100}, {L""}},
    {"TestLanguage", {0, 1}, {L"Language Test", L"UK English"}},
    {"NoLanguages", {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Codes, LanguagesDialog, ::testing::ValuesIn(kLanguagesCases),
                         [](const ::testing::TestParamInfo<LanguagesCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(OpenCommand, LanguagesDialogIsModalAndClosesOnlyThroughOk) {
    UiScript ui;
    openPackage(ui, window_, demo_);
    bool ownedByMain = false;
    bool mainDisabled = false;
    bool openAfterEscape = false;
    HWND main = window_;
    ui.onDialog([&](HWND dialog) {
        ownedByMain = GetWindow(dialog, GW_OWNER) == main;
        mainDisabled = !IsWindowEnabled(main);
        HWND focus = GetFocus();
        HWND target = focus != nullptr && IsChild(dialog, focus) ? focus : dialog;
        PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        // As the dialog's own modal loop would run them.
        waitUntilIdle([dialog](MSG& message) { return IsDialogMessageW(dialog, &message) != 0; });
        openAfterEscape = IsWindow(dialog) && IsWindowVisible(dialog);
        clickButton(dialog, IDOK);
    });
    clickButton(window_, IDC_LANGUAGES);
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(ui.dialogCaptions().size(), 2u); // the open-file dialog, then this one
    EXPECT_TRUE(IsWindowEnabled(window_));
}

TEST_F(OpenCommand, SettingsButtonOpensTheSettingsDialogOverTheMainWindow) {
    bool ownedByMain = false;
    bool isSettings = false;
    HWND main = window_;
    UiScript ui;
    ui.onDialog([&](HWND dialog) {
        ownedByMain = GetWindow(dialog, GW_OWNER) == main;
        isSettings =
            GetDlgItem(dialog, IDC_DEST_DIR) != nullptr && GetDlgItem(dialog, IDC_SORT) != nullptr;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    clickButton(window_, IDC_SETTINGS);
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(isSettings);
    EXPECT_TRUE(IsWindowEnabled(window_));
}

} // namespace
