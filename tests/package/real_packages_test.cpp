// Every real package of the shared test data, walked in both modes and
// extracted, against what the finished program must show and write.
#include <cstring>
#include <fstream>

#include "package/file_crc.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/sha256.h"

namespace {

using testsupport::JsonValue;

// Language names of the string table, by code.
const char* const kLanguageNames[100] = {
    "Language Test",
    "UK English",
    "French",
    "German",
    "Spanish",
    "Italian",
    "Swedish",
    "Danish",
    "Norwegian",
    "Finnish",
    "American English",
    "Swiss French",
    "Swiss German",
    "Portuguese",
    "Turkish",
    "Icelandic",
    "Russian",
    "Hungarian",
    "Dutch",
    "Belgian Flemish",
    "Australian English",
    "Belgian French",
    "Austrian German",
    "New Zealand English",
    "International French",
    "Czech",
    "Slovak",
    "Polish",
    "Slovenian",
    "Taiwanese Chinese",
    "Hong Kong Chinese",
    "Peoples Republic of Chinas Chinese",
    "Japanese",
    "Thai",
    "Afrikaans",
    "Albanian",
    "Amharic",
    "Arabic",
    "Armenian",
    "Tagalog",
    "Belarussian",
    "Bengali",
    "Bulgarian",
    "Burmese",
    "Catalan",
    "Croation",
    "Canadian English",
    "International English",
    "South African English",
    "Estonian",
    "Farsi",
    "Canadian French",
    "Gaelic",
    "Georgian",
    "Greek",
    "Cyprus Greek",
    "Gujarati",
    "Hebrew",
    "Hindi",
    "Indonesian",
    "Irish",
    "Swiss Italian",
    "Kannada",
    "Kazakh",
    "Kmer",
    "Korean",
    "Lao",
    "Latvian",
    "Lithuanian",
    "Macedonian",
    "Malay",
    "Malayalam",
    "Marathi",
    "Moldovian",
    "Mongolian",
    "Norwegian Nynorsk",
    "Brazilian Portuguese",
    "Punjabi",
    "Romanian",
    "Serbian",
    "Sinhalese",
    "Somali",
    "International Spanish",
    "American Spanish",
    "Swahili",
    "Finland Swedish",
    "Reserved!",
    "Tamil",
    "Telugu",
    "Tibetan",
    "Tigrinya",
    "Cyprus Turkish",
    "Turkmen",
    "Ukrainian",
    "Urdu",
    "Reserved!",
    "Vietnamese",
    "Welsh",
    "Zulu",
    "Other Language",
};

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
    PackageHeader header = {};
    explicit Opened(const std::string& file) {
        std::string path = utf8Of(realFolder() / pathOfUtf8(file));
        std::strncpy(files.packagePath, path.c_str(), sizeof files.packagePath - 1);
        files.OpenSISFile(files.packagePath);
        EXPECT_NE(files.inputHandle, kInvalidFile) << file;
        EXPECT_GT(files.readHeader(&header), 0u) << file;
    }
    ~Opened() { files.closePackage(); }
};

void collectLanguage(void* context, uint16_t code) {
    static_cast<std::vector<std::string>*>(context)->push_back(code < 100 ? kLanguageNames[code]
                                                                          : "");
}

uint32_t number(const JsonValue& value) {
    return static_cast<uint32_t>(value.number);
}

#define SKIP_WITHOUT_TESTDATA()                                                                    \
    if (!fs::exists(realFolder() / "INDEX.tsv")) {                                                 \
        GTEST_SKIP() << "shared test data not found at " << utf8Of(realFolder())                   \
                     << "; the real-package tests need it";                                        \
    }

} // namespace

TEST(RealPackages, ListLinesAndLanguages) {
    SKIP_WITHOUT_TESTDATA();
    std::vector<RealCase> cases = loadCases();
    EXPECT_EQ(cases.size(), 48u);
    for (const RealCase& c : cases) {
        SCOPED_TRACE(c.file);
        Opened opened(c.file);
        RecordingOutputs recorded;
        opened.files.walkRecords(opened.header, WalkList, recorded.outputs());
        std::vector<std::string> lines;
        for (const ListEntry& entry : recorded.lines) {
            ASSERT_LE(entry.kind, 5u);
            lines.push_back(std::string(kListPrefixes[entry.kind]) + entry.name);
        }
        std::vector<std::string> expectedLines;
        for (const JsonValue& line : c.expected["lines"].items) {
            expectedLines.push_back(line.text);
        }
        EXPECT_EQ(lines, expectedLines);
        EXPECT_TRUE(recorded.requests.empty());

        std::vector<std::string> languages;
        opened.files.listLanguages(opened.header.languageCount(), opened.header.languagesOffset(),
                                   collectLanguage, &languages);
        std::vector<std::string> expectedLanguages;
        for (const JsonValue& language : c.expected["languages"].items) {
            expectedLanguages.push_back(language.text);
        }
        EXPECT_EQ(languages, expectedLanguages);
    }
}

TEST(RealPackages, ExtractRequests) {
    SKIP_WITHOUT_TESTDATA();
    for (const RealCase& c : loadCases()) {
        SCOPED_TRACE(c.file);
        Opened opened(c.file);
        RecordingOutputs recorded;
        EXPECT_FALSE(opened.files.walkRecords(opened.header, WalkExtract, recorded.outputs()))
            << "nothing was extracted by the recording output";
        std::vector<ExtractRequest> expected;
        for (const JsonValue& e : c.expected["extract"].items) {
            expected.push_back({e["name"].text, number(e["storedLength"]),
                                number(e["storedOffset"]), number(e["originalLength"])});
        }
        EXPECT_EQ(recorded.requests, expected);
        EXPECT_TRUE(recorded.lines.empty());
    }
}

TEST(RealPackages, ExtractedFiles) {
    SKIP_WITHOUT_TESTDATA();
    for (const RealCase& c : loadCases()) {
        SCOPED_TRACE(c.file);
        TempDir out;
        Opened opened(c.file);
        RecordingHost host;
        host.attach(opened.files);
        host.useFolder(out.utf8());
        opened.files.extractedCount = 0;
        opened.files.walkRecords(opened.header, WalkExtract, extractToDisk(opened.files));

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
        EXPECT_EQ(opened.files.extractedCount, written);
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
        std::vector<RecordingOutputs> walked;
        for (Opened* opened : {&fromFile, &fromMemory}) {
            RecordingOutputs listed;
            RecordingOutputs requested;
            opened->files.walkRecords(opened->header, WalkList, listed.outputs());
            opened->files.walkRecords(opened->header, WalkExtract, requested.outputs());
            listed.requests = requested.requests;
            walked.push_back(listed);

            TempDir out;
            RecordingHost host;
            host.attach(opened->files);
            host.useFolder(out.utf8());
            opened->files.walkRecords(opened->header, WalkExtract, extractToDisk(opened->files));
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
        const PackageCrc crc = packageCrc(opened.files.source);
        EXPECT_TRUE(crc.complete);
        EXPECT_EQ(crc.value, opened.header.storedCrc());
    }
}
