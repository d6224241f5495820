// Bad input of every kind, in bulk: shared packages cut short, header and record
// words set to edge values, names and data pointing where they must not, and
// Symbian OS 9 structures broken word by word. Every case must end, stay inside
// the destination, and say no more than its files can.
#include <chrono>
#include <cstring>
#include <fstream>

#include "common/string_ids.h"
#include "package/inner_package_image.h"
#include "package/sisx/sisx_package.h"
#include "tests/package/package_fixture.h"
#include "tests/support/real_packages.h"
#include "tests/support/sisx_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const std::string& path) {
    std::ifstream in(pathOfUtf8(path), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void putWord(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

std::vector<uint32_t> edgeValues(size_t size) {
    return {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, static_cast<uint32_t>(size)};
}

// What a damaged package made the program do.
struct Outcome {
    bool sisx = false;
    size_t lines = 0;
    size_t requests = 0; // files handed to extraction
    size_t saved = 0;    // packages inside saved on their own that opened again
    size_t messages = 0;
    std::vector<std::string> outside; // entries that are not below the destination
};

// Opens the bytes from memory, lists them, and extracts them to a fresh
// folder below `dir` (when `toDisk`), answering Yes to every question.
Outcome runAll(const Bytes& bytes, const TempDir& dir, bool toDisk) {
    Outcome outcome;
    FileFunctions files;
    const fs::path out = dir.path() / "out";
    if (toDisk) {
        std::error_code error;
        fs::remove_all(out, error);
        fs::create_directory(out);
    }
    const std::string packagePath = utf8Of(dir.path() / "package.sis");
    if (files.openMemory(bytes.data(), bytes.size(), packagePath) != OpenResult::Opened) {
        return outcome;
    }
    const Contents& contents = files.package->contents;
    outcome.sisx = files.package->kind == PackageKind::Sisx;
    for (const PackageEntry& entry : contents.entries) {
        EXPECT_LT(std::strlen(contents.text(entry.name)), kMaxNameBytes);
    }
    outcome.lines = contents.entries.size();
    for (uint32_t entry = 0; entry < outcome.lines; ++entry) {
        const InnerPackageImage image = innerPackageImage(*files.package, entry);
        const bool opens =
            readPackage(ByteSource::fromMemory(image.bytes.data(), image.bytes.size())) != nullptr;
        EXPECT_EQ(opens, image.result == InnerResult::Opened) << "line " << entry;
        outcome.saved += opens ? 1 : 0;
    }
    outcome.requests = fileCountOf(contents);
    if (toDisk) {
        RecordingHost host;
        host.useFolder(utf8Of(out), true);
        host.answers = std::deque<int>(64, AnswerYes);
        host.extract(files);
        outcome.messages = host.messages.size();
    }
    files.closePackage();
    if (toDisk) {
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.path() != out) {
                outcome.outside.push_back(utf8Of(entry.path()));
            }
        }
    }
    return outcome;
}

// Where to cut an older package: every word of the start of its record stream,
// where its first records lie, then evenly spaced points to its end.
std::vector<size_t> cutPoints(const Bytes& bytes) {
    PackageHeader header = {};
    std::memcpy(header.bytes, bytes.data(), std::min(bytes.size(), sizeof header.bytes));
    const size_t stream = std::min<size_t>(header.packageLinesOffset(), bytes.size());
    std::vector<size_t> at;
    for (size_t cut = stream; cut < std::min(bytes.size(), stream + 512); cut += 4) {
        at.push_back(cut);
    }
    for (size_t cut = stream + 512; cut < bytes.size(); cut += bytes.size() / 64 + 1) {
        at.push_back(cut);
    }
    return at;
}

std::vector<std::string> sharedPackages(const std::string& below) {
    std::vector<std::string> paths;
    const std::string folder = testsupport::sharedPackageFolder(below);
    for (const std::string& name : testsupport::packageNamesIn(folder)) {
        paths.push_back(folder + "/" + name);
    }
    return paths;
}

} // namespace

TEST(Sweep, OlderPackagesCutShortOrWithWordsAtTheirEdges) {
    const std::vector<std::string> shared = sharedPackages("real");
    if (shared.empty()) {
        GTEST_SKIP() << "shared real packages not found; the sweep needs them";
    }
    TempDir dir;
    size_t cases = 0;
    for (const std::string& path : shared) {
        SCOPED_TRACE(path);
        const Bytes whole = readBytes(path);
        // A longer piece lists at least the records a shorter one does.
        const std::vector<size_t> cuts = cutPoints(whole);
        size_t before = 0;
        for (size_t cut : cuts) {
            const Outcome o = runAll(Bytes(whole.begin(), whole.begin() + cut), dir, false);
            EXPECT_GE(o.lines, before) << "cut at " << cut;
            before = o.lines;
            ++cases;
        }
        // Every 32-bit word of the header and of the first records at each edge value.
        const size_t wordsEnd = std::min(whole.size(), cuts.size() > 40 ? cuts[40] : 100);
        for (size_t at = 0; at + 4 <= wordsEnd; at += 4) {
            for (uint32_t value : edgeValues(whole.size())) {
                Bytes bytes = whole;
                putWord(bytes, at, value);
                const Outcome o = runAll(bytes, dir, false);
                EXPECT_LE(o.requests, o.lines * 0x7FFFu + 1) << "word " << at << " = " << value;
                ++cases;
            }
        }
    }
    EXPECT_GT(cases, 1000u);
}

