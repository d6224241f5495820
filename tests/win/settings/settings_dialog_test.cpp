// The settings dialog, run modally from template 113 and driven through its real
// controls; its values land in the test prefix's real registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "controls/browse_button.h"
#include "settings/settings_dialog.h"
#include "tests/win/app/layout_checks.h"
#include "tests/win/controls/mouse_input.h"
#include "tests/win/settings/registry_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

const wchar_t kInvalidFolderText[] = L"The directory you entered is either invalid or doesn't "
                                     L"exist!\nPlease enter a valid one before continuing...";
const wchar_t kRestartText[] = L"You have to restart Vorandeck\nfor this setting to take effect!";

INT_PTR openSettings() {
    const SettingsDialogSetup setup{&gSettings, &gDisplay};
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), nullptr,
                           settingsDialogProc, reinterpret_cast<LPARAM>(&setup));
}

// Queues what to do inside the dialog; the dialog is cancelled afterwards if the
// steps left it open (a failed assertion among them included).
void whileOpen(UiScript& script, std::function<void(HWND)> steps) {
    script.onDialog([steps](HWND dialog) {
        steps(dialog);
        if (IsWindow(dialog))
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

// A click as the mouse or keyboard gives it: the button changes its own state
// before it tells the dialog.
void click(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}

bool isChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int checkedDestination(HWND dialog) {
    for (int id = IDC_DEST_PACKAGE; id <= IDC_DEST_FIXED; ++id)
        if (isChecked(dialog, id))
            return id;
    return 0;
}

void typeInto(HWND dialog, int id, const std::wstring& text) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t character : text)
        SendMessageW(edit, WM_CHAR, character, 1);
}

struct Settings {
    DWORD overwriteFiles;
    DWORD askExit;
    DWORD defaultDest;
    DWORD sortFiles;
    const char* destDir;
};

void storeSettings(const Settings& values) {
    storeNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles", values.overwriteFiles);
    storeNumber(HKEY_LOCAL_MACHINE, "AskExit", values.askExit);
    storeNumber(HKEY_LOCAL_MACHINE, "SortFiles", values.sortFiles);
    storeNumber(HKEY_LOCAL_MACHINE, "DefaultDest", values.defaultDest);
    if (values.destDir != nullptr)
        storeValue(HKEY_LOCAL_MACHINE, "DestDir", REG_SZ, values.destDir,
                   static_cast<DWORD>(strlen(values.destDir) + 1));
}

class SettingsDialog : public ::testing::Test {
  protected:
    // The running settings come from the registry as at a start of the program.
    void start(const Settings& values) {
        gSettings.OverwriteFiles = gSettings.AskExit = gSettings.DefaultDest = 0;
        gSettings.SortFiles = 0;
        gSettings.DestDir[0] = '\0';
        storeSettings(values);
        gSettings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
        ASSERT_NE(gSettings.key, nullptr);
    }

    CleanSettingsKeys clean_;
    UiScript script_;
};

bool isKind(HWND control, const wchar_t* className, LONG buttonType = -1) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    return _wcsicmp(name, className) == 0 &&
           (buttonType < 0 || (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == buttonType);
}

// The controls Tab goes through from the first, once round.
std::vector<HWND> tabCycle(HWND dialog) {
    std::vector<HWND> reached;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND at = first; at != nullptr && reached.size() < 64;) {
        reached.push_back(at);
        at = GetNextDlgTabItem(dialog, at, FALSE);
        if (at == first)
            break;
    }
    return reached;
}

// What a user sees of the dialog, whatever its template says: every control
// shown inside it, over no other but its group, with its whole text; every box
// labelled just left of it; Tab reaching each check box, the folder box and
// both buttons once a round.
void expectUsableLayout(HWND dialog) {
    expectLaidOutWithoutClipping(dialog);
    const std::vector<HWND> controls = visibleChildren(dialog);
    std::vector<HWND> tabbed;
    for (HWND control : controls) {
        SCOPED_TRACE(describe(dialog, control));
        const bool box = isKind(control, L"Edit");
        if (!box) {
            EXPECT_FALSE(windowText(control).empty());
        }
        if (box) {
            const RECT boxRect = rectIn(dialog, control);
            const auto labels = std::count_if(controls.begin(), controls.end(), [&](HWND other) {
                const RECT r = rectIn(dialog, other);
                return other != control && !windowText(other).empty() && r.right <= boxRect.left &&
                       boxRect.left - r.right < 10 && r.top < boxRect.bottom &&
                       r.bottom > boxRect.top;
            });
            EXPECT_EQ(labels, 1);
        }
        const bool takesInput = box || isKind(control, L"Button", BS_AUTOCHECKBOX) ||
                                isKind(control, L"Button", BS_PUSHBUTTON) ||
                                isKind(control, L"Button", BS_DEFPUSHBUTTON);
        if (takesInput && IsWindowEnabled(control))
            tabbed.push_back(control);
    }
    std::vector<HWND> reached = tabCycle(dialog);
    for (HWND control : tabbed)
        EXPECT_EQ(std::count(reached.begin(), reached.end(), control), 1)
            << describe(dialog, control);
}

