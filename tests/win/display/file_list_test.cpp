// The file list and the progress step, in the program's real main dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "tests/win/display/display_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

struct Entry {
    uint32_t kind;
    const char* name;
};

std::vector<std::wstring> listAfter(bool sorted, const std::vector<Entry>& entries) {
    TestDialog dialog(IDD_MAIN);
    DisplayFunctions display;
    display.createFileList(dialog.get(), sorted);
    for (const Entry& entry : entries)
        display.addListEntry(entry.kind, entry.name);
    return listBoxLines(display.fileList);
}

TEST(FileListTest, CreatedAsTheProgramPlacesIt) {
    TestDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.get(), nullptr);
    for (bool sorted : {false, true}) {
        DisplayFunctions display;
        display.createFileList(dialog.get(), sorted);
        HWND list = display.fileList;
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(GetParent(list), dialog.get());
        EXPECT_EQ(GetDlgCtrlID(list), 0);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE)),
                  sorted ? 0x50211142u : 0x50211140u);
        EXPECT_TRUE(GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_TRUE(IsWindowUnicode(list));
        EXPECT_EQ(SendMessageW(list, WM_GETFONT, 0, 0),
                  SendMessageW(dialog.get(), WM_GETFONT, 0, 0));

        RECT client = {};
        GetClientRect(dialog.get(), &client);
        const int w = client.right;
        const int h = client.bottom;
        RECT placed = {};
        GetWindowRect(list, &placed);
        MapWindowPoints(nullptr, dialog.get(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, 22);
        EXPECT_EQ(placed.top, h / 2 + (5 * h) / 21);
        EXPECT_EQ(placed.right - placed.left, w - w / 16);
        EXPECT_EQ(placed.bottom - placed.top, h / 6);
        DestroyWindow(list);
    }
}

TEST(FileListTest, LinesCarryTheirPrefix) {
    struct Case {
        uint32_t kind;
        const char* name;
        const wchar_t* line;
    } const cases[] = {
        {0, "!:\\System\\Apps\\A\\A.app", L"!:\\System\\Apps\\A\\A.app"},
        {1, "readme.txt", L"File will be displayed during install: readme.txt"},
        {2, "sub.sis", L"File is a component: sub.sis"},
        {3, "setup.exe", L"File will be run during install: setup.exe"},
        {4, "C:\\System\\Apps\\A\\", L"File will be uninstalled only: C:\\System\\Apps\\A\\"},
        {5, "doc.txt", L"File will be opened during install: doc.txt"},
        {6, "odd.bin", L"odd.bin"},
        {422, "odd2.bin", L"odd2.bin"},
        {3, nullptr, L"File will be run during install: "},
        {0, "C:\\\xC3\x9Cml\xC3\xA4ut\\\xE6\x97\xA5\xE6\x9C\xAC.txt",
         L"C:\\\u00DCml\u00E4ut\\\u65E5\u672C.txt"},
    };
    for (const auto& c : cases) {
        const std::vector<std::wstring> lines = listAfter(false, {{c.kind, c.name}});
        ASSERT_EQ(lines.size(), 1u) << "kind " << c.kind;
        EXPECT_EQ(lines[0], c.line) << "kind " << c.kind;
    }
}

TEST(FileListTest, OrderFollowsTheSortSetting) {
    const std::vector<Entry> entries = {{0, "b.txt"}, {1, "z.txt"}, {0, "a.txt"}, {2, "c.sis"}};
    const std::vector<std::wstring> unsorted = listAfter(false, entries);
    const std::vector<std::wstring> inPackageOrder = {
        L"b.txt", L"File will be displayed during install: z.txt", L"a.txt",
        L"File is a component: c.sis"};
    EXPECT_EQ(unsorted, inPackageOrder);
    const std::vector<std::wstring> sorted = listAfter(true, entries);
    const std::vector<std::wstring> alphabetical = {
        L"a.txt", L"b.txt", L"File is a component: c.sis",
        L"File will be displayed during install: z.txt"};
    EXPECT_EQ(sorted, alphabetical);
}

