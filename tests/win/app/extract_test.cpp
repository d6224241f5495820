// Extract as the user drives it: the report, the progress bar, the three
// destinations, the overwrite question, unsafe and non-ASCII install names.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "package/io/platform.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kExists = L" already exist!\nDo you want to overwrite it?";

std::string contentOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void expectSuccess(const CapturedBox& box, int count) {
    EXPECT_EQ(box.caption, L"Success");
    EXPECT_EQ(box.text, std::to_wstring(count) + L" Files extracted!");
    EXPECT_EQ(box.type(), static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
}

void expectFileError(const CapturedBox& box, int textId) {
    EXPECT_EQ(box.caption, L"Error!");
    EXPECT_EQ(box.text, fileFunctionsError(textId));
    EXPECT_EQ(box.type(), static_cast<UINT>(MB_ICONERROR | MB_OK));
}

class ExtractCommand : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        gSettings.DefaultDest = IDC_DEST_FIXED;
        setDestDir(out_.pathUtf8());
        // Made after the main window, so the script leaves that window alone.
        script_ = std::make_unique<UiScript>();
    }

    UiScript& ui() { return *script_; }

    // Writes `package` under a name of its own (the one open before is held
    // open by the program) and opens it through the real dialog.
    void open(const sis::Package& package) {
        packagePath_ = packages_.path() + L"\\demo" + std::to_wstring(++opened_) + L".sis";
        writePackage(packagePath_, package);
        const size_t before = ui().boxes().size();
        openPackage(ui(), window_, packagePath_);
        ASSERT_EQ(ui().boxes().size(), before);
    }

    std::wstring outPath(const std::wstring& relative) const {
        return out_.path() + L"\\" + relative;
    }

    TempFolder packages_;
    TempFolder out_;
    std::wstring packagePath_;
    int opened_ = 0;
    std::unique_ptr<UiScript> script_;
};

TEST_F(ExtractCommand, ReportsTheCountAndLeavesTheBarAtItsEnd) {
    open(demoPackage());
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 2);
    EXPECT_EQ(progressMaximum(window_), 3);
    EXPECT_EQ(progressPosition(window_), 3);
    EXPECT_EQ(contentOf(outPath(L"system\\apps\\demo\\demo.app")), "app");
    EXPECT_EQ(contentOf(outPath(L"system\\apps\\demo\\b.rsc")), "rsc");
    EXPECT_EQ(filesBelow(out_.path()).size(), 2u);
}

// A full disk stands in for every write that fails: the file it cut is named
// and neither kept nor counted, the old file it was to replace is kept.
TEST_F(ExtractCommand, AFailedWriteIsNamedAndNotCounted) {
    sis::Package package;
    package.records = {sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a")),
                       sis::simpleFile(0, "big", "C:\\big.bin", sis::patternBytes(300000)),
                       sis::simpleFile(0, "c", "C:\\c.txt", sis::textBytes("c"))};
    open(package);
    writeText(outPath(L"big.bin"), "old");
    gSettings.OverwriteFiles = 1;
    platformLimitWrites(100000);
    clickButton(window_, IDC_EXTRACT);
    platformLimitWrites(kNoWriteLimit);
    ASSERT_EQ(ui().boxes().size(), 2u);
    EXPECT_EQ(ui().boxes()[0].text, outPath(L"big.bin") + programString(IdsWriteDiskFull));
    expectSuccess(ui().boxes()[1], 2);
    EXPECT_EQ(contentOf(outPath(L"big.bin")), "old");
    EXPECT_EQ(filesBelow(out_.path()).size(), 3u);
}

TEST_F(ExtractCommand, EachExtractCountsFromZero) {
    open(demoPackage());
    clickButton(window_, IDC_EXTRACT);
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 2u);
    expectSuccess(ui().boxes()[0], 2);
    expectSuccess(ui().boxes()[1], 2);
}

TEST_F(ExtractCommand, BarRangeIsTheUnsignedLineCount) {
    struct Case {
        uint16_t lines;
    };
    for (const Case c : {Case{0}, Case{1}, Case{40000}, Case{65535}}) {
        SCOPED_TRACE(c.lines);
        sis::Package package = demoPackage();
        package.patches = {{20, static_cast<uint8_t>(c.lines)},
                           {21, static_cast<uint8_t>(c.lines >> 8)}};
        open(package);
        const size_t before = ui().boxes().size();
        clickButton(window_, IDC_EXTRACT);
        ASSERT_EQ(ui().boxes().size(), before + 1);
        // The report gives the real count whatever the header says.
        expectSuccess(ui().boxes().back(), 2);
        EXPECT_EQ(progressMaximum(window_), c.lines);
        EXPECT_EQ(progressPosition(window_), c.lines);
    }
}

