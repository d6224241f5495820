// A package's source written for every shared package of both formats: the
// .pkg (UTF-16LE, BOM, CRLF) names files that are there with the bytes
// extraction gives, nothing else is written, and its languages, header,
// dependencies and conditions agree with the package's expectations and details.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "common/paths.h"
#include "common/string_ids.h"
#include "common/utf16.h"
#include "package/details/details.h"
#include "package/opened_package.h"
#include "package/source/source_writer.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/real_packages.h"
#include "tests/support/sha256.h"
#include "tests/support/sisx_builder.h"

namespace {

using testsupport::JsonValue;

struct GoOnHost : ExtractHost {
    int showMessage(int, int, int, const char*) override { return AnswerNo; }
    int askToGoOn(int, int32_t) override { return AnswerYes; }
    void stepProgress() override {}
    bool chooseFolder(const char*, std::string*) override { return false; }
};

// The lines of a .pkg file, after checking its byte-order mark and line ends.
std::vector<std::string> pkgLines(const fs::path& path) {
    const sis::Bytes bytes = readAll(path);
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_TRUE(bytes.size() % 2 == 0 && bytes[0] == 0xFF && bytes[1] == 0xFE) << path;
    std::vector<uint16_t> units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    const std::string text = utf16ToUtf8(units.data(), units.size());
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << path << ": " << line;
        line.pop_back();
        lines.push_back(line.substr(line.find_first_not_of(' ') == std::string::npos
                                        ? line.size()
                                        : line.find_first_not_of(' ')));
    }
    return lines;
}

// The quoted texts of a line up to `end`: "a"<34>"b" is one text.
std::vector<std::string> quotedTexts(const std::string& line, size_t end) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < end && i < line.size();) {
        if (line[i] != '"') {
            ++i;
            continue;
        }
        std::string text;
        while (i < line.size() && line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            text += line.substr(i + 1, close - i - 1);
            i = close + 1;
            while (i < line.size() && line[i] == '<') {
                const size_t shut = line.find('>', i);
                text += static_cast<char>(std::stoi(line.substr(i + 1, shut - i - 1)));
                i = shut + 1;
            }
        }
        texts.push_back(text);
    }
    return texts;
}

// The files a .pkg names, relative to it: the sources of its file lines and
// the packages of its @ lines.
std::vector<std::string> namedFiles(const std::vector<std::string>& lines) {
    std::vector<std::string> files;
    for (const std::string& line : lines) {
        const bool fileLine = !line.empty() && (line[0] == '"' || line[0] == '{');
        if (fileLine || (!line.empty() && line[0] == '@')) {
            const size_t end = fileLine ? line.find("}-") != std::string::npos
                                              ? line.find("}-")
                                              : line.find("\"-\"") + 1
                                        : line.find(",(");
            for (std::string name : quotedTexts(line, end)) {
                std::replace(name.begin(), name.end(), '\\', '/');
                if (!name.empty()) {
                    files.push_back(name);
                }
            }
        }
    }
    return files;
}

const std::string* lineStarting(const std::vector<std::string>& lines, char first) {
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == first) {
            return &line;
        }
    }
    return nullptr;
}

size_t linesStarting(const std::vector<std::string>& lines, const std::string& start) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

// "4.05 build 6" as the header panel shows a version: major, minor, build.
std::string versionOfBox(const std::string& box) {
    std::smatch m;
    if (!std::regex_match(box, m, std::regex(R"((-?\d+)\.(\d+) build (-?\d+))"))) {
        return box;
    }
    return std::to_string(std::stol(m[1])) + "," + std::to_string(std::stol(m[2])) + "," +
           std::to_string(std::stol(m[3]));
}

// The features column of a folder's INDEX.tsv: "if-blocks:2,embedded:4" by file.
std::map<std::string, std::string> featuresIn(const std::string& folder) {
    std::map<std::string, std::string> features;
    std::ifstream in(fs::u8path(folder) / "INDEX.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');) {
            cells.push_back(cell);
        }
        if (cells.size() >= 7) {
            features[cells[0]] = cells[6];
        }
    }
    return features;
}

int ifBlocksOf(const std::string& features) {
    std::smatch m;
    return std::regex_search(features, m, std::regex(R"(if-blocks:(\d+))")) ? std::stoi(m[1]) : 0;
}

