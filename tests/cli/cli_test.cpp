// vorandeck-cli run as a shell runs it, over the shared packages and their
// expectations: what it lists, shows, checks, extracts and inventories, and
// its exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/inventory_records.h"
#include "cli/wildcard.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "common/version.h"
#include "package/details/details.h"
#include "package/io/platform.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/json_reader.h"
#include "tests/support/real_packages.h"
#include "tests/support/sha256.h"

namespace fs = std::filesystem;
using testsupport::JsonValue;

namespace {

// Certificates are judged against this time, here and in the program.
constexpr int64_t kNow = 1700000000;

struct SharedPackage {
    std::string path;
    JsonValue expected;
};

std::vector<SharedPackage> sharedPackages(const std::vector<std::string>& folders) {
    std::vector<SharedPackage> packages;
    for (const std::string& below : folders) {
        const std::string folder = testsupport::sharedPackageFolder(below);
        for (const std::string& name : testsupport::packageNamesIn(folder)) {
            SharedPackage package{(fs::u8path(folder) / fs::u8path(name)).u8string(), {}};
            std::string error;
            const fs::path expected = fs::u8path(folder) / "expected" / fs::u8path(name + ".json");
            EXPECT_TRUE(testsupport::readJsonFile(expected.u8string(), &package.expected, &error))
                << error;
            packages.push_back(std::move(package));
        }
    }
    return packages;
}

const std::vector<std::string> kAllFolders = {"real", "sisx", "sisx/stubs", "sisx/damaged"};

// A path as a folder walk or a join may spell it, in one spelling.
std::string normalPath(const std::string& path) {
    return fs::u8path(path).lexically_normal().make_preferred().u8string();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

size_t filesBelow(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
}

std::string firstLine(int message) {
    const std::string text = programText(message);
    return text.substr(0, text.find('\n'));
}

// The messages a package's expectations say its extraction or opening gives.
std::vector<int> expectedMessages(const JsonValue& expected) {
    std::vector<int> messages;
    auto add = [&](const std::string& result) {
        const int message = result == "checksum"               ? IdsChecksumDiffers
                            : result == "unsafe"               ? IdsUnsafeName
                            : result.rfind("message ", 0) == 0 ? std::atoi(result.c_str() + 8)
                                                               : 0;
        if (message != 0) {
            messages.push_back(message);
        }
    };
    if (expected.has("message")) {
        add(expected["message"].text);
    }
    for (const JsonValue& file : expected["extract"].items) {
        add(file["result"].text);
    }
    return messages;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string now = std::to_string(kNow);
#ifdef _WIN32
        _putenv_s("VORANDECK_NOW", now.c_str());
#else
        setenv("VORANDECK_NOW", now.c_str(), 1);
#endif
        if (testsupport::sharedPackageFolder("sisx").empty()) {
            GTEST_SKIP() << "the shared test data is absent: " << VORANDECK_TESTDATA;
        }
        // One folder a test: the test command runs the tests side by side.
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        work_ = fs::temp_directory_path() / (std::string("vorandeck-cli-") + test);
        fs::create_directories(work_);
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(work_, error);
    }
    fs::path work_;
};

TEST_F(CliTest, ListGivesTheWindowsLines) {
    for (const SharedPackage& package : sharedPackages({"real", "sisx", "sisx/stubs"})) {
        SCOPED_TRACE(package.path);
        const CliRun run = runCli({"list", package.path});
        std::vector<std::string> expected;
        for (const JsonValue& line : package.expected["lines"].items) {
            expected.push_back(line.text);
        }
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(linesOf(run.out), expected);
    }
}

TEST_F(CliTest, InfoShowsTheHeaderBoxesAndTheDetails) {
    for (const SharedPackage& package : sharedPackages(kAllFolders)) {
        SCOPED_TRACE(package.path);
        const CliRun run = runCli({"info", package.path});
        const FileHandle file = platformOpenForRead(package.path.c_str());
        const auto read = readPackage(ByteSource::fromFile(file));
        ASSERT_TRUE(read);
        EXPECT_NE(run.out.find(detailsText(describePackage(*read, kNow))), std::string::npos);
        EXPECT_EQ(run.status, read->readable() ? 0 : 1) << run.err;
        platformClose(file);
        // The App UID and version boxes, labelled as the window labels them.
        for (const auto& [box, label] :
             std::map<std::string, std::string>{{"1002", "App UID"}, {"1018", "App Version"}}) {
            const std::string value = package.expected["header"][box].text;
            if (!value.empty()) {
                EXPECT_NE(run.out.find("\n" + label + ": " + value + "\n"), std::string::npos);
            }
        }
    }
}

TEST_F(CliTest, CheckSaysOkOrNamesWhatIsWrong) {
    const auto packages = sharedPackages(kAllFolders);
    const CliRun run = runCli({"check", "-j", "2", testsupport::sharedPackageFolder("real"),
                               testsupport::sharedPackageFolder("sisx")});
    std::map<std::string, std::string> verdicts;
    for (const std::string& line : linesOf(run.out)) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) {
            verdicts[normalPath(line.substr(0, colon))] = line.substr(colon + 2);
        }
    }
    size_t intact = 0;
    for (const SharedPackage& package : packages) {
        SCOPED_TRACE(package.path);
        const std::string verdict = verdicts[normalPath(package.path)];
        const std::vector<int> messages = expectedMessages(package.expected);
        intact += messages.empty() ? 1 : 0;
        if (messages.empty()) {
            EXPECT_EQ(verdict.substr(0, 2), "ok");
        }
        for (int message : messages) {
            EXPECT_NE(verdict.find(firstLine(message)), std::string::npos) << verdict;
        }
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesOf(run.out).back(),
              std::to_string(packages.size()) + " packages: " + std::to_string(intact) + " ok, " +
                  std::to_string(packages.size() - intact) + " damaged, 0 not read as packages");
}

