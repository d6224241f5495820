// Extraction to disk: data byte for byte, every failure's message and what it
// leaves behind, the three destinations, the overwrite question and unsafe names.
#include <cstring>
#include <fstream>
#include <set>

#include "common/string_ids.h"
#include "tests/package/package_fixture.h"

namespace {

sis::Package onePackage(std::vector<sis::Record> records) {
    sis::Package package;
    package.records = std::move(records);
    return package;
}

// An open package, a recording host and an output folder "out" beside the package.
struct Extraction {
    OpenPackage opened;
    RecordingHost host;
    fs::path out;

    explicit Extraction(const sis::Package& package, bool overwrite = false)
        : opened(package), out(opened.dir.path() / "out") {
        fs::create_directory(out);
        host.useFolder(utf8Of(out), overwrite);
    }
    bool run() { return host.extract(opened.files); }
    FileFunctions& files() { return opened.files; }
};

// Windows-style output path as the program builds it for the question's prefix.
std::string programPath(const fs::path& base, const std::string& tail) {
    return utf8Of(base) + tail;
}

} // namespace

TEST(Extract, FilesByteForByte) {
    struct Case {
        const char* what;
        size_t size;
        bool compressible;
    };
    const Case cases[] = {
        {"empty", 0, false},
        {"one byte", 1, false},
        {"one short of a chunk", 65534, false},
        {"exactly one chunk", 65535, false},
        {"one past a chunk", 65536, false},
        {"two chunks exactly", 2 * 65535, false},
        {"four chunks, as stored data is read", 4 * 65535, false},
        {"one past four chunks", 4 * 65535 + 1, false},
        {"sixteen chunks, as inflated output is written", 16 * 65535, true},
        {"one past sixteen chunks", 16 * 65535 + 1, false},
        {"several MB of noise", 3 * 1024 * 1024 + 7, false},
        {"several MB that compress to little", 5 * 1024 * 1024, true},
    };
    for (const char* generation : {"zlib", "NoCompress", "Release 5"}) {
        for (const Case& c : cases) {
            const std::string what = std::string(generation) + ", " + c.what;
            sis::Bytes content =
                c.compressible ? sis::Bytes(c.size, 'z') : sis::patternBytes(c.size);
            sis::Package package = onePackage({sis::simpleFile(0, "s", "!:\\sys\\f.bin", content)});
            package.noCompress = std::string(generation) == "NoCompress";
            package.release5 = std::string(generation) == "Release 5";
            Extraction x(package);
            const bool storedAsIs = package.noCompress || package.release5;
            if (storedAsIs && c.size == 0) {
                // Nothing to read for an empty file stored as is.
                EXPECT_FALSE(x.run()) << what;
                EXPECT_EQ(x.host.messages, std::vector<RecordedMessage>{extractError(IdsReadError)})
                    << what;
                EXPECT_FALSE(fs::exists(x.out / "sys" / "f.bin")) << what;
                continue;
            }
            EXPECT_TRUE(x.run()) << what;
            EXPECT_TRUE(x.host.messages.empty()) << what;
            EXPECT_EQ(x.host.written, 1) << what;
            EXPECT_EQ(x.host.progressSteps, 1) << what;
            EXPECT_TRUE(readAll(x.out / "sys" / "f.bin") == content) << what;
        }
    }
}