TEST_F(SettingsDialog, EveryControlIsShownInPlaceLabelledAndReachedByTab) {
    // No destination selected: a checked radio button takes the tab stop.
    start({1, 1, 0, 1, nullptr});
    whileOpen(script_, [](HWND dialog) {
        EXPECT_EQ(windowText(dialog), L"Settings");
        const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
        EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME),
                  static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME));
        EXPECT_EQ(style & WS_SYSMENU, 0u) << "no system menu, so no close box";

        RECT window = {}, work = {};
        GetWindowRect(dialog, &window);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 2);
        EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 2);

        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");
        expectUsableLayout(dialog);
    });
    EXPECT_EQ(openSettings(), 1);
}

struct OpeningCase {
    const char* name;
    Settings settings;
    bool overwrite, askExit, sort;
    int destination;
    const wchar_t* folder;
};

const OpeningCase kOpeningCases[] = {
    {"next to the package: the field stays empty",
     {1, 1, 500, 1, "C:\\Kept"},
     true,
     true,
     true,
     IDC_DEST_PACKAGE,
     L""},
    {"ask: the field stays empty",
     {0, 0, 501, 0, "C:\\Kept"},
     false,
     false,
     false,
     IDC_DEST_ASK,
     L""},
    {"the fixed folder is shown",
     {1, 0, 502, 1, "C:\\Kept"},
     true,
     false,
     true,
     IDC_DEST_FIXED,
     L"C:\\Kept"},
    {"a stored 2 shows unchecked",
     {2, 2, 500, 2, nullptr},
     false,
     false,
     false,
     IDC_DEST_PACKAGE,
     L""},
    {"a destination outside the three selects none",
     {1, 1, 0, 1, "C:\\Kept"},
     true,
     true,
     true,
     0,
     L""},
};

TEST_F(SettingsDialog, OpensShowingTheRunningSettings) {
    for (const OpeningCase& entry : kOpeningCases) {
        SCOPED_TRACE(entry.name);
        deleteSettingsKey(HKEY_LOCAL_MACHINE);
        start(entry.settings);
        whileOpen(script_, [&entry](HWND dialog) {
            EXPECT_EQ(isChecked(dialog, IDC_OVERWRITE), entry.overwrite);
            EXPECT_EQ(isChecked(dialog, IDC_ASK_EXIT), entry.askExit);
            EXPECT_EQ(isChecked(dialog, IDC_SORT), entry.sort);
            EXPECT_EQ(checkedDestination(dialog), entry.destination);
            EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), entry.folder);
            click(dialog, IDCANCEL);
        });
        EXPECT_EQ(openSettings(), 1);
    }
    EXPECT_TRUE(script_.boxes().empty());
}

TEST_F(SettingsDialog, TheFolderFieldFollowsTheDestination) {
    start({1, 1, 500, 1, "C:\\Stored"});
    whileOpen(script_, [](HWND dialog) {
        click(dialog, IDC_DEST_FIXED);
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"C:\\Stored");
        click(dialog, IDC_DEST_ASK);
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"");
        EXPECT_EQ(checkedDestination(dialog), IDC_DEST_ASK);

        // Clicking into the field selects the fixed folder and shows the stored one.
        SetFocus(GetDlgItem(dialog, IDC_DEST_DIR));
        EXPECT_EQ(checkedDestination(dialog), IDC_DEST_FIXED);
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"C:\\Stored");

        // Text typed there is replaced by the stored folder on coming back.
        typeInto(dialog, IDC_DEST_DIR, L"C:\\Typed");
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"C:\\Typed");
        SetFocus(GetDlgItem(dialog, IDC_OVERWRITE));
        SetFocus(GetDlgItem(dialog, IDC_DEST_DIR));
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"C:\\Stored");

        click(dialog, IDC_DEST_PACKAGE);
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), L"");
        EXPECT_EQ(checkedDestination(dialog), IDC_DEST_PACKAGE);
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(openSettings(), 1);
    EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), 500u) << "cancel saves nothing";
}