TEST_F(CliTest, ExtractWritesTheExpectedBytes) {
    for (const SharedPackage& package : sharedPackages({"real", "sisx", "sisx/damaged"})) {
        if (package.expected["extract"].items.empty()) {
            continue;
        }
        SCOPED_TRACE(package.path);
        const fs::path dest = work_ / fs::u8path(fs::u8path(package.path).filename().u8string());
        const CliRun run = runCli({"extract", package.path, dest.u8string()});
        EXPECT_EQ(run.status, expectedMessages(package.expected).empty() ? 0 : 1) << run.out;
        for (const JsonValue& file : package.expected["extract"].items) {
            if (file.has("sha256")) {
                EXPECT_EQ(testsupport::sha256File(dest / fs::u8path(file["path"].text)),
                          file["sha256"].text)
                    << file["path"].text;
            }
        }
    }
}

TEST_F(CliTest, ExtractKeepsReplacesAndSelects) {
    const std::string package =
        testsupport::sharedPackageFolder("real") + "/ybrowser-Y_Browser_075_2NdEd.SIS";
    const std::string dest = (work_ / "out").u8string();
    const fs::path rsc = work_ / "out/system/apps/YuccaBrowser/YuccaBrowser.rsc";
    EXPECT_EQ(runCli({"extract", package, dest, "--select", "*\\YUCCABROWSER.r?c"}).out,
              "1" + firstLine(IdsFilesExtracted) + "\n");
    EXPECT_EQ(filesBelow(work_ / "out"), 1u);
    std::ofstream(rsc, std::ios::binary) << "changed";
    const CliRun kept = runCli({"extract", package, dest});
    EXPECT_EQ(kept.status, 0);
    EXPECT_NE(kept.out.find("1 kept as they were"), std::string::npos) << kept.out;
    EXPECT_EQ(fs::file_size(rsc), 7u);
    EXPECT_EQ(runCli({"extract", package, dest, "--overwrite"}).status, 0);
    EXPECT_NE(fs::file_size(rsc), 7u);
}

