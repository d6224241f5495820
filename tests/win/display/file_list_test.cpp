// The file list and the progress step, in the program's real main dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
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
    uint64_t original = 0;
    uint64_t stored = 0;
    std::vector<uint32_t> languages = {}; // of its files; none: one file of no language
    uint32_t capabilities = 0;
};

std::shared_ptr<Package> packageOf(const std::vector<Entry>& entries,
                                   PackageKind kind = PackageKind::Epoc) {
    auto package = std::make_shared<Package>();
    package->kind = kind;
    Contents& contents = package->contents;
    for (const Entry& e : entries) {
        PackageEntry entry;
        entry.name = contents.addName(e.name != nullptr ? e.name : "");
        entry.kind = static_cast<uint8_t>(e.kind);
        entry.originalLength = e.original;
        entry.storedLength = e.stored;
        entry.capabilities = e.capabilities;
        entry.hasCapabilities = e.capabilities != 0;
        entry.fileCount = 1;
        if (!e.languages.empty()) {
            contents.languages = e.languages;
            entry.languageVariants = true;
            entry.fileCount = static_cast<uint16_t>(e.languages.size());
        }
        contents.entries.push_back(entry);
    }
    return package;
}

std::vector<std::wstring> column(const std::vector<std::vector<std::wstring>>& rows, int index) {
    std::vector<std::wstring> cells;
    for (const std::vector<std::wstring>& row : rows)
        cells.push_back(row.at(static_cast<size_t>(index)));
    return cells;
}