TEST_F(ExtractCommand, NothingWrittenMeansNoReport) {
    struct Case {
        const char* name;
        sis::Package package;
        std::vector<int> errors; // the per-file messages, in order
    };
    sis::Package shownOnly;
    shownOnly.records = {sis::simpleFile(1, "note.txt", "C:\\note.txt", sis::textBytes("n"))};
    sis::Package emptyStored;
    emptyStored.records = {sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a"))};
    emptyStored.records[0].variants[0].storedLength = 0;
    sis::Package corrupt;
    corrupt.records = {sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a"))};
    corrupt.records[0].variants[0].stored = sis::textBytes("not a zlib stream at all");
    const Case cases[] = {
        {"OnlyAFileShownDuringInstall", shownOnly, {}},
        {"StoredLengthZero", emptyStored, {IdsReadError}},
        {"CorruptData", corrupt, {IdsInflateError}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.package);
        const size_t before = ui().boxes().size();
        clickButton(window_, IDC_EXTRACT);
        ASSERT_EQ(ui().boxes().size(), before + c.errors.size());
        for (size_t i = 0; i < c.errors.size(); ++i)
            expectFileError(ui().boxes()[before + i], c.errors[i]);
        EXPECT_EQ(progressPosition(window_), 0);
    }
}

TEST_F(ExtractCommand, NextToThePackage) {
    gSettings.DefaultDest = IDC_DEST_PACKAGE;
    open(demoPackage());
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 2);
    EXPECT_EQ(contentOf(packages_.path() + L"\\system\\apps\\demo\\demo.app"), "app");
    EXPECT_EQ(contentOf(packages_.path() + L"\\system\\apps\\demo\\b.rsc"), "rsc");
    EXPECT_TRUE(filesBelow(out_.path()).empty());
}

struct TextFinder {
    std::wstring text;
    bool found = false;
};

BOOL CALLBACK findText(HWND child, LPARAM param) {
    auto* finder = reinterpret_cast<TextFinder*>(param);
    if (windowText(child) == finder->text)
        finder->found = true;
    return !finder->found;
}

bool showsText(HWND dialog, const std::wstring& text) {
    TextFinder finder{text};
    EnumChildWindows(dialog, findText, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

TEST_F(ExtractCommand, AskedOncePerExtractAndACancelEndsTheRun) {
    gSettings.DefaultDest = IDC_DEST_ASK;
    open(demoPackage());
    TempFolder first;
    TempFolder second;
    int titled = 0;
    const std::wstring title = L"Select the destination Folder...";
    // Cancelled at the first file: no further browser, no message, nothing written.
    ui().onDialog([&](HWND dialog) {
        titled += showsText(dialog, title);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    clickButton(window_, IDC_EXTRACT);
    EXPECT_TRUE(ui().boxes().empty());
    EXPECT_EQ(ui().dialogCaptions().size(), 2u); // the open-file dialog and one browser
    EXPECT_EQ(titled, 1);

    // The next Extract asks again, once, and every file goes there.
    ui().onDialog([&](HWND dialog) {
        titled += showsText(dialog, title);
        selectFolderAndConfirm(dialog, first.path());
    });
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 2);
    EXPECT_EQ(ui().dialogCaptions().size(), 3u);
    EXPECT_EQ(titled, 2);
    EXPECT_EQ(contentOf(first.path() + L"\\system\\apps\\demo\\b.rsc"), "rsc");
    EXPECT_EQ(filesBelow(first.path()).size(), 2u);

    ui().onDialog([&](HWND dialog) { selectFolderAndConfirm(dialog, second.path()); });
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 2u);
    expectSuccess(ui().boxes()[1], 2);
    EXPECT_EQ(filesBelow(second.path()).size(), 2u);
}

TEST_F(ExtractCommand, OverwriteOnReplacesWithoutAsking) {
    writeText(outPath(L"system\\apps\\demo\\demo.app"), "old");
    open(demoPackage());
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 2);
    EXPECT_EQ(contentOf(outPath(L"system\\apps\\demo\\demo.app")), "app");
}

TEST_F(ExtractCommand, OverwriteOffAsksForEachFileYesServesOneFileNoSkips) {
    gSettings.OverwriteFiles = 0;
    const std::wstring app = outPath(L"system\\apps\\demo\\demo.app");
    const std::wstring rsc = outPath(L"system\\apps\\demo\\b.rsc");
    writeText(app, "old");
    writeText(rsc, "old");
    open(demoPackage());
    ui().answer(IDYES);
    ui().answer(IDNO);
    clickButton(window_, IDC_EXTRACT);

    ASSERT_EQ(ui().boxes().size(), 3u);
    EXPECT_EQ(ui().boxes()[0].caption, L"Question");
    EXPECT_EQ(ui().boxes()[0].text, app + kExists);
    EXPECT_EQ(ui().boxes()[0].type(), static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(ui().boxes()[1].text, rsc + kExists);
    expectSuccess(ui().boxes()[2], 1);
    EXPECT_EQ(contentOf(app), "app");
    EXPECT_EQ(contentOf(rsc), "old");
}

TEST_F(ExtractCommand, OverwriteOffWritesNewFilesWithoutAsking) {
    gSettings.OverwriteFiles = 0;
    open(demoPackage());
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 2);
}

TEST_F(ExtractCommand, UnsafeNamesAreRefusedAndNothingLandsOutside) {
    // The destination is a folder inside a folder, so a climb of one or two
    // levels would still land where the test can see it.
    TempFolder outer;
    const std::wstring inner = outer.path() + L"\\dest";
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    setDestDir(utf8(inner));
    sis::Package package;
    const char* unsafe[] = {"C:\\..\\evil1.txt", "C:\\system\\..\\..\\evil2.txt",
                            "C:\\system/../../evil3.txt"};
    for (const char* name : unsafe)
        package.records.push_back(sis::simpleFile(0, "evil", name, sis::textBytes("evil")));
    package.records.push_back(sis::simpleFile(0, "good", "C:\\good.txt", sis::textBytes("good")));
    open(package);
    clickButton(window_, IDC_EXTRACT);

    ASSERT_EQ(ui().boxes().size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(unsafe[i]);
        EXPECT_EQ(ui().boxes()[i].caption, L"Error!");
        EXPECT_EQ(ui().boxes()[i].text, wide(unsafe[i]) + programString(IdsUnsafeName));
    }
    expectSuccess(ui().boxes()[3], 1);
    const std::vector<WrittenFile> written = filesBelow(outer.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].path, "dest/good.txt");
    EXPECT_FALSE(fs::exists(fs::path(outer.path()).parent_path() / "evil1.txt"));
    EXPECT_FALSE(fs::exists(fs::path(outer.path()).parent_path() / "evil2.txt"));
    EXPECT_FALSE(fs::exists(fs::path(outer.path()).parent_path() / "evil3.txt"));
}

TEST_F(ExtractCommand, NonAsciiNameIsListedAndWrittenUnderItsTrueName) {
    const std::string name = u8"C:\\Dokumente\\Grüße Ελλάδα 日本.txt";
    sis::Package package;
    package.records = {sis::simpleFile(0, "x", name, sis::textBytes("hallo"))};
    open(package);
    EXPECT_EQ(fileListLines(window_), std::vector<std::wstring>{wide(name)});
    clickButton(window_, IDC_EXTRACT);
    ASSERT_EQ(ui().boxes().size(), 1u);
    expectSuccess(ui().boxes()[0], 1);
    EXPECT_EQ(contentOf(outPath(wide(u8"Dokumente\\Grüße Ελλάδα 日本.txt"))), "hallo");
}

} // namespace

TEST_F(ExtractCommand, AfterTenFailuresANoEndsTheRun) {
    sis::Package package;
    for (int i = 0; i < 12; ++i) {
        sis::Record broken = sis::simpleFile(0, "s", "C:\\b" + std::to_string(i), {1});
        broken.variants[0].storedOffset = 0x7FFFFFF0;
        package.records.push_back(broken);
    }
    open(package);
    clickButton(window_, IDC_EXTRACT); // the driver answers a question No
    ASSERT_EQ(ui().boxes().size(), 11u) << "ten errors, the question, and nothing after the No";
    expectFileError(ui().boxes()[9], IdsReadError);
    EXPECT_EQ(ui().boxes()[10].caption, L"Question");
    EXPECT_EQ(ui().boxes()[10].text, L"10 files of this package could not be extracted.\n"
                                     L"Do you want to go on with the rest?");
    EXPECT_EQ(ui().boxes()[10].type(), static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
}