TEST_F(CliTest, SourceExitsAsExtractAndKeepsWhatIsThere) {
    struct Case {
        std::string package;
        int status;
        int message; // a line the run prints, or 0
    };
    const std::vector<Case> cases = {
        {"real/ybrowser-Y_Browser_077_0_AddOns_2NdEd.SIS", 0, IdsSourceWritten},
        {"sisx/stubs/appinstall-int_nr_option_01_stub.sis", 0, IdsStubHoldsNoData},
        {"sisx/damaged/appinstall-corruptedlengthfield.sis", 1, IdsReadError},
        {"sisx/damaged/appinstall-corrupted.sis", 1, IdsCantRead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.package);
        const fs::path path = fs::u8path(testsupport::sharedPackageFolder("")) / c.package;
        const std::string dest = (work_ / path.stem()).u8string();
        const CliRun run = runCli({"source", path.u8string(), dest});
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(firstLine(c.message)), std::string::npos) << run.out;
        EXPECT_TRUE(fs::exists(fs::u8path(dest) / (path.stem().u8string() + ".pkg")));
        const CliRun again = runCli({"source", path.u8string(), dest});
        EXPECT_EQ(again.status, c.status);
        EXPECT_NE(again.out.find(firstLine(IdsAlreadyExists)), std::string::npos) << again.out;
    }
}

// RFC 4180 rows: fields between commas, quoted ones with doubled quotes, CRLF
// at the end of each row.
std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"') {
            quoted = i + 1 < text.size() && text[i + 1] == '"';
            i += quoted ? 1 : 0;
            field += quoted ? "\"" : "";
        } else if (quoted) {
            field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',' || c == '\r') {
            rows.back().push_back(field);
            field.clear();
            i += c == '\r' ? 1 : 0;
            if (c == '\r') {
                rows.emplace_back();
            }
        } else {
            field += c;
        }
    }
    rows.pop_back();
    return rows;
}

// The columns as README documents them.
const std::vector<std::string> kColumns = {"record",       "path",
                                           "install_path", "size",
                                           "sha256",       "format",
                                           "uid",          "names",
                                           "vendor",       "version",
                                           "languages",    "platforms",
                                           "signed_by",    "certificate_expiry",
                                           "capabilities", "file_count",
                                           "check"};

TEST_F(CliTest, InventoryLoadsAsJsonLinesAndAsCsv) {
    const std::vector<std::string> folders = {testsupport::sharedPackageFolder("real"),
                                              testsupport::sharedPackageFolder("sisx")};
    std::map<std::string, std::string> expectedFiles; // sha256 of written files by package
    size_t packages = 0;
    for (const SharedPackage& package : sharedPackages(kAllFolders)) {
        ++packages;
        for (const JsonValue& file : package.expected["extract"].items) {
            if (file["result"].text == "ok") {
                expectedFiles[normalPath(package.path)] += file["sha256"].text + " ";
            }
        }
    }
    std::vector<std::string> arguments = {"inventory", "--files", "--format", "jsonl"};
    arguments.insert(arguments.end(), folders.begin(), folders.end());
    const CliRun jsonl = runCli(arguments);
    EXPECT_EQ(jsonl.status, 1);
    std::map<std::string, std::string> hashed;
    size_t records = 0, packageRecords = 0;
    for (const std::string& line : linesOf(jsonl.out)) {
        const auto record = nlohmann::json::parse(line);
        ++records;
        if (record["record"] == "package") {
            ++packageRecords;
            EXPECT_EQ(record["sha256"],
                      testsupport::sha256File(fs::u8path(record["path"].get<std::string>())));
        } else if (record["check"] == "ok") {
            hashed[normalPath(record["path"])] += record["sha256"].get<std::string>() + " ";
        }
    }
    EXPECT_EQ(packageRecords, packages);
    EXPECT_EQ(hashed, expectedFiles);

    arguments[3] = "csv";
    const auto rows = csvRows(runCli(arguments).out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), kColumns);
    EXPECT_EQ(rows.size(), records + 1);
    for (const auto& row : rows) {
        EXPECT_EQ(row.size(), kColumns.size());
    }
}