// The lines of one package listed at once into a sorted list, against the same
// lines added to it one by one, where the list box finds each one's place.
std::vector<std::wstring> listedAsOnePackage(const std::vector<Entry>& entries) {
    TestDialog dialog(IDD_MAIN);
    DisplayFunctions display;
    display.createFileList(dialog.get(), true);
    display.beginListing();
    for (const Entry& entry : entries)
        display.addListEntry(entry.kind, entry.name);
    display.endListing();
    return listBoxLines(display.fileList);
}

TEST(FileListTest, ASortedListingOrdersLinesAsTheListBoxDoes) {
    const std::vector<Entry> packages[] = {
        {{0, "b.txt"}, {0, "a.txt"}, {0, "C.txt"}, {0, "a.txt"}, {0, "b.txt"}},
        {{0, "co-op"}, {0, "coop"}, {0, "co op"}, {0, "co'op"}, {0, "Co-Op2"}, {0, "-"}},
        {{0, "file10"},
         {0, "file9"},
         {0, "file1"},
         {0, "\xC3\xA9t\xC3\xA9"},
         {0, "ete"},
         {0, "Zeta"},
         {0, "\xE6\x97\xA5"},
         {0, ""},
         {0, "_x"},
         {0, "~x"},
         {0, "1x"}},
        {{1, "x"}, {2, "x"}, {0, "File is"}, {5, "a"}, {0, "file will"}},
        // Lines equal but for case: their places are the list box's to choose.
        {{0, "a.txt"}, {0, "b"}, {0, "A.TXT"}, {0, "a.Txt"}},
    };
    for (const std::vector<Entry>& entries : packages)
        EXPECT_EQ(listedAsOnePackage(entries), listAfter(true, entries))
            << "package beginning " << entries[0].name;

    // Many short names of characters that sort in unusual ways.
    const char* const pieces[] = {"a", "B", "-", "'", " ", "1", "9", "\xC3\xA9", ".", "\xC3\x9F"};
    std::vector<std::string> names;
    uint32_t seed = 12345;
    for (int i = 0; i < 400; ++i) {
        std::string name;
        for (int length = 1 + i % 6; length > 0; --length) {
            seed = seed * 1103515245u + 12345u;
            name += pieces[(seed >> 16) % 10];
        }
        names.push_back(name);
    }
    std::vector<Entry> many;
    for (const std::string& name : names)
        many.push_back({0, name.c_str()});
    EXPECT_EQ(listedAsOnePackage(many), listAfter(true, many));
}

TEST(FileListTest, LongLinesAreCutAt249Characters) {
    const std::string longName(300, 'n');
    const std::wstring prefix = L"File is a component: ";
    EXPECT_EQ(listAfter(false, {{2, longName.c_str()}})[0],
              (prefix + std::wstring(300, L'n')).substr(0, 249));
    EXPECT_EQ(listAfter(false, {{0, longName.c_str()}})[0], std::wstring(249, L'n'));
    // A character outside the basic plane takes two units and is never split.
    const std::string pairAtEnd = std::string(248, 'n') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(listAfter(false, {{0, pairAtEnd.c_str()}})[0], std::wstring(248, L'n'));
    const std::string pairFits = std::string(247, 'n') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(listAfter(false, {{0, pairFits.c_str()}})[0],
              std::wstring(247, L'n') + L"\U0001F600");
}

TEST(FileListTest, ClearEmptiesTheList) {
    TestDialog dialog(IDD_MAIN);
    DisplayFunctions display;
    display.createFileList(dialog.get(), false);
    display.addListEntry(0, "one");
    display.addListEntry(1, "two");
    display.clearFileList();
    EXPECT_TRUE(listBoxLines(display.fileList).empty());
    display.addListEntry(0, "three");
    EXPECT_EQ(listBoxLines(display.fileList), std::vector<std::wstring>{L"three"});
}

