// The "..." button inside an edit's frame, driven with real mouse input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/browse_button.h"
#include "tests/win/controls/mouse_input.h"
#include "tests/win/support/ui_driver.h"

namespace {

const int kEditId = 503;
const UINT kCommandId = 114;
const int kWidth = 18;

std::vector<MSG> commandsSeen;   // WM_COMMAND at the host window
std::vector<UINT> editMouseSeen; // mouse messages the system delivered to the edit
HWND spiedEdit = nullptr;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) != kEditId)
        commandsSeen.push_back({window, message, wParam, lParam, 0, {}});
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK spyProc(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->hwnd == spiedEdit &&
        message->message >= WM_NCMOUSEMOVE && message->message <= WM_NCMBUTTONDBLCLK)
        editMouseSeen.push_back(message->message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

const wchar_t* hostClass() {
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = hostProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"VorandeckBrowseHost";
        atom = RegisterClassW(&windowClass);
    }
    return L"VorandeckBrowseHost";
}

HWND createEdit(HWND parent, int id, int top) {
    return CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"",
                           WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 20, top,
                           240, 24, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// A shown top-level window holding two edits of the same size and style, of which
// only the first carries the button.
class BrowseHost {
  public:
    BrowseHost() {
        window = CreateWindowExW(WS_EX_TOPMOST, hostClass(), L"Browse host",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 220, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        edit = createEdit(window, kEditId, 20);
        plainEdit = createEdit(window, kEditId + 1, 80);
        attached = attachBrowseButton(edit, kCommandId, kWidth);
        SetForegroundWindow(window);
        spiedEdit = edit;
        spy_ = SetWindowsHookExW(WH_GETMESSAGE, spyProc, nullptr, GetCurrentThreadId());
        commandsSeen.clear();
        editMouseSeen.clear();
        waitUntilIdle();
    }
    ~BrowseHost() {
        UnhookWindowsHookEx(spy_);
        DestroyWindow(window);
        waitUntilIdle();
    }
    BrowseHost(const BrowseHost&) = delete;
    BrowseHost& operator=(const BrowseHost&) = delete;

    HWND window = nullptr;
    HWND edit = nullptr;
    HWND plainEdit = nullptr;
    int attached = 0;

  private:
    HHOOK spy_ = nullptr;
};

// Where the button's face shows its fill: inside its edge, above the dots.
COLORREF buttonFace(HWND edit) {
    RECT window = {};
    GetWindowRect(edit, &window);
    RECT client = {};
    GetClientRect(edit, &client);
    POINT corner = {client.right, client.top};
    ClientToScreen(edit, &corner);
    HDC dc = GetWindowDC(edit);
    const COLORREF colour = GetPixel(dc, corner.x - window.left + 4, corner.y - window.top + 4);
    ReleaseDC(edit, dc);
    return colour;
}

POINT outsideTheEdit(HWND edit) {
    RECT window = {};
    GetWindowRect(edit, &window);
    return {window.right - 5, window.bottom + 20};
}

TEST(BrowseButton, TheTextStopsWhereTheButtonBegins) {
    BrowseHost host;
    ASSERT_EQ(host.attached, 1);

    RECT client = {}, plain = {}, window = {};
    GetClientRect(host.edit, &client);
    GetClientRect(host.plainEdit, &plain);
    GetWindowRect(host.edit, &window);
    POINT origin = {0, 0}, plainOrigin = {0, 0};
    ClientToScreen(host.edit, &origin);
    ClientToScreen(host.plainEdit, &plainOrigin);
    RECT plainWindow = {};
    GetWindowRect(host.plainEdit, &plainWindow);

    EXPECT_EQ(plain.right - client.right, kWidth);
    EXPECT_EQ(client.bottom, plain.bottom);
    EXPECT_EQ(origin.x - window.left, plainOrigin.x - plainWindow.left);
    EXPECT_EQ(origin.y - window.top, plainOrigin.y - plainWindow.top);
    const LONG rightBorder = (plainWindow.right - plainOrigin.x) - plain.right;
    EXPECT_EQ(origin.x + client.right + kWidth, window.right - rightBorder)
        << "the button fills the strip just inside the right border";

    RECT formatting = {};
    SendMessageW(host.edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
    EXPECT_LE(formatting.right, client.right);

    const POINT button = browseButtonMiddle(host.edit, kWidth);
    const POINT text = textAreaPoint(host.edit);
    EXPECT_EQ(SendMessageW(host.edit, WM_NCHITTEST, 0, MAKELPARAM(button.x, button.y)), HTBORDER);
    EXPECT_EQ(SendMessageW(host.edit, WM_NCHITTEST, 0, MAKELPARAM(text.x, text.y)), HTCLIENT);
}

enum class Act { ToButton, ToText, OffTheEdit, Press, Release };

struct Step {
    Act act;
    int look;     // -1: not checked; 0: normal; 1: pressed
    int captured; // -1: not checked; else whether the edit holds the mouse
};

struct MouseCase {
    const char* name;
    std::vector<Step> steps;
    size_t commands;
};

const MouseCase kMouseCases[] = {
    {"a click on the button posts the command",
     {{Act::ToButton, 0, false}, {Act::Press, 1, true}, {Act::Release, 0, false}},
     1},
    {"pressing, dragging off and releasing posts nothing",
     {{Act::ToButton, 0, false},
      {Act::Press, 1, true},
      {Act::ToText, 0, true},
      {Act::Release, 0, false}},
     0},
    {"dragging back onto the button before releasing posts the command",
     {{Act::ToButton, 0, false},
      {Act::Press, 1, true},
      {Act::ToText, 0, true},
      {Act::ToButton, 1, true},
      {Act::Release, 0, false}},
     1},
    {"the capture holds when the cursor leaves the edit",
     {{Act::ToButton, 0, false},
      {Act::Press, 1, true},
      {Act::OffTheEdit, 0, true},
      {Act::Release, 0, false}},
     0},
    // The edit takes the capture itself while a press in its text selects.
    {"a click in the text area leaves the button alone",
     {{Act::ToText, 0, false}, {Act::Press, 0, -1}, {Act::Release, 0, false}},
     0},
    {"a double click presses the button again",
     {{Act::ToButton, 0, false},
      {Act::Press, 1, true},
      {Act::Release, 0, false},
      {Act::Press, 1, true},
      {Act::Release, 0, false}},
     2},
};

void perform(const BrowseHost& host, Act act) {
    switch (act) {
    case Act::ToButton: {
        const POINT target = browseButtonMiddle(host.edit, kWidth);
        const POINT at = moveMouseTo(target);
        ASSERT_TRUE(at.x == target.x && at.y == target.y) << "cursor at " << at.x << "," << at.y;
        break;
    }
    case Act::ToText:
        moveMouseTo(textAreaPoint(host.edit));
        break;
    case Act::OffTheEdit:
        moveMouseTo(outsideTheEdit(host.edit));
        break;
    case Act::Press:
        pressLeftButton();
        break;
    case Act::Release:
        releaseLeftButton();
        break;
    }
}

TEST(BrowseButton, RespondsToTheMouseLikeAPushButton) {
    const bool looksDiffer = GetSysColor(COLOR_BTNHIGHLIGHT) != GetSysColor(COLOR_BTNFACE);
    for (const MouseCase& entry : kMouseCases) {
        SCOPED_TRACE(entry.name);
        BrowseHost host;
        for (size_t i = 0; i < entry.steps.size(); ++i) {
            const Step& step = entry.steps[i];
            SCOPED_TRACE("step " + std::to_string(i));
            perform(host, step.act);
            if (step.captured >= 0) {
                EXPECT_EQ(GetCapture() == host.edit, step.captured == 1);
            }
            if (looksDiffer && step.look >= 0) {
                EXPECT_EQ(buttonFace(host.edit),
                          GetSysColor(step.look == 1 ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE));
            }
        }
        waitUntilIdle();
        EXPECT_EQ(commandsSeen.size(), entry.commands);
        for (const MSG& command : commandsSeen) {
            EXPECT_EQ(command.wParam, static_cast<WPARAM>(kCommandId)) << "notification code 0";
            EXPECT_EQ(command.lParam, 0) << "no control handle";
        }
        if (entry.commands == 2) {
            EXPECT_NE(std::find(editMouseSeen.begin(), editMouseSeen.end(),
                                static_cast<UINT>(WM_NCLBUTTONDBLCLK)),
                      editMouseSeen.end())
                << "the system did not report a double click";
        }
        if (entry.steps[0].act == Act::ToText) {
            EXPECT_EQ(GetFocus(), host.edit);
        }
        moveMouseTo({5, 5});
    }
}

TEST(BrowseButton, TheRecordIsFreedWithTheEdit) {
    const LONG before = browseButtonsAlive();
    for (int round = 0; round < 100; ++round) {
        HWND parent = CreateWindowExW(0, hostClass(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        HWND edit = createEdit(parent, kEditId, 10);
        ASSERT_EQ(attachBrowseButton(edit, kCommandId, kWidth), 1);
        ASSERT_EQ(browseButtonsAlive(), before + 1);
        if (round % 2 == 0)
            DestroyWindow(edit); // alone, or else with its parent
        DestroyWindow(parent);
    }
    EXPECT_EQ(browseButtonsAlive(), before);
}

} // namespace
