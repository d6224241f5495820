// The main window as the user meets it: its layout, its buttons, the keyboard,
// About, and every way of leaving it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "tests/win/app/app_test_support.h"
#include "tests/win/app/layout_checks.h"

namespace {

// Position and size are converted one by one, as the dialog manager does.
RECT dialogRect(HWND window, int x, int y, int width, int height) {
    RECT units = {x, y, width, height};
    MapDialogRect(window, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT childRect(HWND window, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct StaticFinder {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK findStatic(HWND child, LPARAM param) {
    auto* finder = reinterpret_cast<StaticFinder*>(param);
    if (_wcsicmp(className(child).c_str(), L"Static") == 0 && windowText(child) == finder->text) {
        finder->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND staticWithText(HWND window, const std::wstring& text) {
    StaticFinder finder{text};
    EnumChildWindows(window, findStatic, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

struct GroupFinder {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK findGroup(HWND child, LPARAM param) {
    auto* finder = reinterpret_cast<GroupFinder*>(param);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(className(child).c_str(), L"Button") == 0 &&
        (style & BS_TYPEMASK) == BS_GROUPBOX && windowText(child) == finder->text) {
        finder->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND groupBox(HWND window, const std::wstring& text) {
    GroupFinder finder{text};
    EnumChildWindows(window, findGroup, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

bool takeQuit(int* code) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    *code = static_cast<int>(message.wParam);
    return true;
}

// The text nearest left of `field` whose line is the field's, if any.
HWND labelLeftOf(HWND window, HWND field) {
    const RECT fieldRect = childRect(window, field);
    HWND nearest = nullptr;
    LONG nearestRight = LONG_MIN;
    for (HWND child : visibleChildren(window)) {
        const RECT r = childRect(window, child);
        if (_wcsicmp(className(child).c_str(), L"Static") == 0 && !windowText(child).empty() &&
            r.right <= fieldRect.left && r.top >= fieldRect.top && r.bottom <= fieldRect.bottom &&
            r.right > nearestRight) {
            nearest = child;
            nearestRight = r.right;
        }
    }
    return nearest;
}

// A label belongs to its field when it ends left of it on the same line.
void expectLabelLeftOf(HWND window, HWND field, const wchar_t* label) {
    HWND text = staticWithText(window, label);
    ASSERT_NE(text, nullptr) << "no label " << utf8(label);
    const RECT labelRect = childRect(window, text);
    const RECT fieldRect = childRect(window, field);
    EXPECT_LE(labelRect.right, fieldRect.left) << utf8(label);
    EXPECT_GE(labelRect.top, fieldRect.top) << utf8(label);
    EXPECT_LE(labelRect.bottom, fieldRect.bottom) << utf8(label);
    // Not a stray label from another column.
    EXPECT_LT(fieldRect.left - labelRect.right, 10) << utf8(label);
}

class MainWindowLayout : public MainWindowTest {};

TEST_F(MainWindowLayout, DialogIsAResizableCentredCaptionedControlParent) {
    EXPECT_EQ(windowText(window_), L"Vorandeck");
    const LONG style = GetWindowLongW(window_, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr);

    // It starts at its smallest size, the size it has always had.
    RECT client;
    GetClientRect(window_, &client);
    EXPECT_TRUE(sameRect(client, dialogRect(window_, 0, 0, 455, 356))) << describe(client);
    RECT frame;
    GetWindowRect(window_, &frame);
    SetWindowPos(window_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    RECT shrunk;
    GetWindowRect(window_, &shrunk);
    EXPECT_EQ(shrunk.right - shrunk.left, frame.right - frame.left);
    EXPECT_EQ(shrunk.bottom - shrunk.top, frame.bottom - frame.top);

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((frame.left + frame.right) / 2, screenWidth / 2, 4);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, screenHeight / 2, 40);

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    ASSERT_NE(font, nullptr);
    GetObjectW(font, sizeof logFont, &logFont);
    EXPECT_STREQ(logFont.lfFaceName, L"Microsoft Sans Serif");
}

TEST_F(MainWindowLayout, MaximisedTheListTakesTheScreen) {
    const RECT small = childRect(window_, fileList(window_));
    ShowWindow(window_, SW_MAXIMIZE);
    settleMain(window_);
    EXPECT_TRUE(IsZoomed(window_));
    const RECT large = childRect(window_, fileList(window_));
    EXPECT_GT(large.right - large.left, small.right - small.left);
    EXPECT_GT(large.bottom - large.top, small.bottom - small.top);
    expectControlsInPlace(window_);
}

TEST_F(MainWindowLayout, WindowIsHiddenUntilShown) {
    HWND hidden = createMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(gDisplay.mainWindow, hidden);
    destroyMainWindow(hidden);
    gDisplay.mainWindow = window_;
}

// The header's boxes are the window's read-only edits: each empty until a
// package opens, passed over by Tab, with a label of its own just left of it.
TEST_F(MainWindowLayout, HeaderFieldsAreReadOnlyBoxesWithLabelsLeftOfThem) {
    std::vector<HWND> labels;
    size_t boxes = 0;
    for (HWND box : visibleChildren(window_)) {
        const LONG style = GetWindowLongW(box, GWL_STYLE);
        if (_wcsicmp(className(box).c_str(), L"Edit") != 0 || !(style & ES_READONLY))
            continue;
        ++boxes;
        SCOPED_TRACE(describe(window_, box));
        // Edit controls turn a plain border into a sunken edge.
        EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        EXPECT_FALSE(style & WS_TABSTOP);
        EXPECT_EQ(windowText(box), L"");
        HWND label = labelLeftOf(window_, box);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(windowText(label).back(), L':');
        EXPECT_EQ(std::count(labels.begin(), labels.end(), label), 0) << "a label of two boxes";
        labels.push_back(label);
        expectLabelLeftOf(window_, box, windowText(label).c_str());
    }
    EXPECT_GT(boxes, 1u);
}

TEST_F(MainWindowLayout, PlacementIsKeptAndRestoredOnAScreenThatIsThere) {
    RECT smallest;
    GetWindowRect(window_, &smallest);
    const RECT moved = {20, 30, 20 + smallest.right - smallest.left + 200,
                        30 + smallest.bottom - smallest.top + 100};
    SetWindowPos(window_, nullptr, moved.left, moved.top, moved.right - moved.left,
                 moved.bottom - moved.top, SWP_NOZORDER);
    recreateWindow();
    RECT restored;
    GetWindowRect(window_, &restored);
    EXPECT_TRUE(sameRect(restored, moved)) << describe(restored);
    RegistryFunctions stored{RegistryFunctions::NoLoad{}};
    stored.loadSettings();
    EXPECT_TRUE(sameRect(stored.WindowPlacement.rcNormalPosition, moved));

    ShowWindow(window_, SW_MAXIMIZE);
    recreateWindow();
    EXPECT_TRUE(IsZoomed(window_));

    // Kept from a screen that is gone: it starts centred, at its smallest.
    destroyMainWindow(window_);
    gSettings.WindowPlacement.rcNormalPosition = {30000, 30000, 31000, 31000};
    gSettings.WindowPlacement.showCmd = SW_SHOWNORMAL;
    window_ = createShownMainWindow();
    GetWindowRect(window_, &restored);
    EXPECT_FALSE(IsZoomed(window_));
    EXPECT_TRUE(sameRect(restored, smallest)) << describe(restored);
}

TEST_F(MainWindowLayout, PathBoxBackButtonProgressBarAndLanguagesButton) {
    HWND path = GetDlgItem(window_, IDC_PATH);
    ASSERT_NE(path, nullptr);
    const LONG pathStyle = GetWindowLongW(path, GWL_STYLE);
    EXPECT_FALSE(pathStyle & ES_READONLY);
    EXPECT_TRUE(pathStyle & WS_TABSTOP);
    expectLabelLeftOf(window_, path, L"File:");
    // The way back sits at the end of the path's row.
    HWND back = GetDlgItem(window_, IDC_BACK);
    EXPECT_EQ(windowText(back), L"<-");
    EXPECT_FALSE(IsWindowEnabled(back));
    EXPECT_EQ(childRect(window_, back).top, childRect(window_, path).top);
    EXPECT_GT(childRect(window_, back).left, childRect(window_, path).right);

    HWND bar = GetDlgItem(window_, IDC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(_wcsicmp(className(bar).c_str(), PROGRESS_CLASSW), 0);
    EXPECT_EQ(progressPosition(window_), 0);

    HWND languages = GetDlgItem(window_, IDC_LANGUAGES);
    ASSERT_NE(languages, nullptr);
    EXPECT_EQ(windowText(languages), L"->");
    EXPECT_FALSE(IsWindowEnabled(languages));
    EXPECT_TRUE(GetWindowLongW(languages, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(MainWindowLayout, GroupBoxesFrameTheirContents) {
    for (const wchar_t* text :
         {L"General Info", L"UID Info", L"Install Info", L"Block Offsets", L"Files"})
        EXPECT_NE(groupBox(window_, text), nullptr) << utf8(text);
    // Every control inside or clear of every group, and the list inside "Files".
    expectControlsInPlace(window_);
    RECT files = childRect(window_, groupBox(window_, L"Files"));
    RECT list = childRect(window_, fileList(window_));
    EXPECT_TRUE(list.left >= files.left && list.right <= files.right && list.top >= files.top &&
                list.bottom <= files.bottom);
}

TEST_F(MainWindowLayout, CommandButtonsInOneRowAlongTheBottom) {
    struct Command {
        int id;
        const wchar_t* text;
        bool enabled;
    };
    const Command commands[] = {
        {IDC_OPEN, L"&Open...", true},        {IDC_EXTRACT, L"&Extract Files", false},
        {IDC_DETAILS, L"&Details...", false}, {IDC_SETTINGS, L"&Settings...", true},
        {IDC_ABOUT, L"&About", true},         {IDC_EXIT, L"E&xit", true},
    };
    const RECT files = childRect(window_, groupBox(window_, L"Files"));
    LONG left = files.left;
    for (const Command& command : commands) {
        SCOPED_TRACE(utf8(command.text));
        HWND button = GetDlgItem(window_, command.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(windowText(button), command.text);
        EXPECT_EQ(IsWindowEnabled(button) != FALSE, command.enabled);
        const RECT rect = childRect(window_, button);
        EXPECT_EQ(rect.top, childRect(window_, GetDlgItem(window_, IDC_OPEN)).top);
        EXPECT_GT(rect.top, files.bottom);
        EXPECT_GE(rect.left, left) << "left to right in this order";
        left = rect.right;
    }
    EXPECT_LE(left, files.right);
    EXPECT_EQ(LOWORD(SendMessageW(window_, DM_GETDEFID, 0, 0)), IDC_OPEN);
}

TEST_F(MainWindowLayout, TabOrderFollowsTheLayout) {
    TempFolder folder;
    const std::wstring path = folder.path() + L"\\demo.sis";
    writePackage(path, demoPackage());
    UiScript ui;
    openPackage(ui, window_, path);
    // From the path box round to it again: rows top down, each left to right,
    // the list before the buttons below it, and no header box on the way.
    SetFocus(GetDlgItem(window_, IDC_PATH));
    std::vector<int> visited = {IDC_PATH};
    for (int step = 0; step < 20; ++step) {
        pressKey(window_, VK_TAB);
        if (GetFocus() == GetDlgItem(window_, IDC_PATH))
            break;
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(visited,
              (std::vector<int>{IDC_PATH, IDC_LANGUAGES, IDC_FILE_LIST, IDC_OPEN, IDC_EXTRACT,
                                IDC_DETAILS, IDC_SETTINGS, IDC_ABOUT, IDC_EXIT}));
}

class MainWindowCommands : public MainWindowTest {};

TEST_F(MainWindowCommands, AboutShowsTheProgramsAboutText) {
    UiScript ui;
    clickButton(window_, IDC_ABOUT);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"About");
    EXPECT_EQ(ui.boxes()[0].text, programString(IdsAboutText));
    EXPECT_FALSE(ui.boxes()[0].text.empty());
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MainWindowCommands, EnterPressesOpenAndCancellingChangesNothing) {
    bool sawFileDialog = false;
    UiScript ui;
    ui.onDialog([&sawFileDialog](HWND dialog) {
        sawFileDialog =
            GetDlgItem(dialog, 0x47C) != nullptr || GetDlgItem(dialog, 0x480) != nullptr;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    SetFocus(GetDlgItem(window_, IDC_PATH));
    pressKey(window_, VK_RETURN);
    EXPECT_TRUE(sawFileDialog);
    EXPECT_TRUE(ui.boxes().empty());
    EXPECT_EQ(itemText(window_, IDC_PATH), L"");
    EXPECT_FALSE(isEnabled(window_, IDC_EXTRACT));
    EXPECT_FALSE(isEnabled(window_, IDC_LANGUAGES));
}

TEST_F(MainWindowCommands, EscapeDoesNotCloseTheWindow) {
    UiScript ui;
    pressKey(window_, VK_ESCAPE);
    SetFocus(GetDlgItem(window_, IDC_OPEN));
    pressKey(window_, VK_ESCAPE);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(ui.boxes().empty());
    int code = -1;
    EXPECT_FALSE(takeQuit(&code));
}

TEST_F(MainWindowCommands, WindowCreationFailureIsReportedWithoutOwner) {
    gDisplay.mainWindow = nullptr; // as at start, before any window exists
    UiScript ui;
    // A module without the main dialog's template.
    HWND none = createMainWindow(GetModuleHandleW(L"kernel32.dll"));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(gDisplay.mainWindow, nullptr);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Error!");
    EXPECT_EQ(ui.boxes()[0].text, L"Window Creation Failed!\nMain Program");
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
    gDisplay.mainWindow = window_;
}

TEST_F(MainWindowCommands, MessageLoopEndsWithTheWindowAndReturnsZero) {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, IDC_EXIT)));
    EXPECT_EQ(runMessageLoop(window_), 0);
    EXPECT_FALSE(IsWindow(window_));
}

// Every way out, with and without the question.
enum class Leave { ExitButton, CloseBox, CloseMessage, AltX };

struct LeaveCase {
    const char* name;
    Leave how;
    DWORD askExit;
    int answer; // 0: no question expected
    bool closes;
};

class LeavingTheProgram : public MainWindowTest, public ::testing::WithParamInterface<LeaveCase> {};

void leave(HWND window, Leave how) {
    switch (how) {
    case Leave::ExitButton:
        clickButton(window, IDC_EXIT);
        break;
    case Leave::CloseBox:
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case Leave::CloseMessage:
        SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case Leave::AltX:
        pressAltLetter(window, L'x');
        break;
    }
}

TEST_P(LeavingTheProgram, ClosesOnlyWhenNotToldNo) {
    const LeaveCase& c = GetParam();
    gSettings.AskExit = c.askExit;
    UiScript ui;
    if (c.answer != 0)
        ui.answer(c.answer);
    leave(window_, c.how);
    settleMain(window_);

    EXPECT_EQ(IsWindow(window_) == FALSE, c.closes);
    int code = -1;
    EXPECT_EQ(takeQuit(&code), c.closes);
    if (c.closes) {
        EXPECT_EQ(code, 0);
    }
    if (c.answer == 0) {
        EXPECT_TRUE(ui.boxes().empty());
        return;
    }
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].caption, L"Question");
    EXPECT_EQ(ui.boxes()[0].text, L"Do you really want to quit?");
    EXPECT_EQ(ui.boxes()[0].type(), static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
}

const LeaveCase kLeaveCases[] = {
    {"ExitWithoutQuestion", Leave::ExitButton, 0, 0, true},
    {"ExitAnsweredYes", Leave::ExitButton, 1, IDYES, true},
    {"ExitAnsweredNo", Leave::ExitButton, 1, IDNO, false},
    {"CloseBoxWithoutQuestion", Leave::CloseBox, 0, 0, true},
    {"CloseBoxAnsweredYes", Leave::CloseBox, 1, IDYES, true},
    {"CloseBoxAnsweredNo", Leave::CloseBox, 1, IDNO, false},
    {"CloseMessageAnsweredNo", Leave::CloseMessage, 1, IDNO, false},
    {"CloseMessageAnsweredYes", Leave::CloseMessage, 1, IDYES, true},
    {"MnemonicAnsweredNo", Leave::AltX, 1, IDNO, false},
    {"MnemonicWithoutQuestion", Leave::AltX, 0, 0, true},
};

INSTANTIATE_TEST_SUITE_P(AllWays, LeavingTheProgram, ::testing::ValuesIn(kLeaveCases),
                         [](const ::testing::TestParamInfo<LeaveCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
