// The two pickers, driven in the real common dialogs as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include "common/paths.h"
#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "tests/win/display/display_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

constexpr int kFileNameCombo = 0x47C; // cmb13
constexpr int kFileNameEdit = 0x480;  // edt1
constexpr int kFilterCombo = 0x470;   // cmb1

void createEmptyFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
}

// Types into the name box and presses Open, waiting for the dialog to act on it.
void typeAndOpenNow(HWND dialog, const std::wstring& text) {
    for (int id : {kFileNameCombo, kFileNameEdit})
        if (GetDlgItem(dialog, id) != nullptr)
            SetDlgItemTextW(dialog, id, text.c_str());
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

BOOL CALLBACK findListView(HWND child, LPARAM param) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (wcscmp(name, WC_LISTVIEWW) == 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// The names the dialog's file view shows.
std::vector<std::wstring> shownFiles(HWND dialog) {
    HWND view = nullptr;
    // The dialog fills its view as it reads the folder.
    waitUntil([&] {
        EnumChildWindows(dialog, findListView, reinterpret_cast<LPARAM>(&view));
        return view != nullptr && ListView_GetItemCount(view) > 0;
    });
    std::vector<std::wstring> names;
    const int count = view != nullptr ? ListView_GetItemCount(view) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

bool contains(const std::vector<std::wstring>& names, const std::wstring& prefix) {
    for (const std::wstring& name : names)
        if (_wcsnicmp(name.c_str(), prefix.c_str(), prefix.size()) == 0)
            return true;
    return false;
}

TEST(PackageChooserTest, ListsLowerCaseSisAndChoosesIt) {
    TempFolder folder;
    createEmptyFile(folder.path() + L"\\demo.sis");
    createEmptyFile(folder.path() + L"\\other.txt");
    TestDialog owner(IDD_MAIN);
    DisplayFunctions display;
    display.mainWindow = owner.get();

    std::vector<std::wstring> files;
    std::wstring filter;
    HWND dialogOwner = nullptr;
    UiScript script;
    script.onDialog([&](HWND dialog) {
        dialogOwner = GetWindow(dialog, GW_OWNER);
        filter = windowText(GetDlgItem(dialog, kFilterCombo));
        typeAndOpenNow(dialog, folder.path());
        files = shownFiles(dialog);
        typeAndOpenNow(dialog, L"demo.sis");
    });
    char buffer[260] = "before";
    ASSERT_TRUE(display.choosePackage(buffer));
    EXPECT_EQ(std::string(buffer), folder.pathUtf8() + "\\demo.sis");
    EXPECT_TRUE(contains(files, L"demo")) << "the *.SIS pattern must match demo.sis";
    EXPECT_FALSE(contains(files, L"other")) << "only packages are offered";
    EXPECT_EQ(filter, L"EPOC SIS Files");
    EXPECT_EQ(dialogOwner, owner.get());
    EXPECT_TRUE(script.boxes().empty());
}

TEST(PackageChooserTest, NonAsciiPathArrivesAsUtf8) {
    TempFolder folder;
    const std::wstring name = L"\u00DCbersicht-\u65E5\u672C.sis";
    createEmptyFile(folder.path() + L"\\" + name);
    DisplayFunctions display;
    UiScript script;
    script.onDialog(
        [&](HWND dialog) { typeFileNameAndOpen(dialog, folder.path() + L"\\" + name); });
    char buffer[260] = {};
    ASSERT_TRUE(display.choosePackage(buffer));
    EXPECT_EQ(std::string(buffer), utf8(folder.path() + L"\\" + name));
}

TEST(PackageChooserTest, PathsAreMeasuredInUtf16UnitsNotInBytes) {
    TempFolder folder;
    // 110 characters of three UTF-8 bytes each: over 259 bytes, well within 259 units.
    const std::wstring below =
        folder.path() + L"\\" + std::wstring(55, L'\u65E5') + L"\\" + std::wstring(55, L'\u672C');
    CreateDirectoryW(below.substr(0, below.size() - 56).c_str(), nullptr);
    CreateDirectoryW(below.c_str(), nullptr);
    createEmptyFile(below + L"\\p.sis");
    DisplayFunctions display;
    UiScript script;
    script.onDialog([&](HWND dialog) { typeFileNameAndOpen(dialog, below + L"\\p.sis"); });
    char buffer[kPathSize] = {};
    ASSERT_TRUE(display.choosePackage(buffer));
    EXPECT_EQ(std::string(buffer), utf8(below + L"\\p.sis"));
    EXPECT_TRUE(script.boxes().empty());
}

TEST(PackageChooserTest, MissingFileIsRefusedInsideTheDialog) {
    TempFolder folder;
    const std::wstring cases[] = {folder.path() + L"\\missing.sis",
                                  folder.path() + L"\\no-such-folder\\demo.sis"};
    for (const std::wstring& typed : cases) {
        DisplayFunctions display;
        bool stayedOpen = false;
        UiScript script;
        script.onDialog([&](HWND dialog) {
            typeAndOpenNow(dialog, typed);
            stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        char buffer[260] = "C:\\previous.sis";
        EXPECT_FALSE(display.choosePackage(buffer)) << utf8(typed);
        EXPECT_TRUE(stayedOpen) << utf8(typed);
        EXPECT_EQ(script.boxes().size(), 1u) << "the dialog explains the refusal";
        EXPECT_STREQ(buffer, "C:\\previous.sis");
    }
}

TEST(PackageChooserTest, CancelLeavesTheBufferAlone) {
    DisplayFunctions display;
    UiScript script; // no handler: the dialog is cancelled
    char buffer[260] = "C:\\open\\package.sis";
    EXPECT_FALSE(display.choosePackage(buffer));
    EXPECT_STREQ(buffer, "C:\\open\\package.sis");
    EXPECT_EQ(script.dialogCaptions().size(), 1u) << "the dialog was shown";
}

TEST(FolderChooserTest, ChosenFoldersKeepThePlatformForm) {
    TempFolder folder;
    const std::wstring accented = folder.path() + L"\\Caf\u00E9-\u65E5";
    ASSERT_TRUE(CreateDirectoryW(accented.c_str(), nullptr));
    struct Case {
        const char* proves;
        std::wstring select;
        std::string expected;
    } const cases[] = {
        {"a drive root keeps its backslash", L"C:\\", "C:\\"},
        {"a folder has no trailing backslash", folder.path(), folder.pathUtf8()},
        {"a name outside the code page arrives as UTF-8", accented, utf8(accented)},
    };
    TestDialog owner(IDD_MAIN);
    for (const auto& c : cases) {
        DisplayFunctions display;
        display.mainWindow = owner.get();
        HWND dialogOwner = nullptr;
        UiScript script;
        script.onDialog([&](HWND dialog) {
            dialogOwner = GetWindow(dialog, GW_OWNER);
            selectFolderAndConfirm(dialog, c.select);
        });
        std::string chosen;
        ASSERT_TRUE(display.chooseFolder("Select the destination Folder...", &chosen)) << c.proves;
        EXPECT_EQ(chosen, c.expected) << c.proves;
        EXPECT_EQ(dialogOwner, owner.get()) << c.proves;
    }
}

TEST(FolderChooserTest, CancelKeepsTheFolderChosenBefore) {
    DisplayFunctions display;
    std::string chosen = "D:\\earlier";
    UiScript script; // no handler: the browser is cancelled
    EXPECT_FALSE(display.chooseFolder("Select the default destination Folder...", &chosen));
    EXPECT_EQ(chosen, "D:\\earlier");
    EXPECT_EQ(script.dialogCaptions().size(), 1u) << "the browser was shown";
}

} // namespace