TEST(Extract, FailuresAndWhatTheyLeave) {
    const sis::Bytes content = sis::patternBytes(200000);
    const sis::Bytes deflated = sis::deflateBytes(content);
    struct Case {
        const char* what;
        sis::Variant variant;
        bool asIs;
        std::vector<RecordedMessage> messages;
        bool fileStays;
        std::optional<size_t> size; // of the file left, when known
        int counted;
    };
    auto variant = [&](sis::Bytes stored) {
        sis::Variant v;
        v.content = content;
        v.stored = std::move(stored);
        return v;
    };
    sis::Bytes halfStream(deflated.begin(), deflated.begin() + deflated.size() / 2);
    sis::Variant runsPastEnd = variant(halfStream);
    runsPastEnd.storedLength = static_cast<uint32_t>(deflated.size());
    sis::Bytes trailing = deflated;
    trailing.insert(trailing.end(), 5000, 0xAB);
    sis::Variant wrongLength = variant(deflated);
    wrongLength.originalLength = static_cast<uint32_t>(content.size() + 1);
    sis::Bytes corrupt = deflated;
    corrupt[corrupt.size() / 2] ^= 0xFF;
    sis::Bytes badChecksum = deflated;
    badChecksum.back() ^= 0x01;
    sis::Bytes badChecksumTop = deflated;
    badChecksumTop[badChecksumTop.size() - 4] ^= 0x80;
    sis::Variant zeroLength = variant(deflated);
    zeroLength.storedLength = 0;
    sis::Variant zeroOffset = variant(deflated);
    zeroOffset.storedOffset = 0;
    sis::Variant offsetPastEnd = variant(deflated);
    offsetPastEnd.storedOffset = 0x7FFFFFFF;
    // A zlib header asking for a preset dictionary.
    sis::Variant dictionary = variant({0x78, 0x20, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00});
    sis::Variant notZlib = variant({0x00, 0x00, 0x01, 0x02});
    sis::Variant longStream = variant(deflated);
    longStream.originalLength = 100;
    sis::Variant asIsPastEnd = variant(sis::Bytes(content.begin(), content.begin() + 70000));
    asIsPastEnd.storedLength = static_cast<uint32_t>(content.size());

    const RecordedMessage readError = extractError(IdsReadError);
    const RecordedMessage inflateError = extractError(IdsInflateError);
    const RecordedMessage sizeDiffers = extractError(IdsSizeDiffers);
    const std::vector<Case> cases = {
        {"stored length past the end of the package",
         runsPastEnd,
         false,
         {inflateError},
         false,
         {},
         0},
        {"bytes after the stream are ignored",
         variant(trailing),
         false,
         {},
         true,
         content.size(),
         1},
        {"data shorter than the original length: not kept",
         wrongLength,
         false,
         {sizeDiffers},
         false,
         {},
         0},
        {"corrupt data: not kept, not counted",
         variant(corrupt),
         false,
         {inflateError},
         false,
         {},
         0},
        {"wrong checksum: not kept, not counted",
         variant(badChecksum),
         false,
         {inflateError},
         false,
         {},
         0},
        {"wrong checksum, in its most significant byte",
         variant(badChecksumTop),
         false,
         {inflateError},
         false,
         {},
         0},
        {"a stream longer than declared stops at the declared length",
         longStream,
         false,
         {sizeDiffers},
         true,
         100u,
         1},
        {"stored as is, longer than declared: cut at the declared length",
         longStream,
         true,
         {sizeDiffers},
         true,
         100u,
         1},
        {"stored length 0", zeroLength, false, {readError}, false, {}, 0},
        {"stored offset 0", zeroOffset, false, {readError}, false, {}, 0},
        {"stored offset past the end", offsetPastEnd, false, {readError}, false, {}, 0},
        {"preset dictionary", dictionary, false, {inflateError}, false, {}, 0},
        {"not a zlib stream", notZlib, false, {inflateError}, false, {}, 0},
        {"stored as is, past the end: not kept, not counted",
         asIsPastEnd,
         true,
         {sizeDiffers},
         false,
         {},
         0},
        {"stored as is, stored length 0", zeroLength, true, {readError}, false, {}, 0},
    };
    for (const Case& c : cases) {
        sis::Record record = sis::simpleFile(0, "s", "!:\\sys\\f.bin", {});
        record.variants = {c.variant};
        sis::Package package = onePackage({record});
        package.noCompress = c.asIs;
        Extraction x(package);
        EXPECT_EQ(x.run(), c.counted != 0) << c.what;
        EXPECT_EQ(x.host.messages, c.messages) << c.what;
        EXPECT_EQ(x.host.written, c.counted) << c.what;
        EXPECT_EQ(x.host.progressSteps, c.counted) << c.what;
        const fs::path file = x.out / "sys" / "f.bin";
        EXPECT_EQ(fs::exists(file), c.fileStays) << c.what;
        if (c.fileStays && c.size) {
            EXPECT_EQ(fs::file_size(file), *c.size) << c.what;
        }
        if (!c.fileStays && fs::exists(x.out)) {
            EXPECT_EQ(TempDir::filesBelow(x.out).size(), 0u) << c.what << ": nothing left";
        }
    }
}

