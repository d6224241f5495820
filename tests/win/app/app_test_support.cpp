#include "tests/win/app/app_test_support.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/main_window.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "tests/support/sha256.h"

namespace fs = std::filesystem;

HWND createShownMainWindow() {
    const INITCOMMONCONTROLSEX classes = {sizeof classes,
                                          ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND window = createMainWindow(GetModuleHandleW(nullptr));
    if (window == nullptr)
        return nullptr;
    showMainWindow(window, SW_SHOWNORMAL);
    settleMain(window);
    return window;
}

void destroyMainWindow(HWND window) {
    if (window != nullptr && IsWindow(window))
        DestroyWindow(window);
    // A quit message left behind would end the next test's message boxes at once.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

namespace {

MessageHandler mainLoopOf(HWND window) {
    return [window](MSG& message) {
        processMessage(window, &message);
        return true;
    };
}

} // namespace

void settleMain(HWND window) {
    waitUntilIdle(mainLoopOf(window));
}

bool pumpUntil(HWND window, const std::function<bool()>& done, DWORD timeoutMs) {
    return waitUntil(done, timeoutMs, mainLoopOf(window));
}

namespace {

HWND keyTarget(HWND window) {
    HWND focus = GetFocus();
    if (focus != nullptr && (focus == window || IsChild(window, focus)))
        return focus;
    return window;
}

} // namespace

void pressKey(HWND window, UINT virtualKey) {
    HWND target = keyTarget(window);
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
    settleMain(window);
}

void pressAltLetter(HWND window, wchar_t letter) {
    // Bit 29: the Alt key is down, as for every WM_SYSCHAR of a mnemonic.
    PostMessageW(keyTarget(window), WM_SYSCHAR, letter, 1 | (1u << 29));
    settleMain(window);
}

void openPackage(UiScript& ui, HWND window, const std::wstring& path) {
    ui.onDialog([path](HWND dialog) { typeFileNameAndOpen(dialog, path); });
    clickButton(window, IDC_OPEN);
}

HWND fileList(HWND window) {
    return GetDlgItem(window, IDC_FILE_LIST);
}

std::vector<std::vector<std::wstring>> fileListRows(HWND window) {
    return listViewRows(fileList(window));
}

std::vector<std::wstring> fileListLines(HWND window) {
    std::vector<std::wstring> lines;
    for (const std::vector<std::wstring>& row : fileListRows(window))
        lines.push_back(row.empty() ? std::wstring() : row[0]);
    return lines;
}

std::vector<std::wstring> languagesShown(UiScript& ui, HWND window) {
    std::vector<std::wstring> lines;
    ui.onDialog([&lines](HWND dialog) {
        lines = listBoxLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
        clickButton(dialog, IDOK);
    });
    clickButton(window, IDC_LANGUAGES);
    return lines;
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

int progressPosition(HWND window) {
    return static_cast<int>(SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETPOS, 0, 0));
}

int progressMaximum(HWND window) {
    return static_cast<int>(SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0));
}

bool isEnabled(HWND window, int id) {
    return IsWindowEnabled(GetDlgItem(window, id)) != FALSE;
}

std::wstring programString(int id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                   reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring fileFunctionsError(int textId) {
    return programString(textId) + programString(IdsSuffixFileFunctions);
}

namespace {

// WM_GETTEXT is carried across processes; GetWindowText of another process's
// edit would give its creation text instead.
std::wstring textOf(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    return text;
}

} // namespace

PanelSnapshot snapshot(HWND window) {
    PanelSnapshot s;
    s.path = textOf(GetDlgItem(window, IDC_PATH));
    for (int id = IDC_APP_UID; id <= IDC_SPACE_REQUIRED; ++id)
        s.boxes.push_back(textOf(GetDlgItem(window, id)));
    for (int id : {IDC_FILE_CRC, IDC_CALC_CRC})
        s.boxes.push_back(textOf(GetDlgItem(window, id)));
    s.lines = fileListLines(window);
    s.extractEnabled = isEnabled(window, IDC_EXTRACT);
    s.languagesEnabled = isEnabled(window, IDC_LANGUAGES);
    s.progress = progressPosition(window);
    return s;
}

void expectSameSnapshot(const PanelSnapshot& expected, const PanelSnapshot& actual) {
    EXPECT_EQ(actual.path, expected.path);
    EXPECT_EQ(actual.boxes, expected.boxes);
    EXPECT_EQ(actual.lines, expected.lines);
    EXPECT_EQ(actual.extractEnabled, expected.extractEnabled);
    EXPECT_EQ(actual.languagesEnabled, expected.languagesEnabled);
    EXPECT_EQ(actual.progress, expected.progress);
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::wstring& outputFile) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    std::wstring line = commandLine; // CreateProcessW may write into it
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0,
                        nullptr, nullptr, &startup, &process_))
        process_ = {};
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
}

ChildProcess::~ChildProcess() {
    if (!started())
        return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

long ChildProcess::waitForExit(DWORD timeoutMs) {
    if (!started() || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
}

std::wstring thisExecutable() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring programExecutable() {
    return fs::absolute(fs::u8path(VORANDECK_PROGRAM)).make_preferred().wstring();
}

sis::Package demoPackage() {
    sis::Package package;
    package.records = {
        sis::simpleFile(0, "demo.app", "C:\\system\\apps\\demo\\demo.app", sis::textBytes("app")),
        sis::simpleFile(1, "readme.txt", "C:\\readme.txt", sis::textBytes("read me")),
        sis::simpleFile(0, "b.rsc", "C:\\system\\apps\\demo\\b.rsc", sis::textBytes("rsc")),
    };
    return package;
}

void writePackage(const fs::path& path, const sis::Package& package) {
    ASSERT_TRUE(sis::writeFile(path, sis::build(package).bytes)) << path.string();
}

std::vector<WrittenFile> filesBelow(const fs::path& root) {
    std::vector<WrittenFile> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root, error)) {
        if (!entry.is_regular_file())
            continue;
        WrittenFile file;
        file.path = entry.path().lexically_relative(root).generic_u8string();
        file.size = entry.file_size();
        file.sha256 = testsupport::sha256File(entry.path());
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(),
              [](const WrittenFile& a, const WrittenFile& b) { return a.path < b.path; });
    return files;
}

void setDestDir(const std::string& folder) {
    const size_t length = std::min(folder.size(), sizeof gSettings.DestDir - 1);
    std::memcpy(gSettings.DestDir, folder.data(), length);
    gSettings.DestDir[length] = '\0';
}

void MainWindowTest::SetUp() {
    // Each test's window starts at its smallest size, centred.
    gSettings.WindowPlacement = {};
    gSettings.AskExit = 0;
    gSettings.SortFiles = 0;
    gSettings.OverwriteFiles = 1;
    gSettings.DefaultDest = IDC_DEST_PACKAGE;
    setDestDir("");
    window_ = createShownMainWindow();
    ASSERT_NE(window_, nullptr);
}

void MainWindowTest::TearDown() {
    destroyMainWindow(window_);
    window_ = nullptr;
    gFiles.openMemory(nullptr, 0); // closes the package and forgets its path
}

void MainWindowTest::recreateWindow() {
    destroyMainWindow(window_);
    window_ = createShownMainWindow();
    ASSERT_NE(window_, nullptr);
}
