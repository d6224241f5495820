#pragma once
// Drives real windows from a test the way a user would: a thread hook sees every
// message box and dialog that the code under test opens on this thread, records
// what it showed and answers it from a script.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct CapturedBox {
    std::wstring caption;
    std::wstring text;
    UINT icon = 0;    // MB_ICONERROR, MB_ICONINFORMATION, MB_ICONEXCLAMATION, MB_ICONQUESTION or 0
    UINT buttons = 0; // MB_OK or MB_YESNO
    HWND owner = nullptr;
    // The type value the box was evidently shown with (icon | buttons).
    UINT type() const { return icon | buttons; }
};

// While alive, captures every message box and dialog opened on the creating thread.
// Only windows created while the script is alive count: a window that existed
// before it (the program's main window, say) is left alone when it is activated
// again after a dialog closes.
// Message boxes are answered in order from `answers` (IDOK, IDYES, IDNO...); when
// the script runs out, an OK box gets IDOK and a question gets IDNO. Other dialogs
// (the open-file dialog, the folder browser, the program's own dialogs) are handed
// to the queued dialog handlers in order, each called from inside the dialog's own
// modal loop once it is up; a dialog with no handler left is cancelled.
class UiScript {
  public:
    using DialogHandler = std::function<void(HWND dialog)>;

    UiScript();
    ~UiScript();
    UiScript(const UiScript&) = delete;
    UiScript& operator=(const UiScript&) = delete;

    void answer(int buttonId) { answers_.push_back(buttonId); }
    void onDialog(DialogHandler handler) { handlers_.push_back(std::move(handler)); }
    // Runs `handler` from inside the next message box's modal loop, before the
    // box is answered: what a user does while the box is up.
    void whileBoxIsUp(DialogHandler handler) { boxHandlers_.push_back(std::move(handler)); }

    const std::vector<CapturedBox>& boxes() const { return boxes_; }
    std::vector<std::wstring> dialogCaptions() const { return dialogs_; }
    size_t pendingHandlers() const { return handlers_.size(); }

  private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK timerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    void seen(HWND window);
    void act(HWND window);

    HHOOK hook_ = nullptr;
    std::deque<int> answers_;
    std::deque<DialogHandler> handlers_;
    std::deque<DialogHandler> boxHandlers_;
    std::vector<CapturedBox> boxes_;
    std::vector<std::wstring> dialogs_;
    std::vector<HWND> handled_;
    std::vector<HWND> created_;
};

// Is this top-level window a message box (rather than another dialog)?
bool isMessageBox(HWND window);

// Text of a window or of a dialog's control.
std::wstring windowText(HWND window);
std::wstring itemText(HWND dialog, int id);

// UTF-8 of a wide string, for comparing with the program's UTF-8 data.
std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& utf8Text);

// Every line of a list box, read through the wide API.
std::vector<std::wstring> listBoxLines(HWND list);

// `lines` in the order a list box of style LBS_SORT shows them, added one by one.
std::vector<std::wstring> inSortedListBox(const std::vector<std::wstring>& lines);

// Every row of a report-view list view, each its cells from the first column
// on. Read through memory of the list's own process, so that the list of
// another program reads as well.
std::vector<std::vector<std::wstring>> listViewRows(HWND list);

// Clicks an enabled, visible button as the mouse would (BM_CLICK); else nothing.
void clickButton(HWND dialog, int id);

// Open-file dialog: types `path` into the file-name box and presses Open.
void typeFileNameAndOpen(HWND dialog, const std::wstring& path);

// Folder browser: selects `path` (BFFM_SETSELECTION) and presses OK.
void selectFolderAndConfirm(HWND dialog, const std::wstring& path);

// How a wait hands on a message: true when it took it (IsDialogMessage, say);
// any other is translated and dispatched.
using MessageHandler = std::function<bool(MSG&)>;

// The one wait of the window tests: runs this thread's messages until `done`
// holds, and says whether it did before `timeoutMs` passed. A test waits for
// what it needs, never for a set time. A WM_QUIT ends the wait and is posted
// again, for the caller to see as GetMessage would.
bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000,
               const MessageHandler& handle = nullptr);

// Until this thread has no message left: what a posted key, click or command
// set off has then run its course, painting included.
bool waitUntilIdle(const MessageHandler& handle = nullptr);

// A fresh temporary folder, removed with everything in it when the object goes.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    const std::wstring& path() const { return path_; }
    std::string pathUtf8() const { return utf8(path_); }

  private:
    std::wstring path_;
};