// Names were once cut at 129 units when read, so two names that differ beyond
// that wrote one file twice and counted both. Each is now whole: a path too long
// for the folder is refused, never cut.
TEST(Extract, LongNamesThatDifferLateNeverWriteOverEachOther) {
    const std::string stem = "!:\\" + std::string(186, 'n');
    for (uint32_t destination : {500u, 501u, 502u}) {
        Extraction x(onePackage({sis::simpleFile(0, "s", stem + "a.txt", sis::textBytes("a")),
                                 sis::simpleFile(0, "s", stem + "b.txt", sis::textBytes("b"))}));
        x.host.settings.defaultDest = destination;
        x.host.folders = {utf8Of(x.out)};
        const Listed listed = x.opened.list();
        ASSERT_EQ(listed.lines.size(), 2u);
        EXPECT_NE(listed.lines[0].name, listed.lines[1].name);
        x.run();
        std::set<std::string> contents;
        for (const std::string& file : TempDir::filesBelow(x.opened.dir.path())) {
            if (file != "test.sis") {
                const sis::Bytes bytes = readAll(x.opened.dir.path() / pathOfUtf8(file));
                contents.insert(std::string(bytes.begin(), bytes.end()));
            }
        }
        // Each file written holds its own bytes; a refused one says so.
        EXPECT_EQ(contents.size() + x.host.messages.size(), 2u) << destination;
        EXPECT_EQ(x.host.written, static_cast<int32_t>(contents.size())) << destination;
        for (const RecordedMessage& message : x.host.messages) {
            EXPECT_EQ(message, extractError(IdsCreateError)) << destination;
        }
    }
}

TEST(Extract, FailureEndsOnlyItsFile) {
    sis::Record broken = sis::simpleFile(0, "s", "!:\\a.bin", sis::textBytes("a"));
    broken.variants[0].storedLength = 0;
    Extraction x(onePackage({broken, sis::simpleFile(0, "s", "!:\\b.bin", sis::textBytes("b"))}));
    EXPECT_TRUE(x.run());
    EXPECT_EQ(x.host.messages, std::vector<RecordedMessage>{extractError(IdsReadError)});
    EXPECT_EQ(x.host.written, 1);
    EXPECT_TRUE(fs::exists(x.out / "b.bin"));
}

TEST(Extract, Destinations) {
    struct Case {
        const char* what;
        uint32_t defaultDest;
        bool trailingBackslash;
        std::string name;
        std::string expected; // below the base, '/'-separated
    };
    const Case cases[] = {
        {"fixed folder", 502, false, "C:\\system\\apps\\demo\\demo.app",
         "system/apps/demo/demo.app"},
        {"fixed folder with a trailing backslash", 502, true, "C:\\system\\apps\\demo\\demo.app",
         "system/apps/demo/demo.app"},
        {"component lands in the base", 502, true, "\\demo.sis", "demo.sis"},
        {"name without a folder part", 502, false, "c.bin", "c.bin"},
        {"drive without a folder part", 502, false, "!:c.bin", "c.bin"},
        {"slashes make folders too", 502, false, "!:/a/b/c.txt", "a/b/c.txt"},
        {"next to the package", 500, false, "C:\\system\\apps\\demo\\demo.app",
         "system/apps/demo/demo.app"},
        {"unknown setting: next to the package", 0, false, "!:\\x\\y.txt", "x/y.txt"},
        {"another unknown setting", 777, false, "!:\\x\\y.txt", "x/y.txt"},
    };
    for (const Case& c : cases) {
        Extraction x(onePackage({sis::simpleFile(0, "s", c.name, sis::textBytes("data"))}));
        x.host.settings.defaultDest = c.defaultDest;
        std::string dir = utf8Of(x.out) + (c.trailingBackslash ? "\\" : "");
        x.host.settings.destDir = dir;
        const fs::path base = c.defaultDest == 502 ? x.out : x.opened.dir.path();
        EXPECT_TRUE(x.run()) << c.what;
        EXPECT_TRUE(x.host.messages.empty()) << c.what;
        EXPECT_TRUE(fs::is_regular_file(base / pathOfUtf8(c.expected))) << c.what;
    }

    // A variant keeps its number in its extension.
    sis::Package multi = onePackage({sis::multiFile(0, "s", "!:\\d\\demo.rsc", {{1}, {2}})});
    multi.languages = {1, 2};
    Extraction x(multi);
    x.run();
    EXPECT_TRUE(fs::exists(x.out / "d" / "demo.rsc1"));
    EXPECT_TRUE(fs::exists(x.out / "d" / "demo.rsc2"));
}