// What the .pkg's header, languages and dependencies say, against the
// package's expectations (its boxes, its languages) and its details.
void checkPreamble(const std::vector<std::string>& lines, const JsonValue& expected,
                   const std::string& details) {
    const std::string* languages = lineStarting(lines, '&');
    ASSERT_NE(languages, nullptr);
    EXPECT_EQ(static_cast<size_t>(std::count(languages->begin(), languages->end(), ',') + 1),
              expected["languages"].items.size());
    const std::string* header = lineStarting(lines, '#');
    ASSERT_NE(header, nullptr);
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(*header, m, std::regex(R"(\},\(0x([0-9A-F]{8})\),(-?\d+,\d+,-?\d+))")));
    EXPECT_EQ(std::stoul(m[1].str(), nullptr, 16),
              std::stoul(expected["header"]["1002"].text, nullptr, 16));
    EXPECT_EQ(m[2].str(), versionOfBox(expected["header"]["1018"].text));
    for (const std::string& name : quotedTexts(*header, header->find("},"))) {
        EXPECT_TRUE(name.empty() || details.find(": " + name + "\n") != std::string::npos) << name;
    }
    size_t requisites = 0;
    for (const std::string& line : lines) {
        if (std::regex_search(line, m, std::regex(R"(^[\(\[]0x([0-9A-F]{8})[\)\]],)"))) {
            EXPECT_NE(details.find("0x" + m[1].str()), std::string::npos) << line;
            requisites += line[0] == '(' ? 1 : 0;
        }
    }
    if (expected["header"]["1010"].text != "") {
        EXPECT_EQ(requisites, std::stoul(expected["header"]["1010"].text)) << *header;
    }
}

// A path as the file system compares it: Windows ignores ASCII case, so a
// folder that two lines spell differently is one folder, as on the phone.
std::string pathKey(const std::string& path) {
#ifdef _WIN32
    return asciiLowered(path);
#else
    return path;
#endif
}

// The sha256 of each file the expectations say extraction writes, by path.
std::map<std::string, std::string> extractedBytes(const JsonValue& expected) {
    std::map<std::string, std::string> bytes;
    for (const JsonValue& file : expected["extract"].items) {
        if (file.has("sha256")) {
            bytes[file["path"].text] = file["sha256"].text;
        }
    }
    return bytes;
}

TEST(PackageSource, EverySharedPackageWritesTheFilesItsSourceNamesAndNothingElse) {
    if (testsupport::sharedPackageFolder("sisx").empty()) {
        GTEST_SKIP() << "the shared test data is absent: " << VORANDECK_TESTDATA;
    }
    constexpr int64_t kNow = 1700000000;
    for (const std::string below : {"real", "sisx", "sisx/stubs", "sisx/damaged"}) {
        const std::string folder = testsupport::sharedPackageFolder(below);
        const std::map<std::string, std::string> features = featuresIn(folder);
        for (const std::string& name : testsupport::packageNamesIn(folder)) {
            SCOPED_TRACE(below + "/" + name);
            JsonValue expected;
            std::string error;
            ASSERT_TRUE(testsupport::readJsonFile(
                (fs::u8path(folder) / "expected" / fs::u8path(name + ".json")).u8string(),
                &expected, &error));
            const OpenedPackage opened((fs::u8path(folder) / fs::u8path(name)).u8string());
            if (opened.result() != OpenResult::Opened) {
                continue;
            }
            TempDir dest;
            GoOnHost host;
            SourceSettings settings;
            settings.now = kNow;
            const SourceRun run =
                writePackageSource(*opened.package(), opened.path(), dest.utf8(), settings, host);
            ASSERT_FALSE(run.sources.empty());
            std::set<std::string> allowed;
            std::map<std::string, std::string> bytes = extractedBytes(expected);
            int ifBlocks = 0;
            for (const std::string& written : dest.files()) {
                const fs::path pkg = dest.path() / fs::u8path(written);
                if (pkg.extension() != ".pkg") {
                    continue;
                }
                const std::vector<std::string> lines = pkgLines(pkg);
                const std::string base = fs::u8path(written).parent_path().u8string();
                const std::string prefix = base.empty() ? "" : base + "/";
                allowed.insert(pathKey(written));
                ifBlocks += static_cast<int>(linesStarting(lines, "IF "));
                EXPECT_EQ(linesStarting(lines, "IF "), linesStarting(lines, "ENDIF"));
                const bool holdsFiles =
                    !expected.has("stub") &&
                    lines.end() ==
                        std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
                            return l.find("TYPE=P") != std::string::npos;
                        });
                for (const std::string& file : namedFiles(lines)) {
                    allowed.insert(pathKey(prefix + file));
                    const fs::path path = dest.path() / fs::u8path(prefix + file);
                    EXPECT_EQ(fs::exists(path), holdsFiles) << file;
                    if (bytes.count(file) !=
                        0) { // a package inside writes its files as the outer one extracts them
                        EXPECT_EQ(testsupport::sha256File(path), bytes[file]) << file;
                    }
                }
                // The package it came from: this one, or the package inside saved
                // beside the folder of its source.
                const fs::path from = base.empty() ? fs::u8path(opened.path())
                                                   : pkg.parent_path().parent_path() /
                                                         fs::u8path(pkg.stem().u8string() + ".sis");
                EXPECT_EQ(linesStarting(lines, "; SHA-256 of " + from.filename().u8string() + ": " +
                                                   testsupport::sha256File(from)),
                          fs::exists(from) ? 1u : 0u)
                    << from;
                if (base.empty() && !expected.has("message")) { // else it cannot be read
                    checkPreamble(lines, expected,
                                  detailsText(describePackage(*opened.package(), kNow)));
                }
            }
            for (const std::string& written : dest.files()) {
                const std::string file = fs::u8path(written).filename().u8string();
                EXPECT_TRUE(allowed.count(pathKey(written)) != 0 ||
                            std::regex_match(file, std::regex(R"(chain\d+-cert\d+\.cer)")))
                    << written << " is named by no .pkg";
            }
            if (below.rfind("sisx", 0) == 0 && features.count(name) != 0) {
                EXPECT_EQ(ifBlocks, ifBlocksOf(features.at(name)));
            }
        }
    }
}

