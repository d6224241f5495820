// Opening without the Open dialog: a path on the command line, as Explorer
// passes it for "Open with" and a file association, and files dropped on the
// main window. Each must leave the window as the Open dialog does.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/open_package.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "tests/win/app/app_test_support.h"

namespace {

const wchar_t kProgram[] = L"\"C:\\Program Files\\Vorandeck\\vorandeck.exe\"";

std::wstring inQuotes(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// A drop as the shell makes it: DROPFILES, then the wide paths, each ended by a
// zero, and one more zero after the last.
HDROP makeDrop(const std::vector<std::wstring>& paths) {
    size_t characters = 1;
    for (const std::wstring& path : paths)
        characters += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& path : paths) {
        std::memcpy(list, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        list += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

bool released(HDROP drop) {
    return GlobalFlags(drop) == GMEM_INVALID_HANDLE;
}

// From inside a modal loop: runs its messages until the program has let the drop go.
bool pumpUntilReleased(HDROP drop) {
    return waitUntil([drop] { return released(drop); });
}

enum class Way { OpenDialog, CommandLine, Drop };

void openBy(Way way, UiScript& ui, HWND window, const std::wstring& path) {
    switch (way) {
    case Way::OpenDialog:
        openPackage(ui, window, path);
        break;
    case Way::CommandLine:
        openFromCommandLine(window, (std::wstring(kProgram) + L" " + inQuotes(path)).c_str());
        break;
    case Way::Drop: {
        HDROP drop = makeDrop({path});
        PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        // Done once the package is open or a message said why not.
        const size_t boxesBefore = ui.boxes().size();
        EXPECT_TRUE(pumpUntil(window, [&] {
            return isEnabled(window, IDC_EXTRACT) || ui.boxes().size() > boxesBefore;
        }));
        break;
    }
    }
}

class OpenWays : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Spaces and letters outside ASCII, as in a user's own folder.
        const std::wstring unicodeFolder =
            folder_.path() + L"\\Pakete f\u00FCr \u00DClf \u65E5\u672C";
        ASSERT_TRUE(CreateDirectoryW(unicodeFolder.c_str(), nullptr));
        unicode_ = unicodeFolder + L"\\demo \u00F6.sis";
        demo_ = folder_.path() + L"\\demo.sis";
        other_ = folder_.path() + L"\\other.sis";
        writePackage(unicode_, demoPackage());
        writePackage(demo_, demoPackage());
        sis::Package other;
        other.records = {sis::simpleFile(0, "x.txt", "C:\\x.txt", sis::textBytes("x"))};
        writePackage(other_, other);
    }

    // What a fresh window shows after `path` was opened `way`, and the messages it gave.
    PanelSnapshot shownAfter(Way way, const std::wstring& path, std::vector<CapturedBox>* boxes) {
        recreateWindow();
        UiScript ui;
        openBy(way, ui, window_, path);
        *boxes = ui.boxes();
        return snapshot(window_);
    }

    TempFolder folder_;
    std::wstring unicode_;
    std::wstring demo_;
    std::wstring other_;
};

TEST_F(OpenWays, CommandLineAndDropShowWhatTheOpenDialogShows) {
    EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    std::vector<CapturedBox> boxes;
    const PanelSnapshot byDialog = shownAfter(Way::OpenDialog, unicode_, &boxes);
    ASSERT_TRUE(boxes.empty());
    ASSERT_EQ(byDialog.path, unicode_);
    ASSERT_TRUE(byDialog.extractEnabled);
    for (Way way : {Way::CommandLine, Way::Drop}) {
        SCOPED_TRACE(way == Way::Drop ? "drop" : "command line");
        expectSameSnapshot(byDialog, shownAfter(way, unicode_, &boxes));
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(OpenWays, PathsThatCannotBeOpenedGiveTheFailedOpenMessage) {
    struct Case {
        const char* proves;
        std::wstring path;
    } const cases[] = {
        {"a path that does not exist", folder_.path() + L"\\missing.sis"},
        {"a folder", folder_.path()},
        {"a path too long to hold", folder_.path() + L"\\" + std::wstring(300, L'a') + L".sis"},
    };
    for (const Case& c : cases) {
        for (Way way : {Way::CommandLine, Way::Drop}) {
            SCOPED_TRACE(std::string(c.proves) + (way == Way::Drop ? ", dropped" : ", argument"));
            std::vector<CapturedBox> boxes;
            const PanelSnapshot shown = shownAfter(way, c.path, &boxes);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].caption, L"Error!");
            EXPECT_EQ(boxes[0].text, fileFunctionsError(IdsOpenFailed));
            EXPECT_EQ(boxes[0].type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
            EXPECT_FALSE(shown.extractEnabled);
            EXPECT_TRUE(shown.lines.empty());
        }
    }
}

TEST_F(OpenWays, CommandLineOpensItsFirstArgument) {
    struct Case {
        const char* proves;
        std::wstring arguments;
        std::wstring opened; // empty: nothing is opened
    } const cases[] = {
        {"a quoted path with spaces and letters outside ASCII", inQuotes(unicode_), unicode_},
        {"an unquoted path", demo_, demo_},
        {"the first of two arguments", inQuotes(other_) + L" " + inQuotes(unicode_), other_},
        {"no argument opens nothing", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proves);
        // An unquoted path is one argument only where it has no space.
        if (c.arguments == demo_ && demo_.find(L' ') != std::wstring::npos)
            continue;
        recreateWindow();
        UiScript ui;
        const std::wstring line = c.arguments.empty() ? kProgram : kProgram + (L" " + c.arguments);
        openFromCommandLine(window_, line.c_str());
        EXPECT_TRUE(ui.boxes().empty());
        EXPECT_EQ(itemText(window_, IDC_PATH), c.opened);
        EXPECT_EQ(isEnabled(window_, IDC_EXTRACT), !c.opened.empty());
    }
}

TEST_F(OpenWays, DropOfSeveralFilesOpensTheFirst) {
    UiScript ui;
    PostMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({other_, unicode_})), 0);
    ASSERT_TRUE(pumpUntil(window_, [&] { return isEnabled(window_, IDC_EXTRACT); }));
    EXPECT_EQ(itemText(window_, IDC_PATH), other_);
    EXPECT_EQ(fileListLines(window_), std::vector<std::wstring>{L"C:\\x.txt"});
    EXPECT_TRUE(ui.boxes().empty());
}

TEST_F(OpenWays, DropWhileAModalWindowIsUpIsReleasedAndOpensNothing) {
    struct Case {
        const char* proves;
        bool messageBox; // else the settings dialog
    } const cases[] = {
        {"while a message box is up", true},
        {"while the settings dialog is up", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proves);
        recreateWindow();
        UiScript ui;
        bool wasReleased = false;
        bool mainDisabled = false;
        const auto dropNow = [&](HWND modal) {
            mainDisabled = !IsWindowEnabled(window_);
            HDROP drop = makeDrop({demo_});
            PostMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
            wasReleased = pumpUntilReleased(drop);
            if (!c.messageBox)
                PostMessageW(modal, WM_COMMAND, IDCANCEL, 0);
        };
        if (c.messageBox) {
            ui.whileBoxIsUp(dropNow);
            clickButton(window_, IDC_ABOUT);
        } else {
            ui.onDialog(dropNow);
            clickButton(window_, IDC_SETTINGS);
        }
        EXPECT_TRUE(mainDisabled);
        EXPECT_TRUE(wasReleased);
        settleMain(window_);
        EXPECT_EQ(itemText(window_, IDC_PATH), L"");
        EXPECT_FALSE(isEnabled(window_, IDC_EXTRACT));
        EXPECT_EQ(ui.boxes().size(), c.messageBox ? 1u : 0u) << "only the About box";
    }
}

// Explorer's way: the program itself, started with the package's path.
HWND mainWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search = {processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window) ||
                GetDlgItem(window, IDC_EXTRACT) == nullptr)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(OpenWays, ProgramStartedWithAPathShowsItOpenOnceItsWindowIsUp) {
    std::vector<CapturedBox> boxes;
    const PanelSnapshot byDialog = shownAfter(Way::OpenDialog, unicode_, &boxes);
    ASSERT_TRUE(byDialog.extractEnabled);

    ChildProcess program(inQuotes(programExecutable()) + L" " + inQuotes(unicode_));
    ASSERT_TRUE(program.started());
    HWND shown = nullptr;
    bool ended = false;
    // The open runs before the program's message loop: once Extract is
    // enabled, everything else is in place.
    ASSERT_TRUE(waitUntil(
        [&] {
            ended = program.waitForExit(0) != -1;
            shown = mainWindowOf(program.id());
            return ended || (shown != nullptr && IsWindowEnabled(GetDlgItem(shown, IDC_EXTRACT)));
        },
        30000))
        << "no open window from the program";
    ASSERT_FALSE(ended) << "the program ended";
    // The program sorts its list or not as the prefix's settings say; the lines
    // are the same either way.
    PanelSnapshot expected = byDialog;
    PanelSnapshot actual = snapshot(shown);
    std::sort(expected.lines.begin(), expected.lines.end());
    std::sort(actual.lines.begin(), actual.lines.end());
    expectSameSnapshot(expected, actual);
}

} // namespace
