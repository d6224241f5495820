// Every shared Symbian OS 9 package, sound or damaged, read and walked against
// what the finished program must show and extract.
#include <filesystem>
#include <cstring>
#include <fstream>

#include "common/string_ids.h"
#include "display/sisx_header_text.h"
#include "package/sha1.h"
#include "package/sisx.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/sha256.h"

namespace {

using testsupport::hexOf;

using testsupport::JsonValue;

fs::path sisxFolder() {
    return pathOfUtf8(VORANDECK_TESTDATA) / "sisx";
}

struct SisxCase {
    fs::path package;
    JsonValue expected;
};

// The packages of `folder` that have an expectation beside them, sorted.
std::vector<SisxCase> casesIn(const fs::path& folder) {
    std::vector<fs::path> packages;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".sis") {
            packages.push_back(entry.path());
        }
    }
    std::sort(packages.begin(), packages.end());
    std::vector<SisxCase> cases;
    for (const fs::path& package : packages) {
        SisxCase c{package, {}};
        const fs::path json =
            folder / "expected" / pathOfUtf8(utf8Of(package.filename()) + ".json");
        std::string message;
        EXPECT_TRUE(testsupport::readJsonFile(utf8Of(json), &c.expected, &message))
            << utf8Of(json) << ": " << message;
        cases.push_back(std::move(c));
    }
    return cases;
}

// Where the extraction puts a file: the name without its drive, '/'-separated.
std::string pathOfName(const std::string& name) {
    std::string path = name.size() >= 2 && name[1] == ':' ? name.substr(2) : name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path.substr(path.find_first_not_of('/') == std::string::npos
                           ? path.size()
                           : path.find_first_not_of('/'));
}

struct Opened {
    FileHandle file;
    SisxPackage package;
    explicit Opened(const fs::path& path)
        : file(platformOpenForRead(utf8Of(path).c_str())), package(ByteSource::fromFile(file)) {}
    ~Opened() { platformClose(file); }
};

void checkHeader(const SisxSummary& summary, const JsonValue& expected) {
    for (int id = 1002; id <= 1027; ++id) {
        EXPECT_EQ(sisxHeaderBoxText(summary, id), expected[std::to_string(id)].text)
            << "box " << id;
    }
}

void checkLines(const SisxRecording& listed, const JsonValue& expected) {
    std::vector<std::string> lines;
    for (const ListEntry& entry : listed.lines) {
        ASSERT_LE(entry.kind, 5u);
        lines.push_back(kListPrefixes[entry.kind] + entry.name);
    }
    std::vector<std::string> expectedLines;
    for (const JsonValue& line : expected.items) {
        expectedLines.push_back(line.text);
    }
    EXPECT_EQ(lines, expectedLines);
}

void checkExtracted(const SisxRecording& walked, const JsonValue& expected) {
    ASSERT_EQ(walked.extracted.size(), expected.items.size());
    for (size_t i = 0; i < walked.extracted.size(); ++i) {
        const SisxExtracted& got = walked.extracted[i];
        const JsonValue& want = expected.items[i];
        SCOPED_TRACE(want["name"].text);
        EXPECT_EQ(got.name, want["name"].text);
        if (want.has("path")) {
            EXPECT_EQ(pathOfName(got.name), want["path"].text);
        }
        std::vector<unsigned char> content;
        const bool restored =
            restoreStored(got.data, static_cast<size_t>(got.data.originalLength), &content);
        if (want["result"].text == "message 20") {
            EXPECT_TRUE(!restored || content.size() != got.data.originalLength);
            continue;
        }
        ASSERT_TRUE(restored);
        EXPECT_EQ(content.size(), static_cast<size_t>(want["size"].number));
        EXPECT_EQ(testsupport::sha256Hex(content.data(), content.size()), want["sha256"].text);
        Sha1 sha1;
        sha1.update(content.data(), content.size());
        unsigned char digest[Sha1::kDigestSize];
        sha1.final(digest);
        ASSERT_TRUE(got.data.hasSha1);
        EXPECT_EQ(hexOf(digest, sizeof digest) == hexOf(got.data.sha1, sizeof got.data.sha1),
                  want["result"].text == "ok");
    }
}