COLORREF pixelAt(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

TEST(ProgressTest, StepsMoveAtOnceAndShowByTheEnd) {
    TestDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.get(), nullptr);
    HWND bar = GetDlgItem(dialog.get(), IDC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 0, 4);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    ShowWindow(dialog.get(), SW_SHOWNORMAL);
    UpdateWindow(dialog.get());
    pumpMessages(300);

    DisplayFunctions display;
    display.mainWindow = dialog.get();
    RECT client = {};
    GetClientRect(bar, &client);
    const int y = client.bottom / 2;
    const int firstQuarter = client.right / 8;
    const int lastQuarter = client.right - client.right / 8;
    const COLORREF empty = pixelAt(bar, firstQuarter, y);
    ASSERT_EQ(pixelAt(bar, lastQuarter, y), empty);

    // No message is pumped between the steps and the look: an extraction does not pump either.
    display.stepProgress();
    display.stepProgress();
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 2);
    EXPECT_NE(pixelAt(bar, firstQuarter, y), empty) << "the bar did not advance on screen";
    EXPECT_EQ(pixelAt(bar, lastQuarter, y), empty);
    display.stepProgress();
    display.stepProgress();
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 4);
    // Steps this quick are painted together, as the extraction ends.
    display.paintProgress();
    EXPECT_NE(pixelAt(bar, lastQuarter, y), empty) << "the last step did not show";
}

// Windows' own bar only invalidates itself on a step and paints when the message
// loop comes round; Wine's paints at once and so cannot show the difference.
// This bar paints the way Windows' does, so the test sees what a user of a busy
// program would see.
LRESULT CALLBACK lazyBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case PBM_STEPIT: {
        const LONG_PTR position = GetWindowLongPtrW(bar, GWLP_USERDATA);
        SetWindowLongPtrW(bar, GWLP_USERDATA, position + 1);
        InvalidateRect(bar, nullptr, FALSE);
        return position;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(bar, &paint);
        RECT client = {};
        GetClientRect(bar, &client);
        RECT done = client;
        done.right = static_cast<LONG>(client.right * GetWindowLongPtrW(bar, GWLP_USERDATA) / 4);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        FillRect(dc, &done, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(bar, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(bar, message, wParam, lParam);
    }
}

// A window holding a lazy bar 400 pixels wide, of four steps, shown and painted empty.
HWND showLazyBar(HWND* bar) {
    WNDCLASSW barClass = {};
    barClass.lpfnWndProc = lazyBarProc;
    barClass.hInstance = GetModuleHandleW(nullptr);
    barClass.lpszClassName = L"VorandeckLazyBar";
    RegisterClassW(&barClass);
    HWND main = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 400, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    *bar = CreateWindowExW(0, L"VorandeckLazyBar", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 20, main,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)),
                           GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(main);
    pumpMessages(200);
    return main;
}

TEST(ProgressTest, StepPaintsEvenWhenTheBarWaitsForTheLoop) {
    HWND bar = nullptr;
    HWND main = showLazyBar(&bar);
    const COLORREF empty = pixelAt(bar, 50, 10);
    ASSERT_EQ(empty, RGB(255, 255, 255));

    DisplayFunctions display;
    display.mainWindow = main;
    display.stepProgress();
    EXPECT_EQ(pixelAt(bar, 50, 10), RGB(0, 0, 0)) << "the step waited for the message loop";
    EXPECT_EQ(pixelAt(bar, 150, 10), RGB(255, 255, 255));
    DestroyWindow(main);
}

TEST(ProgressTest, QuickStepsShowAtTheEndAndAfterAPause) {
    // Steps come faster than the bar is painted; what was skipped must show at
    // the end, and a step after a pause must show at once.
    HWND bar = nullptr;
    HWND main = showLazyBar(&bar);
    DisplayFunctions display;
    display.mainWindow = main;
    display.stepProgress();
    display.stepProgress();
    EXPECT_EQ(pixelAt(bar, 50, 10), RGB(0, 0, 0)) << "the first step did not show";
    display.paintProgress();
    EXPECT_EQ(pixelAt(bar, 150, 10), RGB(0, 0, 0)) << "the end did not show";
    EXPECT_EQ(pixelAt(bar, 250, 10), RGB(255, 255, 255));
    Sleep(100);
    display.stepProgress();
    EXPECT_EQ(pixelAt(bar, 250, 10), RGB(0, 0, 0)) << "a step after a pause did not show";
    DestroyWindow(main);
}

} // namespace
