// The languages dialog: names by code, and the dialog listing a package's codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "tests/win/display/display_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

TEST(LanguagesTest, CodesListByName) {
    TestDialog dialog(IDD_LANGUAGES);
    ASSERT_NE(dialog.get(), nullptr);
    DisplayFunctions display;
    display.languagesDialog = dialog.get();
    struct Case {
        uint16_t code;
        const wchar_t* name;
    } const cases[] = {
        {1, L"UK English"},
        {2, L"French"},
        {3, L"German"},
        {0, L"Language Test"},
        {86, L"Reserved!"},
        {95, L"Reserved!"},
        {31, L"Peoples Republic of Chinas Chinese"},
        {99, L"Other Language"},
        {100, L""},
        {600, L""},
        {65535, L""},
    };
    std::vector<std::wstring> expected;
    for (const auto& c : cases) {
        display.addLanguage(c.code);
        expected.push_back(c.name);
    }
    EXPECT_EQ(listBoxLines(GetDlgItem(dialog.get(), IDC_LANGUAGE_LIST)), expected);
}

TEST(LanguagesTest, TemplateAsDesigned) {
    TestDialog dialog(IDD_LANGUAGES);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(windowText(dialog.get()), L"Languages in SIS File...");
    EXPECT_EQ(GetWindowLongW(dialog.get(), GWL_STYLE) & WS_SYSMENU, 0) << "no close box";
    EXPECT_EQ(itemText(dialog.get(), IDOK), L"&OK");
    HWND list = GetDlgItem(dialog.get(), IDC_LANGUAGE_LIST);
    ASSERT_NE(list, nullptr);
    // The list box trades its border for a client edge and drops an unneeded
    // scroll bar on its own; the other bits stay as the template gives them.
    const DWORD owned = WS_BORDER | WS_VSCROLL;
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE)) & ~owned, 0x50A14101u & ~owned);
    RECT units = {0, 0, 150, 100};
    MapDialogRect(dialog.get(), &units);
    RECT client = {};
    GetClientRect(dialog.get(), &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
}

// A package of a 100-byte header and its language codes at `codesOffset`; the
// count field may claim more codes than the file holds.
std::string writeLanguagePackage(const TempFolder& folder, const char* name, uint16_t count,
                                 const std::vector<uint16_t>& codes) {
    std::string bytes(100, '\0');
    bytes[8] = 0x19; // the older format's UID word 2, 0x10000419
    bytes[9] = 0x04;
    bytes[11] = 0x10;
    bytes[18] = static_cast<char>(count & 0xFF);
    bytes[19] = static_cast<char>(count >> 8);
    bytes[48] = 100;
    for (uint16_t code : codes) {
        bytes += static_cast<char>(code & 0xFF);
        bytes += static_cast<char>(code >> 8);
    }
    const std::string path = folder.pathUtf8() + "\\" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void openAsOpenDoes(const std::string& packagePath) {
    gFiles.OpenSISFile(packagePath);
}

struct DialogRun {
    INT_PTR result = 0;
    std::vector<std::wstring> lines;
    bool survivedEscape = false;
};

// Opens the package as Open does, then runs the languages dialog; the user looks
// at the list, presses Escape, then OK.
DialogRun runLanguagesDialog(const std::string& packagePath) {
    openAsOpenDoes(packagePath);

    DialogRun run;
    UiScript script;
    script.onDialog([&run](HWND dialog) {
        run.lines = listBoxLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        run.survivedEscape = IsWindow(dialog) && IsWindowVisible(dialog);
        clickButton(dialog, IDOK);
    });
    const LanguagesDialogSetup setup{&gDisplay, &gFiles};
    run.result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LANGUAGES),
                                 nullptr, languagesDialogProc, reinterpret_cast<LPARAM>(&setup));
    gFiles.closePackage();
    return run;
}

TEST(LanguagesDialogTest, ListsTheCodesOfThePackage) {
    TempFolder folder;
    struct Case {
        const char* proves;
        uint16_t count;
        std::vector<uint16_t> codes;
        std::vector<std::wstring> lines;
    } const cases[] = {
        {"three codes in file order", 3, {1, 2, 3}, {L"UK English", L"French", L"German"}},
        {"a count of 0 lists nothing", 0, {1, 2}, {}},
        {"a negative count lists nothing", 0x8000, {1, 2}, {}},
        {"codes without a name give empty lines", 2, {100, 86}, {L"", L"Reserved!"}},
        {"codes the file does not hold are not listed",
         3,
         {10, 2},
         {L"American English", L"French"}},
    };
    int index = 0;
    for (const auto& c : cases) {
        const std::string name = "lang" + std::to_string(index++) + ".sis";
        const DialogRun run =
            runLanguagesDialog(writeLanguagePackage(folder, name.c_str(), c.count, c.codes));
        EXPECT_EQ(run.lines, c.lines) << c.proves;
        EXPECT_TRUE(run.survivedEscape) << c.proves;
        EXPECT_EQ(run.result, 1) << c.proves;
    }
}

TEST(LanguagesDialogTest, OpeningAgainListsAfresh) {
    TempFolder folder;
    const std::string path = writeLanguagePackage(folder, "twice.sis", 2, {5, 6});
    const std::vector<std::wstring> expected = {L"Italian", L"Swedish"};
    EXPECT_EQ(runLanguagesDialog(path).lines, expected);
    EXPECT_EQ(runLanguagesDialog(path).lines, expected);
}

// Every real package, through the dialog's own start (made modeless: a modal
// run per package would only add time).
TEST(LanguagesDialogTest, RealPackagesListTheirLanguages) {
    const std::string folder = realPackageFolder();
    if (folder.empty())
        GTEST_SKIP() << "real packages not found in " << VORANDECK_TESTDATA;
    for (const std::string& name : realPackageNames()) {
        const testsupport::JsonValue languages = expectedFor(name)["languages"];
        std::vector<std::wstring> expected;
        for (const testsupport::JsonValue& language : languages.items)
            expected.push_back(wide(language.text));
        openAsOpenDoes(folder + "/" + name);
        const LanguagesDialogSetup setup{&gDisplay, &gFiles};
        HWND dialog =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LANGUAGES), nullptr,
                               languagesDialogProc, reinterpret_cast<LPARAM>(&setup));
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(gDisplay.languagesDialog, dialog);
        EXPECT_EQ(listBoxLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST)), expected) << name;
        DestroyWindow(dialog);
        gFiles.closePackage();
    }
}

} // namespace