TEST(Extract, AskForTheFolderOncePerRun) {
    sis::Package package = onePackage({sis::simpleFile(0, "s", "!:\\a\\1.txt", sis::textBytes("1")),
                                       sis::simpleFile(0, "s", "!:\\a\\2.txt", sis::textBytes("2")),
                                       sis::simpleFile(0, "s", "!:\\3.txt", sis::textBytes("3"))});
    Extraction x(package);
    x.host.settings.defaultDest = 501;
    const fs::path first = x.opened.dir.path() / "first";
    const fs::path second = x.opened.dir.path() / "second";
    fs::create_directory(first);
    fs::create_directory(second);

    // A cancel ends the run: no further question, no error.
    x.host.folders = {std::nullopt, utf8Of(first)};
    EXPECT_FALSE(x.run());
    EXPECT_EQ(x.host.folderRequests, 1);
    EXPECT_TRUE(x.host.messages.empty());
    EXPECT_TRUE(TempDir::filesBelow(first).empty());

    // The next run asks again, once: the later files reuse the folder.
    x.host.folders = {utf8Of(first)};
    EXPECT_TRUE(x.run());
    EXPECT_EQ(x.host.folderRequests, 2);
    EXPECT_TRUE(x.host.messages.empty());
    EXPECT_TRUE(fs::exists(first / "a" / "1.txt"));
    EXPECT_TRUE(fs::exists(first / "3.txt"));

    // And so does the one after it.
    x.host.folders = {utf8Of(second) + "\\"};
    EXPECT_TRUE(x.run());
    EXPECT_EQ(x.host.folderRequests, 3);
    EXPECT_TRUE(x.host.messages.empty());
    EXPECT_TRUE(fs::exists(second / "a" / "1.txt"));
    EXPECT_TRUE(fs::exists(second / "a" / "2.txt"));
    EXPECT_TRUE(fs::exists(second / "3.txt"));
}

TEST(Extract, Overwrite) {
    const std::string name = "!:\\sys\\f.txt";
    struct Case {
        const char* what;
        uint32_t overwrite;
        std::deque<int> answers;
        bool asked;
        bool replaced;
    };
    const Case cases[] = {
        {"overwrite on: replaced without a question", 1, {}, false, true},
        {"overwrite off, Yes: replaced", 0, {AnswerYes}, true, true},
        {"overwrite off, No: kept", 0, {AnswerNo}, true, false},
    };
    for (const Case& c : cases) {
        Extraction x(onePackage({sis::simpleFile(0, "s", name, sis::textBytes("new"))}),
                     c.overwrite);
        fs::create_directories(x.out / "sys");
        sis::writeFile(x.out / "sys" / "f.txt", sis::textBytes("old content"));
        x.host.answers = c.answers;
        x.run();
        std::vector<RecordedMessage> expected;
        if (c.asked) {
            expected.push_back(
                {KindQuestion, IdsAlreadyExists, 0, programPath(x.out, "\\sys\\f.txt")});
        }
        EXPECT_EQ(x.host.messages, expected) << c.what << ": a No skips the file silently";
        EXPECT_EQ(readAll(x.out / "sys" / "f.txt"),
                  sis::textBytes(c.replaced ? "new" : "old content"))
            << c.what;
        EXPECT_EQ(x.host.written, c.replaced ? 1 : 0) << c.what;
    }
}