void checkPackage(const SisxCase& c) {
    SCOPED_TRACE(utf8Of(c.package.filename()));
    Opened opened(c.package);
    ASSERT_NE(opened.file, kInvalidFile);
    const SisxSummary& summary = opened.package.summary();
    const bool unreadable = c.expected["message"].text == "message 17";
    EXPECT_EQ(summary.readable, !unreadable);
    checkHeader(summary, c.expected["header"]);
    EXPECT_EQ(summary.languages.size(), c.expected["languages"].items.size());

    SisxRecording listed;
    opened.package.walk(WalkList, listed.outputs());
    checkLines(listed, c.expected["lines"]);
    EXPECT_TRUE(listed.extracted.empty());

    SisxRecording extracted;
    opened.package.walk(WalkExtract, extracted.outputs());
    EXPECT_TRUE(extracted.lines.empty());
    checkExtracted(extracted, c.expected["extract"]);
}

} // namespace

TEST(SisxRealPackages, ReadListAndExtractAsExpected) {
    if (!fs::exists(sisxFolder() / "expected")) {
        GTEST_SKIP() << "shared Symbian OS 9 packages not found at " << utf8Of(sisxFolder())
                     << "; this test needs them";
    }
    const std::vector<SisxCase> sound = casesIn(sisxFolder());
    const std::vector<SisxCase> damaged = casesIn(sisxFolder() / "damaged");
    EXPECT_EQ(sound.size(), 61u);
    EXPECT_EQ(damaged.size(), 15u);
    for (const SisxCase& c : sound) {
        checkPackage(c);
    }
    for (const SisxCase& c : damaged) {
        checkPackage(c);
    }
}

TEST(SisxRealPackages, ExtractedToDiskAsExpected) {
    if (!fs::exists(sisxFolder() / "expected")) {
        GTEST_SKIP() << "shared Symbian OS 9 packages not found at " << utf8Of(sisxFolder());
    }
    std::vector<SisxCase> cases = casesIn(sisxFolder());
    for (SisxCase& c : casesIn(sisxFolder() / "damaged")) {
        cases.push_back(std::move(c));
    }
    for (const SisxCase& c : cases) {
        SCOPED_TRACE(utf8Of(c.package.filename()));
        TempDir out;
        FileFunctions files;
        const std::string path = utf8Of(c.package);
        std::strncpy(files.packagePath, path.c_str(), sizeof files.packagePath - 1);
        files.OpenSISFile(files.packagePath);
        PackageHeader header;
        files.readHeader(&header);
        ASSERT_EQ(files.recognisePackage(header), PackageFormat::Sisx);
        RecordingHost host;
        host.attach(files);
        host.useFolder(out.utf8(), 1); // a later file of the same path replaces the earlier
        const bool any = files.walkPackage(header, WalkExtract, extractToDisk(files));

        std::vector<RecordedMessage> expectedMessages;
        std::vector<std::string> expectedFiles;
        int counted = 0;
        for (const JsonValue& e : c.expected["extract"].items) {
            const std::string& result = e["result"].text;
            if (result == "unsafe") {
                expectedMessages.push_back({KindError, IdsUnsafeName, 0, e["name"].text});
            } else if (result == "checksum") {
                expectedMessages.push_back(extractError(IdsChecksumDiffers));
            } else if (result != "ok") {
                expectedMessages.push_back(extractError(std::stoi(result.substr(8))));
            }
            if (e.has("size")) {
                ++counted;
                expectedFiles.push_back(e["path"].text);
                const fs::path file = out.path() / pathOfUtf8(e["path"].text);
                EXPECT_EQ(fs::file_size(file), static_cast<uintmax_t>(e["size"].number));
                EXPECT_EQ(testsupport::sha256File(file), e["sha256"].text);
            }
        }
        std::sort(expectedFiles.begin(), expectedFiles.end());
        expectedFiles.erase(std::unique(expectedFiles.begin(), expectedFiles.end()),
                            expectedFiles.end());
        EXPECT_EQ(out.files(), expectedFiles);
        EXPECT_EQ(host.messages, expectedMessages);
        EXPECT_EQ(files.extractedCount, counted);
        EXPECT_EQ(any, counted != 0);
    }
}