// makesis writes a {"a" "b"}-"target" line as an If block on LANGUAGE, one
// branch a language; written back in that form only when the branches are
// the package's languages in order.
TEST(PackageSource, LanguageBlocksComeBackAsVariantsSideBySide) {
    const struct {
        std::vector<uint32_t> tests;
        std::vector<std::string> lines;
    } cases[] = {
        {{1, 2}, {"{\"r\\a.rsc1\" \"r\\a.rsc2\"}-\"!:\\r\\a.rsc\",FF"}},
        {{2, 1},
         {"IF LANGUAGE=2", "\"r\\a.rsc1\"-\"!:\\r\\a.rsc\",FF", "ELSEIF LANGUAGE=1",
          "\"r\\a.rsc2\"-\"!:\\r\\a.rsc\",FF", "ENDIF"}},
    };
    for (const auto& c : cases) {
        sisxbuild::Sisx description;
        description.package.languages = {1, 2};
        description.package.names = {"Demo", "Démo"};
        sisxbuild::If languages;
        languages.languageTests = c.tests;
        for (const char* text : {"en", "fr"}) {
            sisxbuild::Block branch;
            sisxbuild::File file;
            file.target = "!:\\r\\a.rsc";
            file.operation = 0;
            file.content.assign(text, text + 2);
            branch.files.push_back(file);
            languages.branches.push_back(branch);
        }
        description.package.block.ifs.push_back(languages);
        TempDir dest;
        const fs::path path = dest.path() / "demo.sis";
        ASSERT_TRUE(sisxbuild::writeFile(path, sisxbuild::build(description)));
        const OpenedPackage opened(utf8Of(path));
        GoOnHost host;
        writePackageSource(*opened.package(), opened.path(), utf8Of(dest.path() / "out"),
                           SourceSettings(), host);
        const std::vector<std::string> lines = pkgLines(dest.path() / "out" / "demo.pkg");
        const auto first = std::find(lines.begin(), lines.end(), c.lines.front());
        ASSERT_NE(first, lines.end()) << c.lines.front();
        EXPECT_EQ(std::vector<std::string>(first, lines.end()), c.lines);
        EXPECT_EQ(readAll(dest.path() / "out/r/a.rsc1"), sis::Bytes({'e', 'n'}));
        EXPECT_EQ(readAll(dest.path() / "out/r/a.rsc2"), sis::Bytes({'f', 'r'}));
    }
}

} // namespace