TEST(Extract, YesAppliesToOneFileOnly) {
    Extraction x(onePackage({sis::simpleFile(0, "s", "!:\\a.txt", sis::textBytes("new a")),
                             sis::simpleFile(0, "s", "!:\\b.txt", sis::textBytes("new b"))}));
    sis::writeFile(x.out / "a.txt", sis::textBytes("old"));
    sis::writeFile(x.out / "b.txt", sis::textBytes("old"));
    x.host.answers = {AnswerYes}; // then No
    x.run();
    const std::vector<RecordedMessage> expected = {
        {KindQuestion, IdsAlreadyExists, 0, programPath(x.out, "\\a.txt")},
        {KindQuestion, IdsAlreadyExists, 0, programPath(x.out, "\\b.txt")},
    };
    EXPECT_EQ(x.host.messages, expected);
    EXPECT_EQ(readAll(x.out / "a.txt"), sis::textBytes("new a"));
    EXPECT_EQ(readAll(x.out / "b.txt"), sis::textBytes("old"));
}

TEST(Extract, CreationFailuresOtherThanAnExistingFileAskNothing) {
    struct Case {
        const char* what;
        std::string name;
        uint32_t overwrite;
    };
    const Case cases[] = {
        {"a folder of that name", "!:\\taken", 0},
        {"a folder of that name, overwrite on", "!:\\taken", 1},
        {"the empty name is the base folder", "", 0},
        {"a file where a folder must go", "!:\\blocker\\x.txt", 0},
    };
    for (const Case& c : cases) {
        Extraction x(onePackage({sis::simpleFile(0, "s", c.name, sis::textBytes("x"))}),
                     c.overwrite);
        fs::create_directory(x.out / "taken");
        sis::writeFile(x.out / "blocker", sis::textBytes("file"));
        x.host.answers = {AnswerYes, AnswerYes};
        EXPECT_FALSE(x.run()) << c.what;
        EXPECT_EQ(x.host.messages, std::vector<RecordedMessage>{extractError(IdsCreateError)})
            << c.what;
        EXPECT_TRUE(fs::is_directory(x.out / "taken")) << c.what;
        EXPECT_EQ(readAll(x.out / "blocker"), sis::textBytes("file")) << c.what;
    }
}

TEST(Extract, AFixedFolderNeverSetWritesNothing) {
    // Without a base the install path would start at the root of the drive.
    Extraction x(onePackage(
        {sis::simpleFile(0, "s", "!:\\vorandeck-root-test\\x.txt", sis::textBytes("x"))}));
    x.host.settings.defaultDest = 502;
    x.host.settings.destDir.clear();
    EXPECT_FALSE(x.run());
    EXPECT_EQ(x.host.messages, std::vector<RecordedMessage>{extractError(IdsCreateError)});
    EXPECT_FALSE(fs::exists(fs::path("/vorandeck-root-test")));
    EXPECT_FALSE(fs::exists(fs::path("\\vorandeck-root-test")));
}

TEST(Extract, UnsafeNamesAreRefusedAndNothingIsWritten) {
    const char* const unsafe[] = {
        "..\\escaped.txt",       "!:\\..\\escaped.txt",
        "C:..\\escaped.txt",     "a\\..\\..\\escaped.txt",
        "a/../../escaped.txt",   "\\\\server\\share\\x.txt",
        "\\\\?\\C:\\x.txt",      "\\\\.\\x.txt",
        "!:\\sys\\x.txt:stream", "!:\\CON",
        "!:\\nul.txt",           "!:\\sys\\com1\\x.txt",
        "!:\\lpt9.log",          "!:\\a\\...\\x.txt",
        "!:\\a\\ \\x.txt",
    };
    std::vector<sis::Record> records;
    for (const char* name : unsafe) {
        records.push_back(sis::simpleFile(0, "s", name, sis::textBytes(name)));
    }
    records.push_back(sis::simpleFile(2, "c:\\tmp\\..", "", sis::textBytes("component")));
    records.push_back(sis::simpleFile(0, "s", "!:\\safe\\kept.txt", sis::textBytes("kept")));
    // The destination two levels down, so that climbing out would stay in the temporary tree.
    Extraction x(onePackage(records));
    const fs::path deep = x.opened.dir.path() / "one" / "two";
    fs::create_directories(deep);
    x.host.useFolder(utf8Of(deep));
    x.host.settings.overwriteFiles = true;
    x.host.answers = {AnswerYes}; // go on after the tenth refusal

    EXPECT_TRUE(x.run());
    std::vector<RecordedMessage> expected;
    for (const char* name : unsafe) {
        expected.push_back({KindError, IdsUnsafeName, 0, name});
        if (expected.size() == 10) {
            expected.push_back({KindQuestion, IdsGoOnAfterFailures, 0, "10"});
        }
    }
    expected.push_back({KindError, IdsUnsafeName, 0, "\\.."});
    EXPECT_EQ(x.host.messages, expected);
    EXPECT_EQ(x.host.written, 1);
    EXPECT_EQ(x.opened.dir.files(),
              (std::vector<std::string>{"one/two/safe/kept.txt", "test.sis"}));
    std::set<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(x.opened.dir.path())) {
        if (entry.is_directory()) {
            auto relative = entry.path().lexically_relative(x.opened.dir.path()).generic_u8string();
            folders.insert(std::string(relative.begin(), relative.end()));
        }
    }
    EXPECT_EQ(folders, (std::set<std::string>{"one", "one/two", "one/two/safe", "out"}));
}