TEST_F(SettingsDialog, ABrowsedFolderStaysInMemoryWhenTheDialogIsCancelled) {
    start({1, 1, 500, 1, "C:\\Before"});
    TempFolder temp;
    const std::wstring folder = temp.path() + L"\\B\u00fccher";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    whileOpen(script_, [&folder](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDC_BROWSE, 0); // as the "..." button posts it
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), folder);
        EXPECT_EQ(checkedDestination(dialog), IDC_DEST_FIXED);
        click(dialog, IDCANCEL);
    });
    script_.onDialog([&folder](HWND browser) { selectFolderAndConfirm(browser, folder); });

    EXPECT_EQ(openSettings(), 1);
    EXPECT_EQ(script_.dialogCaptions().size(), 2u) << "the folder browser was shown";
    EXPECT_EQ(std::string(gSettings.DestDir), utf8(folder));
    EXPECT_EQ(storedText(HKEY_LOCAL_MACHINE, "DestDir"), "C:\\Before");
    EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), 500u);
}

TEST_F(SettingsDialog, TheBrowseButtonInTheFolderFieldOpensTheFolderBrowser) {
    start({1, 1, 500, 1, nullptr});
    TempFolder temp;
    const LONG before = browseButtonsAlive();
    whileOpen(script_, [&temp, before](HWND dialog) {
        EXPECT_EQ(browseButtonsAlive(), before + 1);
        HWND edit = GetDlgItem(dialog, IDC_DEST_DIR);
        moveMouseTo(browseButtonMiddle(edit, 18));
        pressLeftButton();
        releaseLeftButton();
        waitUntilIdle(); // the posted command opens the browser here
        EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), temp.path());
        moveMouseTo({5, 5});
        click(dialog, IDOK);
    });
    script_.onDialog([&temp](HWND browser) { selectFolderAndConfirm(browser, temp.path()); });

    EXPECT_EQ(openSettings(), 1);
    EXPECT_EQ(browseButtonsAlive(), before) << "the record goes with the dialog";
    EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), 502u);
    EXPECT_EQ(storedText(HKEY_LOCAL_MACHINE, "DestDir"), temp.pathUtf8());
}

struct RefusedCase {
    const char* name;
    const wchar_t* folder;
};

const RefusedCase kRefusedCases[] = {
    {"a folder that does not exist", L"C:\\no\\such\\folder"},
    {"an empty field", L""},
    {"a file rather than a folder", L"C:\\windows\\system32\\kernel32.dll"},
};