// The main dialog's file list showing `package`.
struct ShownList {
    DisplayFunctions display;
    TestDialog dialog{IDD_MAIN, &display};
    ShownList(std::shared_ptr<Package> package, bool sorted) {
        display.createFileList(dialog.get(), sorted);
        display.showFiles(std::move(package));
    }
    std::vector<std::vector<std::wstring>> rows() const { return listViewRows(display.fileList); }
    std::vector<std::wstring> lines() const { return column(rows(), 0); }
    void clickHeader(int index) {
        NMLISTVIEW click = {};
        click.hdr = {display.fileList, static_cast<UINT_PTR>(IDC_FILE_LIST), LVN_COLUMNCLICK};
        click.iSubItem = index;
        SendMessageW(dialog.get(), WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
    }
    int arrow(int index) const {
        HWND header = reinterpret_cast<HWND>(SendMessageW(display.fileList, LVM_GETHEADER, 0, 0));
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
};

std::vector<std::wstring> linesShown(bool sorted, const std::vector<Entry>& entries) {
    return ShownList(packageOf(entries), sorted).lines();
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
    std::vector<Entry> entries;
    std::vector<std::wstring> lines;
    for (const auto& c : cases) {
        entries.push_back({c.kind, c.name});
        lines.push_back(c.line);
    }
    EXPECT_EQ(linesShown(false, entries), lines);
}

TEST(FileListTest, CellsOfEachColumn) {
    auto package =
        packageOf({{0, "plain", 2048, 1000},
                   {2, "inner.sis", 0, 0, {}},
                   {0, "texts.rsc", 7, 5, {1, 2, 100}},
                   {3, "run.exe", 3, 3, {}, (1u << 0) | (1u << 13) | (1u << 19) | (1u << 20)}},
                  PackageKind::Epoc);
    package->contents.entries[1].fileCount = 0; // an embedded package's line: no file of its own
    package->kind = PackageKind::Sisx;
    package->sisx = std::make_unique<SisxPackage>(ByteSource());
    const std::vector<std::vector<std::wstring>> expected = {
        {L"plain", L"2048", L"1000", L"", L""},
        {L"File is a component: inner.sis", L"", L"", L"", L""},
        {L"texts.rsc", L"7", L"5", L"UK English, French, Manufacturer English", L""},
        {L"File will be run during install: run.exe", L"3", L"3", L"",
         L"TCB NetworkServices UserEnvironment"},
    };
    // Symbian OS 9 names every code that has a name; 100 has one there.
    EXPECT_EQ(ShownList(package, false).rows(), expected);
}

TEST(FileListTest, HeadersSortAsNumbersOrTextAndReverse) {
    ShownList shown(packageOf({{0, "b", 10}, {0, "C", 9}, {1, "a", 100}, {2, "x"}}), false);
    EXPECT_EQ(shown.arrow(0), 0) << "package order shows no arrow";
    shown.clickHeader(1);
    EXPECT_EQ(shown.lines(),
              (std::vector<std::wstring>{L"File is a component: x", L"C", L"b",
                                         L"File will be displayed during install: a"}));
    EXPECT_EQ(shown.arrow(1), HDF_SORTUP);
    shown.clickHeader(1);
    EXPECT_EQ(shown.lines().front(), L"File will be displayed during install: a");
    EXPECT_EQ(shown.arrow(1), HDF_SORTDOWN);
    shown.clickHeader(0);
    EXPECT_EQ(shown.lines(), inSortedListBox(shown.lines()));
    EXPECT_EQ(shown.arrow(0), HDF_SORTUP);
    EXPECT_EQ(shown.arrow(1), 0);
}

TEST(FileListTest, SelectionIsOfLinesWhereverTheirRowsGo) {
    ShownList shown(packageOf({{0, "b", 2, 1}, {0, "c", 3, 2}, {0, "a", 1, 1}}), false);
    for (int row : {0, 2}) {
        LVITEMW item = {};
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessageW(shown.display.fileList, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
    shown.clickHeader(0);
    EXPECT_EQ(shown.display.selectedEntries(), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(shown.display.selectedRowsText(), L"a\t1\t1\t\r\nb\t2\t1\t\r\n");
}

TEST(FileListTest, OrderFollowsTheSortSetting) {
    const std::vector<Entry> entries = {{0, "b.txt"}, {1, "z.txt"}, {0, "a.txt"}, {2, "c.sis"}};
    const std::vector<std::wstring> inPackageOrder = {
        L"b.txt", L"File will be displayed during install: z.txt", L"a.txt",
        L"File is a component: c.sis"};
    EXPECT_EQ(linesShown(false, entries), inPackageOrder);
    const std::vector<std::wstring> alphabetical = {
        L"a.txt", L"b.txt", L"File is a component: c.sis",
        L"File will be displayed during install: z.txt"};
    EXPECT_EQ(linesShown(true, entries), alphabetical);
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
        EXPECT_EQ(linesShown(true, entries), inSortedListBox(linesShown(false, entries)))
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
    EXPECT_EQ(linesShown(true, many), inSortedListBox(linesShown(false, many)));
}

TEST(FileListTest, LongLinesAreCutAt249Characters) {
    const std::string longName(300, 'n');
    const std::wstring prefix = L"File is a component: ";
    EXPECT_EQ(linesShown(false, {{2, longName.c_str()}})[0],
              (prefix + std::wstring(300, L'n')).substr(0, 249));
    EXPECT_EQ(linesShown(false, {{0, longName.c_str()}})[0], std::wstring(249, L'n'));
    // A character outside the basic plane takes two units and is never split.
    const std::string pairAtEnd = std::string(248, 'n') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(linesShown(false, {{0, pairAtEnd.c_str()}})[0], std::wstring(248, L'n'));
    const std::string pairFits = std::string(247, 'n') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(linesShown(false, {{0, pairFits.c_str()}})[0],
              std::wstring(247, L'n') + L"\U0001F600");
}

TEST(FileListTest, ClearEmptiesTheList) {
    ShownList shown(packageOf({{0, "one"}, {1, "two"}}), false);
    shown.display.clearFileList();
    EXPECT_TRUE(shown.rows().empty());
    shown.display.showFiles(packageOf({{0, "three"}}));
    EXPECT_EQ(shown.lines(), std::vector<std::wstring>{L"three"});
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
    waitUntilIdle();

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
    waitUntilIdle();
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
