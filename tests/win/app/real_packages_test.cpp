// Every shared real package, opened and extracted through the real window,
// against what it must show and write.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <fstream>
#include <map>
#include <memory>
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

std::vector<std::string> packageNames() {
    std::vector<std::string> names = realPackageNames();
    if (names.empty())
        names.push_back(""); // one case that says why nothing ran
    return names;
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

std::wstring messageFor(int id, const std::string& name) {
    if (id == IdsUnsafeName)
        return wide(name) + programString(id);
    return fileFunctionsError(id);
}

ExpectedRun expectedRun(const JsonValue& extract) {
    ExpectedRun run;
    for (const JsonValue& entry : extract.items) {
        const JsonValue& result = entry["result"];
        const bool ok = result.type == JsonValue::Type::String && result.text == "ok";
        if (!ok)
            run.messages.push_back(messageFor(static_cast<int>(result.number), entry["name"].text));
        if (ok || (result.type == JsonValue::Type::Number && result.number == IdsSizeDiffers))
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

class RealPackage : public MainWindowTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(RealPackage, ShowsListsAndExtractsWhatItMust) {
    if (GetParam().empty())
        GTEST_SKIP() << "no real packages in " << VORANDECK_TESTDATA << "/real";
    const std::string folder = realPackageFolder();
    JsonValue expected;
    std::string error;
    ASSERT_TRUE(
        testsupport::readJsonFile(folder + "/expected/" + GetParam() + ".json", &expected, &error))
        << error;
    const std::wstring path =
        fs::absolute(fs::path(folder) / GetParam()).make_preferred().wstring();

    TempFolder out;
    gSettings.DefaultDest = IDC_DEST_FIXED;
    gSettings.OverwriteFiles = 1;
    setDestDir(out.pathUtf8());
    UiScript ui;

    openPackage(ui, window_, path);
    ASSERT_TRUE(ui.boxes().empty()) << utf8(ui.boxes()[0].text);
    EXPECT_EQ(itemText(window_, IDC_PATH), path);
    for (const auto& [id, text] : expected["header"].members)
        EXPECT_EQ(utf8(itemText(window_, std::stoi(id))), text.text) << "box " << id;
    // Every shared package is whole: the calculated word is the stored one.
    EXPECT_EQ(itemText(window_, IDC_FILE_CRC), storedWordText(path));
    EXPECT_EQ(itemText(window_, IDC_CALC_CRC), storedWordText(path));
    EXPECT_EQ(fileListLines(window_), wideLines(expected["lines"]));
    EXPECT_TRUE(isEnabled(window_, IDC_EXTRACT));
    EXPECT_TRUE(isEnabled(window_, IDC_LANGUAGES));
    EXPECT_EQ(languagesShown(ui, window_), wideLines(expected["languages"]));

    clickButton(window_, IDC_EXTRACT);
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
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.empty() ? "none" : info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