TEST_F(SettingsDialog, OkWithAMissingFixedFolderComplainsAndStaysOpen) {
    for (const RefusedCase& entry : kRefusedCases) {
        SCOPED_TRACE(entry.name);
        deleteSettingsKey(HKEY_LOCAL_MACHINE);
        start({1, 1, 500, 1, "C:\\Before"});
        const size_t boxesBefore = script_.boxes().size();
        whileOpen(script_, [&entry](HWND dialog) {
            click(dialog, IDC_OVERWRITE);
            click(dialog, IDC_DEST_FIXED);
            SetDlgItemTextW(dialog, IDC_DEST_DIR, entry.folder);
            click(dialog, IDOK);
            EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
            EXPECT_EQ(itemText(dialog, IDC_DEST_DIR), entry.folder);
            EXPECT_FALSE(isChecked(dialog, IDC_OVERWRITE));
            EXPECT_EQ(checkedDestination(dialog), IDC_DEST_FIXED);
            click(dialog, IDCANCEL);
        });
        EXPECT_EQ(openSettings(), 1);
        ASSERT_EQ(script_.boxes().size(), boxesBefore + 1);
        const CapturedBox& box = script_.boxes().back();
        EXPECT_EQ(box.caption, L"Error!");
        EXPECT_EQ(box.text, kInvalidFolderText);
        EXPECT_EQ(box.type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
        EXPECT_EQ(gSettings.OverwriteFiles, 1u);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles"), 1u);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), 500u);
    }
}

struct SaveCase {
    const char* name;
    Settings stored;
    int clicks[4]; // controls clicked in turn, 0 ends
    bool typeTempFolder;
    Settings saved; // destDir null: the stored one must stay as it was
};

const SaveCase kSaveCases[] = {
    {"ask: DestDir is left alone in the registry",
     {1, 1, 502, 1, "C:\\Before"},
     {IDC_DEST_ASK, 0},
     false,
     {1, 1, 501, 1, nullptr}},
    {"next to the package, every box turned off",
     {1, 1, 501, 1, "C:\\Before"},
     {IDC_DEST_PACKAGE, IDC_OVERWRITE, IDC_ASK_EXIT, IDC_SORT},
     false,
     {0, 0, 500, 0, nullptr}},
    {"a stored 2 left unticked saves 0",
     {2, 2, 500, 2, nullptr},
     {0},
     false,
     {0, 0, 500, 0, nullptr}},
    {"no destination selected saves next to the package",
     {0, 0, 0, 0, "C:\\Before"},
     {IDC_OVERWRITE, 0},
     false,
     {1, 0, 500, 0, nullptr}},
    {"the fixed folder is saved with the boxes",
     {0, 0, 500, 0, "C:\\Before"},
     {IDC_DEST_FIXED, IDC_ASK_EXIT, 0},
     true,
     {0, 1, 502, 0, "temp"}},
};

TEST_F(SettingsDialog, OkSavesTheControlsIntoMemoryAndRegistry) {
    for (const SaveCase& entry : kSaveCases) {
        SCOPED_TRACE(entry.name);
        deleteSettingsKey(HKEY_LOCAL_MACHINE);
        start(entry.stored);
        TempFolder temp;
        whileOpen(script_, [&entry, &temp](HWND dialog) {
            for (int id : entry.clicks)
                if (id != 0)
                    click(dialog, id);
            if (entry.typeTempFolder)
                SetDlgItemTextW(dialog, IDC_DEST_DIR, temp.path().c_str());
            click(dialog, IDOK);
        });
        EXPECT_EQ(openSettings(), 1);

        const Settings& saved = entry.saved;
        EXPECT_EQ(gSettings.OverwriteFiles, saved.overwriteFiles);
        EXPECT_EQ(gSettings.AskExit, saved.askExit);
        EXPECT_EQ(gSettings.SortFiles, saved.sortFiles);
        EXPECT_EQ(gSettings.DefaultDest, saved.defaultDest);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles"), saved.overwriteFiles);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "AskExit"), saved.askExit);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "SortFiles"), saved.sortFiles);
        EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), saved.defaultDest);

        const StoredValue folder = storedValue(HKEY_LOCAL_MACHINE, "DestDir");
        if (saved.destDir == nullptr) {
            const std::string before = entry.stored.destDir ? entry.stored.destDir : "";
            EXPECT_EQ(storedText(HKEY_LOCAL_MACHINE, "DestDir"), before);
            EXPECT_EQ(std::string(gSettings.DestDir), before);
        } else {
            EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(folder.data.size(), 100u);
            EXPECT_EQ(storedText(HKEY_LOCAL_MACHINE, "DestDir"), temp.pathUtf8());
            EXPECT_EQ(std::string(gSettings.DestDir), temp.pathUtf8());
        }
    }
    for (const CapturedBox& box : script_.boxes())
        EXPECT_EQ(box.text, kRestartText) << "only the sort box has something to say";
}

TEST_F(SettingsDialog, EveryClickOnSortShowsTheRestartNotice) {
    start({1, 1, 500, 1, nullptr});
    whileOpen(script_, [](HWND dialog) {
        click(dialog, IDC_SORT);
        EXPECT_FALSE(isChecked(dialog, IDC_SORT));
        click(dialog, IDC_SORT);
        EXPECT_TRUE(isChecked(dialog, IDC_SORT));
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(openSettings(), 1);
    ASSERT_EQ(script_.boxes().size(), 2u);
    for (const CapturedBox& box : script_.boxes()) {
        EXPECT_EQ(box.caption, L"Information");
        EXPECT_EQ(box.text, kRestartText);
        EXPECT_EQ(box.type(), static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    }
}

} // namespace
