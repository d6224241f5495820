// Every shared real package of both formats, damaged ones included, opened and
// extracted through the real window, against what it must show and write.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/globals.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "tests/support/json_reader.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::JsonValue;

struct Shared {
    std::string folder; // below the shared test data
    std::string name;
};

std::vector<Shared> packageNames() {
    std::vector<Shared> all;
    for (const char* folder : {"real", "sisx", "sisx/damaged", "sisx/stubs"})
        for (const std::string& name : testsupport::packageNamesIn(sharedPackageFolder(folder)))
            all.push_back({folder, name});
    if (all.empty())
        all.push_back({}); // one case that says why nothing ran
    return all;
}

std::vector<std::wstring> wideLines(const JsonValue& array) {
    std::vector<std::wstring> lines;
    for (const JsonValue& item : array.items)
        lines.push_back(wide(item.text));
    return lines;
}

// The file system does not tell case apart, so neither does the comparison.
std::string folded(const std::string& path) {
    std::string out = path;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct ExpectedRun {
    std::vector<std::wstring> messages; // per-file messages, in walk order
    int counted = 0;
    std::map<std::string, WrittenFile> files; // by folded path; a later file replaces one
};

// A result as the older packages' expectations give it (a number) or as the
// Symbian OS 9 ones do ("message 23", "unsafe", "checksum"); 0 for "ok".
int messageOf(const JsonValue& result) {
    if (result.type == JsonValue::Type::Number)
        return static_cast<int>(result.number);
    if (result.text == "unsafe")
        return IdsUnsafeName;
    if (result.text == "checksum")
        return IdsChecksumDiffers;
    if (result.text.rfind("message ", 0) == 0)
        return std::stoi(result.text.substr(8));
    return 0;
}

std::wstring messageFor(int id, const std::string& name) {
    if (id == IdsUnsafeName)
        return wide(name) + programString(id);
    return fileFunctionsError(id);
}

ExpectedRun expectedRun(const JsonValue& extract) {
    ExpectedRun run;
    for (const JsonValue& entry : extract.items) {
        const int message = messageOf(entry["result"]);
        if (message != 0)
            run.messages.push_back(messageFor(message, entry["name"].text));
        // A file whose size or content differs is written and counted all the same.
        if (message == 0 || message == IdsSizeDiffers || message == IdsChecksumDiffers)
            ++run.counted;
        if (entry.has("size")) {
            WrittenFile file;
            file.path = entry["path"].text;
            file.size = static_cast<uint64_t>(entry["size"].number);
            file.sha256 = entry["sha256"].text;
            run.files[folded(file.path)] = file;
        }
    }
    return run;
}

// The check word as the package stores it at offset 16, as the panel shows it.
std::wstring storedWordText(const std::wstring& path) {
    std::ifstream in{fs::path(path), std::ios::binary};
    unsigned char word[2] = {};
    in.seekg(16);
    in.read(reinterpret_cast<char*>(word), 2);
    wchar_t text[8] = {};
    swprintf(text, 8, L"%02X%02Xh", word[1], word[0]);
    return text;
}

// The integrity pair of a Symbian OS 9 package: its controller and data checksums.
bool isChecksumPair(const std::wstring& text) {
    return std::regex_match(text, std::wregex(L"C ([0-9A-F]{4}h|-), D ([0-9A-F]{4}h|-)"));
}

class RealPackage : public MainWindowTest, public ::testing::WithParamInterface<Shared> {};

TEST_P(RealPackage, ShowsListsAndExtractsWhatItMust) {
    if (GetParam().name.empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    const std::string folder = sharedPackageFolder(GetParam().folder);
    JsonValue expected;
    std::string error;
    ASSERT_TRUE(testsupport::readJsonFile(folder + "/expected/" + GetParam().name + ".json",
                                          &expected, &error))
        << error;
    const std::wstring path =
        fs::absolute(fs::u8path(folder) / fs::u8path(GetParam().name)).make_preferred().wstring();

    TempFolder out;
    gSettings.DefaultDest = IDC_DEST_FIXED;
    gSettings.OverwriteFiles = 1;
    setDestDir(out.pathUtf8());
    UiScript ui;

    openPackage(ui, window_, path);
    EXPECT_EQ(itemText(window_, IDC_PATH), path);
    for (const auto& [id, text] : expected["header"].members)
        EXPECT_EQ(utf8(itemText(window_, std::stoi(id))), text.text) << "box " << id;
    if (GetParam().folder == "real") {
        // Every shared package is whole: the calculated word is the stored one.
        EXPECT_EQ(itemText(window_, IDC_FILE_CRC), storedWordText(path));
        EXPECT_EQ(itemText(window_, IDC_CALC_CRC), storedWordText(path));
    } else if (expected.has("stub")) {
        // A stub stores no checksum.
        EXPECT_EQ(itemText(window_, IDC_FILE_CRC), L"");
        EXPECT_EQ(itemText(window_, IDC_CALC_CRC), L"");
    } else {
        // Often wrong in real packages: shown, marked when they differ, never refused.
        EXPECT_TRUE(isChecksumPair(itemText(window_, IDC_FILE_CRC)));
        const std::wstring calculated = itemText(window_, IDC_CALC_CRC);
        const bool differs = calculated.size() > 10 &&
                             calculated.compare(calculated.size() - 10, 10, L" (differs)") == 0;
        EXPECT_TRUE(
            isChecksumPair(differs ? calculated.substr(0, calculated.size() - 10) : calculated))
            << utf8(calculated);
    }
    EXPECT_EQ(fileListLines(window_), wideLines(expected["lines"]));
    if (expected.has("message")) {
        // A package whose contents cannot be read says so once and offers nothing.
        ASSERT_EQ(ui.boxes().size(), 1u);
        EXPECT_EQ(ui.boxes()[0].text, fileFunctionsError(messageOf(expected["message"])));
        EXPECT_FALSE(isEnabled(window_, IDC_EXTRACT));
        EXPECT_FALSE(isEnabled(window_, IDC_LANGUAGES));
        return;
    }
    ASSERT_TRUE(ui.boxes().empty()) << utf8(ui.boxes()[0].text);
    EXPECT_TRUE(isEnabled(window_, IDC_EXTRACT));
    EXPECT_TRUE(isEnabled(window_, IDC_LANGUAGES));
    EXPECT_EQ(languagesShown(ui, window_), wideLines(expected["languages"]));

    clickButton(window_, IDC_EXTRACT);
    if (expected.has("stub")) {
        // It holds no file data: it says so, and writes nothing.
        ASSERT_EQ(ui.boxes().size(), 1u);
        EXPECT_EQ(ui.boxes()[0].caption, L"Information");
        EXPECT_EQ(ui.boxes()[0].text, programString(IdsStubHoldsNoData));
        EXPECT_TRUE(filesBelow(out.path()).empty());
        return;
    }
    const ExpectedRun run = expectedRun(expected["extract"]);
    std::vector<std::wstring> shown;
    for (const CapturedBox& box : ui.boxes())
        shown.push_back(box.text);
    std::vector<std::wstring> wanted = run.messages;
    if (run.counted > 0)
        wanted.push_back(std::to_wstring(run.counted) + L" Files extracted!");
    EXPECT_EQ(shown, wanted);
    if (run.counted > 0) {
        EXPECT_EQ(ui.boxes().back().caption, L"Success");
        const int lines = std::stoi(expected["header"]["1009"].text);
        EXPECT_EQ(progressPosition(window_), lines);
        EXPECT_EQ(progressMaximum(window_), lines);
    }

    const std::vector<WrittenFile> written = filesBelow(out.path());
    ASSERT_EQ(written.size(), run.files.size());
    for (const WrittenFile& file : written) {
        SCOPED_TRACE(file.path);
        const auto want = run.files.find(folded(file.path));
        ASSERT_NE(want, run.files.end());
        EXPECT_EQ(file.size, want->second.size);
        EXPECT_EQ(file.sha256, want->second.sha256);
    }
}

class DamagedRealPackage : public MainWindowTest {};

TEST_F(DamagedRealPackage, ShowsTheCalculatedWordAsDamaged) {
    const std::vector<std::string> names = realPackageNames();
    if (names.empty())
        GTEST_SKIP() << "no real packages in " << VORANDECK_TESTDATA << "/real";
    const fs::path original = fs::u8path(realPackageFolder()) / fs::u8path(names.front());
    const std::wstring whole = storedWordText(original.wstring());
    struct Case {
        const char* proves;
        bool storedWord;         // else the last byte of the package changes
        bool calculatedIsStored; // the calculated word is the one the original stores
    } const cases[] = {
        {"a changed data byte changes the calculated word", false, false},
        {"the stored word takes no part in the calculated one", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proves);
        TempFolder folder;
        const std::wstring copy = folder.path() + L"\\damaged.sis";
        ASSERT_TRUE(fs::copy_file(original, fs::path(copy)));
        {
            std::fstream file{fs::path(copy), std::ios::binary | std::ios::in | std::ios::out};
            const std::streamoff at =
                c.storedWord ? 16 : static_cast<std::streamoff>(fs::file_size(copy)) - 1;
            file.seekg(at);
            const int byte = file.get();
            file.seekp(at);
            file.put(static_cast<char>(byte ^ 0x01));
        }
        UiScript ui;
        openPackage(ui, window_, copy);
        ASSERT_TRUE(ui.boxes().empty());
        const std::wstring fileCrc = itemText(window_, IDC_FILE_CRC);
        const std::wstring calculated = itemText(window_, IDC_CALC_CRC);
        EXPECT_EQ(fileCrc, c.storedWord ? storedWordText(copy) : whole);
        EXPECT_EQ(fileCrc != whole, c.storedWord);
        ASSERT_EQ(calculated.size(), 5u + std::wstring(L" (damaged)").size()) << utf8(calculated);
        EXPECT_EQ(calculated.substr(5), L" (damaged)");
        EXPECT_EQ(calculated.substr(0, 5) == whole, c.calculatedIsStored) << utf8(calculated);
    }
}

INSTANTIATE_TEST_SUITE_P(Shared, RealPackage, ::testing::ValuesIn(packageNames()),
                         [](const ::testing::TestParamInfo<Shared>& info) {
                             std::string name = info.param.name.empty()
                                                    ? "none"
                                                    : info.param.folder + "_" + info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