TEST(Extract, NonAsciiNamesKeepTheirTrueNames) {
    struct Case {
        const char* what;
        bool unicode;
        std::string name;
        std::string expected;
    };
    const Case cases[] = {
        {"UTF-16 names", true, "!:\\donn\xC3\xA9\x65s\\\xE6\x97\xA5\xE6\x9C\xAC.txt",
         "donn\xC3\xA9\x65s/\xE6\x97\xA5\xE6\x9C\xAC.txt"},
        {"characters beyond the BMP", true, "!:\\\xF0\x9F\x98\x80.txt", "\xF0\x9F\x98\x80.txt"},
        {"8-bit names", false, "!:\\caf\xC3\xA9\\\xE2\x82\xAC.txt", "caf\xC3\xA9/\xE2\x82\xAC.txt"},
    };
    for (const Case& c : cases) {
        sis::Package package = onePackage({sis::simpleFile(0, "s", c.name, sis::textBytes("x"))});
        package.unicode = c.unicode;
        Extraction x(package);
        EXPECT_TRUE(x.run()) << c.what;
        EXPECT_TRUE(x.host.messages.empty()) << c.what;
        EXPECT_TRUE(fs::is_regular_file(x.out / pathOfUtf8(c.expected))) << c.what;
    }
}

TEST(Extract, AfterEveryTenthFailureTheUserMayEndTheRun) {
    struct Case {
        const char* what;
        size_t failing;
        std::deque<int> answers;
        std::vector<int> askedAt;
        size_t reported; // error messages shown
        bool lastWritten;
    };
    const Case cases[] = {
        {"nine failures: no question", 9, {}, {}, 9, true},
        {"Yes twice: every file is tried", 25, {AnswerYes, AnswerYes}, {10, 20}, 25, true},
        {"No at the tenth: the run ends there", 25, {AnswerNo}, {10}, 10, false},
    };
    for (const Case& c : cases) {
        // Files whose data lies past the end of the package, then one good file.
        std::vector<sis::Record> records;
        for (size_t i = 0; i < c.failing; ++i) {
            sis::Record broken = sis::simpleFile(0, "s", "!:\\b" + std::to_string(i), {1});
            broken.variants[0].storedOffset = 0x7FFFFFF0;
            records.push_back(broken);
        }
        records.push_back(sis::simpleFile(0, "s", "!:\\good.txt", sis::textBytes("good")));
        Extraction x(onePackage(records));
        x.host.answers = c.answers;
        EXPECT_EQ(x.run(), c.lastWritten) << c.what;
        std::vector<RecordedMessage> expected;
        for (size_t i = 1; i <= c.reported; ++i) {
            expected.push_back(extractError(IdsReadError));
            for (int at : c.askedAt) {
                if (static_cast<size_t>(at) == i) {
                    expected.push_back({KindQuestion, IdsGoOnAfterFailures, 0, std::to_string(at)});
                }
            }
        }
        EXPECT_EQ(x.host.messages, expected) << c.what;
        EXPECT_EQ(fs::exists(x.out / "good.txt"), c.lastWritten) << c.what;
    }
}