// Every package of the shared data, damaged ones included, with a text file
// and an empty file named as packages, and a file that is no package by name.
TEST_F(CliTest, AFolderOfEverythingRunsThroughEveryCommand) {
    const fs::path folder = work_ / "everything";
    fs::create_directories(folder);
    size_t copied = 0;
    for (const char* below : {"real", "sisx", "sisx/damaged"}) {
        const std::string from = testsupport::sharedPackageFolder(below);
        for (const std::string& name : testsupport::packageNamesIn(from)) {
            fs::copy_file(fs::u8path(from) / fs::u8path(name), folder / fs::u8path(name),
                          fs::copy_options::overwrite_existing);
            ++copied;
        }
    }
    std::ofstream(folder / "notes.sis") << "Not a package, only text.\n";
    std::ofstream(folder / "EMPTY.SISX").close();
    std::ofstream(folder / "readme.txt") << "Not a package either.\n";
    const std::string all = folder.u8string();
    const CliRun check = runCli({"check", all});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(linesOf(check.out).size(), copied + 3);
    EXPECT_NE(check.out.find("notes.sis: " + firstLine(IdsNotAPackage)), std::string::npos);
    EXPECT_NE(check.out.find("EMPTY.SISX: " + firstLine(IdsCantRead)), std::string::npos);
    for (const char* format : {"csv", "jsonl"}) {
        const CliRun inventory = runCli({"inventory", "-j", "2", "--format", format, all});
        EXPECT_EQ(inventory.status, 1);
        EXPECT_EQ(linesOf(inventory.out).size(), copied + 2 + (format[0] == 'c' ? 1 : 0));
    }
    const std::string text = (folder / "notes.sis").u8string();
    const std::string unreadable = (folder / "appinstall-corrupted.sis").u8string();
    for (const std::string& package : {text, (folder / "EMPTY.SISX").u8string(), unreadable}) {
        SCOPED_TRACE(package);
        EXPECT_EQ(runCli({"list", package}).status, 1);
        EXPECT_EQ(runCli({"info", package}).status, 1);
        EXPECT_EQ(runCli({"extract", package, (work_ / "out").u8string()}).status, 1);
    }
}

TEST_F(CliTest, UsageErrorsHelpAndVersion) {
    const std::string folder = testsupport::sharedPackageFolder("real");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* printed; // on standard output or error
    };
    const std::vector<Case> cases = {
        {{}, 2, "subcommand"},
        {{"frobnicate"}, 2, "subcommand"},
        {{"extract", folder + "/" + testsupport::packageNamesIn(folder).front()}, 2, "DEST"},
        {{"inventory", "--format", "xml", folder}, 2, "xml"},
        {{"check", "-j", "0", folder}, 2, "jobs"},
        {{"check", "--help"}, 0, "PATH"},
        {{"--version"}, 0, VORANDECK_VERSION "\nLicence: MIT"},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.arguments);
        SCOPED_TRACE(run.out + run.err);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE((run.out + run.err).find(c.printed), std::string::npos);
    }
}

TEST(CliWildcard, MatchesInstallPathsInAnyCaseWithOrWithoutTheirDrive) {
    struct Case {
        const char* pattern;
        const char* path;
        bool chosen;
    };
    const Case cases[] = {
        {"*.rsc", "!:\\system\\apps\\demo\\DEMO.RSC", true},
        {"system\\apps\\*", "c:\\system\\apps\\demo\\demo.app", true},
        {"c:/system/apps/????\\demo.app", "C:\\system\\apps\\demo\\demo.app", true},
        {"*.exe", "c:\\sys\\bin\\demo.exe.txt", false},
        {"a*b*c", "!:\\aXXbYYc", true},
        {"a*b*c", "!:\\aXXbYY", false},
        {"demo.app", "c:\\system\\apps\\demo\\demo.app", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(selected({c.pattern}, c.path), c.chosen) << c.pattern << " " << c.path;
    }
    EXPECT_TRUE(selected({}, "anything"));
}

TEST(CliCsv, QuotesOnlyWhatNeedsIt) {
    const Record record = {{false, "plain"},      {true, "12"},          {false, "a,b"},
                           {false, "say \"hi\""}, {false, "two\nlines"}, {false, ""}};
    EXPECT_EQ(csvRecord(record), "plain,12,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\r\n");
}

} // namespace