TEST(Sweep, OlderRecordsPointingWhereTheyMustNot) {
    const sis::Bytes content = sis::textBytes("data");
    auto package = [&](std::function<void(sis::Record&)> change, uint32_t optionCount = 0) {
        sis::Record record = sis::simpleFile(0, "src", "!:\\d\\f.txt", content);
        change(record);
        sis::Package p;
        p.records = {record, sis::simpleFile(0, "s", "!:\\after.txt", content)};
        if (optionCount != 0) {
            sis::Record options = sis::options(1);
            options.optionCountField = optionCount;
            p.records.insert(p.records.begin(), options);
        }
        return p;
    };
    struct Case {
        const char* what;
        sis::Package package;
        size_t lines;
        size_t messages;
    };
    std::vector<Case> cases = {
        {"name past the end", package([](sis::Record& r) { r.dest.offset = 0x7FFFFF00; }), 2, 0},
        {"name at offset 0", package([](sis::Record& r) { r.dest.offset = 0; }), 2, 1},
        {"name in the record stream", package([](sis::Record& r) { r.dest.offset = 100; }), 2, 0},
        {"name longer than the package",
         package([](sis::Record& r) { r.dest.length = 0xFFFFFFFF; }), 2, 0},
        {"data pointing at the header",
         package([](sis::Record& r) { r.variants[0].storedOffset = 4; }), 2, 1},
        {"data longer than the package",
         package([](sis::Record& r) { r.variants[0].storedLength = 0xFFFFFFFF; }), 2, 0},
        {"an option count that wraps 32 bits", package([](sis::Record&) {}, 0x20000000), 0, 0},
    };
    sis::Package conditionWraps;
    sis::Record wrap = sis::condition(3, {});
    wrap.conditionSizeField = 0xFFFFFFFC;
    conditionWraps.records = {wrap, sis::simpleFile(0, "s", "!:\\after.txt", content)};
    cases.push_back({"a condition size that wraps 32 bits", conditionWraps, 0, 0});
    TempDir dir;
    for (const Case& c : cases) {
        const Outcome o = runAll(sis::build(c.package).bytes, dir, true);
        EXPECT_EQ(o.lines, c.lines) << c.what;
        EXPECT_LE(o.messages, c.lines + c.messages) << c.what << ": at most one message a file";
        EXPECT_TRUE(o.outside.empty()) << c.what;
    }
}

TEST(Sweep, SisxPackagesCutShortOrBrokenWordByWord) {
    TempDir dir;
    size_t cases = 0;
    size_t words = 0; // of the written package
    size_t saved = 0; // of its embedded one
    // Shared packages cut at every field boundary (fields start on 4-byte
    // boundaries) of small ones, and at evenly spaced points of large ones.
    std::vector<std::string> shared = sharedPackages("sisx");
    for (const std::string& path : sharedPackages("sisx/damaged")) {
        shared.push_back(path);
    }
    for (const std::string& path : shared) {
        SCOPED_TRACE(path);
        const Bytes whole = readBytes(path);
        const size_t step = whole.size() <= 8192 ? 4 : (whole.size() / 256 + 3) / 4 * 4;
        for (size_t cut = 0; cut < whole.size(); cut += step) {
            const Outcome o = runAll(Bytes(whole.begin(), whole.begin() + cut), dir, false);
            EXPECT_TRUE(o.sisx || cut < 100) << "cut at " << cut;
            EXPECT_LE(o.requests, o.lines);
            ++cases;
        }
    }
    // Every word of an uncompressed controller, long lengths or not, at each edge
    // value: types, lengths, counts and indices alike.
    for (bool longLengths : {false, true}) {
        sisxbuild::Sisx sisx;
        sisxbuild::File file;
        file.target = "!:\\sys\\bin\\a.exe";
        file.content = sis::textBytes("content");
        sisxbuild::Package embedded;
        embedded.block.files = {file};
        sisx.package.block.files = {file};
        sisx.package.block.embedded = {embedded};
        sisx.compressController = false;
        sisx.longLengths = longLengths;
        const sisxbuild::Built built = sisxbuild::build(sisx);
        for (size_t at = built.controllerStart; at + 4 <= built.bytes.size(); at += 4) {
            for (uint32_t value : edgeValues(built.bytes.size())) {
                Bytes bytes = built.bytes;
                putWord(bytes, at, value);
                const Outcome o = runAll(bytes, dir, at % 64 == 0);
                EXPECT_LE(o.requests, o.lines) << "word " << at << " = " << value;
                EXPECT_TRUE(o.outside.empty()) << "word " << at << " = " << value;
                ++cases;
                ++words;
                saved += o.saved;
            }
        }
    }
    EXPECT_GT(cases, 1000u);
    // Those whose controller still reads keep their embedded package, saved on its own.
    EXPECT_GT(saved, words / 4);
}

TEST(Sweep, ThirtyTwoThousandLanguagesListQuicklyAndEndAtTheFirstNo) {
    // One multi-language record of 32767 variants whose data all lies past the end.
    sis::Record record = sis::multiFile(0, "s", "!:\\big", std::vector<sis::Bytes>(0x7FFF));
    for (sis::Variant& variant : record.variants) {
        variant.storedOffset = 0x7FFFFFF0;
    }
    sis::Package package;
    package.languages = std::vector<uint16_t>(0x7FFF, 1);
    package.records = {record};
    OpenPackage opened(package);
    ASSERT_GT(opened.built.bytes.size(), 390000u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(opened.list().lines.size(), 1u);
    EXPECT_EQ(opened.contents().languages.size(), 0x7FFFu);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    RecordingHost host;
    host.useFolder(opened.dir.utf8());
    host.extract(opened.files);
    std::vector<RecordedMessage> expected(10, extractError(IdsReadError));
    expected.push_back({KindQuestion, IdsGoOnAfterFailures, 0, "10"});
    EXPECT_EQ(host.messages, expected) << "a No at the first question ends the flood";
}
