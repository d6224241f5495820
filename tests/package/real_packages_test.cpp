// Every real package of the older format in the shared test data, extracted
// against what the finished program must write, from the file and from memory.
#include <cstring>
#include <fstream>

#include "package/checks/file_crc.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/sha256.h"

namespace {

using testsupport::JsonValue;

fs::path realFolder() {
    return pathOfUtf8(VORANDECK_TESTDATA) / "real";
}

struct RealCase {
    std::string file;
    JsonValue expected;
};

// Every package named in INDEX.tsv with its expected results.
std::vector<RealCase> loadCases() {
    std::vector<RealCase> cases;
    std::ifstream index(realFolder() / "INDEX.tsv");
    std::string line;
    std::getline(index, line); // column names
    while (std::getline(index, line)) {
        std::string file = line.substr(0, line.find('\t'));
        if (file.empty()) {
            continue;
        }
        RealCase c{file, {}};
        std::string error;
        EXPECT_TRUE(testsupport::readJsonFile(
            utf8Of(realFolder() / "expected" / pathOfUtf8(file + ".json")), &c.expected, &error))
            << file << ": " << error;
        cases.push_back(std::move(c));
    }
    return cases;
}

struct Opened {
    FileFunctions files;
    explicit Opened(const std::string& file) {
        std::string path = utf8Of(realFolder() / pathOfUtf8(file));
        EXPECT_EQ(files.OpenSISFile(path.c_str()), OpenResult::Opened) << file;
    }
};

uint32_t number(const JsonValue& value) {
    return static_cast<uint32_t>(value.number);
}

#define SKIP_WITHOUT_TESTDATA()                                                                    \
    if (!fs::exists(realFolder() / "INDEX.tsv")) {                                                 \
        GTEST_SKIP() << "shared test data not found at " << utf8Of(realFolder())                   \
                     << "; the real-package tests need it";                                        \
    }

} // namespace

TEST(RealPackages, ExtractedFiles) {
    SKIP_WITHOUT_TESTDATA();
    for (const RealCase& c : loadCases()) {
        SCOPED_TRACE(c.file);
        TempDir out;
        Opened opened(c.file);
        RecordingHost host;
        host.useFolder(out.utf8());
        host.extract(opened.files);

        int written = 0;
        std::vector<RecordedMessage> expectedMessages;
        for (const JsonValue& e : c.expected["extract"].items) {
            const std::string& path = e["path"].text;
            if (e["result"].type == JsonValue::Type::String && e["result"].text == "ok") {
                ++written;
                fs::path file = out.path() / pathOfUtf8(path);
                ASSERT_TRUE(fs::is_regular_file(file)) << path;
                EXPECT_EQ(fs::file_size(file), number(e["size"])) << path;
                EXPECT_EQ(testsupport::sha256File(file), e["sha256"].text) << path;
            } else {
                expectedMessages.push_back(extractError(static_cast<int>(e["result"].number)));
            }
        }
        EXPECT_EQ(host.messages, expectedMessages);
        EXPECT_EQ(host.written, written);
        EXPECT_EQ(host.progressSteps, written);
    }
}

TEST(RealPackages, FromMemoryAsFromTheFile) {
    SKIP_WITHOUT_TESTDATA();
    for (const RealCase& c : loadCases()) {
        SCOPED_TRACE(c.file);
        Opened fromFile(c.file);
        std::ifstream in(realFolder() / pathOfUtf8(c.file), std::ios::binary);
        const sis::Bytes bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        Opened fromMemory(c.file);
        fromMemory.files.openMemory(bytes.data(), bytes.size());

        std::vector<std::vector<std::string>> written;
        std::vector<Listed> walked;
        for (Opened* opened : {&fromFile, &fromMemory}) {
            walked.push_back(listedOf(*opened->files.package));

            TempDir out;
            RecordingHost host;
            host.useFolder(out.utf8());
            host.extract(opened->files);
            std::vector<std::string> files;
            for (const std::string& file : out.files()) {
                files.push_back(file + " " +
                                testsupport::sha256File(out.path() / pathOfUtf8(file)));
            }
            written.push_back(files);
        }
        EXPECT_EQ(walked[0].lines, walked[1].lines);
        EXPECT_EQ(walked[0].requests, walked[1].requests);
        EXPECT_EQ(written[0], written[1]);
        EXPECT_FALSE(written[0].empty() && !c.expected["extract"].items.empty());
    }
}

TEST(RealPackages, CheckWordMatchesTheStoredOne) {
    SKIP_WITHOUT_TESTDATA();
    for (const RealCase& c : loadCases()) {
        SCOPED_TRACE(c.file);
        Opened opened(c.file);
        const Package& package = *opened.files.package;
        EXPECT_TRUE(package.epocCrc.complete);
        EXPECT_EQ(package.epocCrc.value, package.epocHeader.storedCrc());
    }
}
