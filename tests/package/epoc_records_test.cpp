// The record stream of the older format read into contents: what it lists and
// hands to extraction, in which order, and how far each record type takes it.
#include <cstring>
#include <functional>

#include "tests/package/package_fixture.h"

namespace {

sis::Package laterPackage(std::vector<sis::Record> records, std::vector<uint16_t> languages = {1}) {
    sis::Package package;
    package.languages = std::move(languages);
    package.records = std::move(records);
    return package;
}

sis::Package release5Package(std::vector<sis::Record> records,
                             std::vector<uint16_t> languages = {1}) {
    sis::Package package = laterPackage(std::move(records), std::move(languages));
    package.release5 = true;
    package.unicode = false;
    return package;
}

std::vector<sis::Bytes> contents(size_t count) {
    std::vector<sis::Bytes> out;
    for (size_t i = 0; i < count; ++i) {
        out.push_back(sis::textBytes("variant " + std::to_string(i + 1)));
    }
    return out;
}

sis::Record marker() {
    return sis::simpleFile(0, "src", "!:\\after.txt", sis::textBytes("after"));
}

// The requests a built file record makes, variant by variant, named base + i.
std::vector<ExtractRequest> numberedRequests(const sis::BuiltFile& file, const std::string& base) {
    std::vector<ExtractRequest> out;
    for (size_t i = 0; i < file.storedLengths.size(); ++i) {
        std::string digits = std::to_string(i + 1).substr(0, 2);
        out.push_back(
            {base + digits, file.storedLengths[i], file.storedOffsets[i], file.originalLengths[i]});
    }
    return out;
}

ExtractRequest plainRequest(const sis::BuiltFile& file, const std::string& name, size_t i = 0) {
    return {name, file.storedLengths[i], file.storedOffsets[i], file.originalLengths[i]};
}

} // namespace

// Each case puts one record before a marker file: the marker is listed only if
// the reader stepped over the record by exactly its size.
TEST(EpocRecords, RecordSizesOfEveryRecordType) {
    struct Case {
        const char* what;
        std::function<sis::Package()> package;
        std::vector<ListEntry> expected; // before the marker
    };
    const ListEntry m{0, "!:\\after.txt"};
    auto multi = [](size_t n) {
        return laterPackage({sis::multiFile(0, "s", "!:\\m.txt", contents(n)), marker()},
                            std::vector<uint16_t>(n, 1));
    };
    const std::vector<Case> cases = {
        {"simple record: 48 bytes",
         [] {
             return laterPackage({sis::simpleFile(4, "s", "!:\\x", {}), marker()});
         },
         {{4, "!:\\x"}}},
        {"multi-language, no language: 36 bytes", [&] { return multi(0); }, {{0, "!:\\m.txt"}}},
        {"multi-language, 1 language: 48 bytes", [&] { return multi(1); }, {{0, "!:\\m.txt"}}},
        {"multi-language, 3 languages", [&] { return multi(3); }, {{0, "!:\\m.txt"}}},
        {"multi-language, 30 languages: 392-byte fixed part",
         [&] { return multi(30); },
         {{0, "!:\\m.txt"}}},
        {"options, none",
         [] {
             return laterPackage({sis::options(0), marker()});
         },
         {}},
        {"options, 2 in 1 language",
         [] {
             return laterPackage({sis::options(2), marker()});
         },
         {}},
        {"options, 2 in 3 languages",
         [] {
             return laterPackage({sis::options(2), marker()}, {1, 2, 3});
         },
         {}},
        {"IF with empty condition",
         [] {
             return laterPackage({sis::condition(3, {}), marker()});
         },
         {}},
        {"IF with 5-byte condition",
         [] {
             return laterPackage({sis::condition(3, sis::Bytes(5, 0xAB)), marker()});
         },
         {}},
        {"ELSEIF with 48-byte condition",
         [] {
             return laterPackage({sis::condition(4, sis::Bytes(48, 0)), marker()});
         },
         {}},
        {"ELSE",
         [] {
             return laterPackage({sis::typeOnly(5), marker()});
         },
         {}},
        {"ENDIF",
         [] {
             return laterPackage({sis::typeOnly(6), marker()});
         },
         {}},
        {"type 7",
         [] {
             return laterPackage({sis::typeOnly(7), marker()});
         },
         {}},
        {"type -1",
         [] {
             return laterPackage({sis::typeOnly(-1), marker()});
         },
         {}},
        {"most negative type",
         [] {
             return laterPackage({sis::typeOnly(INT32_MIN), marker()});
         },
         {}},
        {"largest type",
         [] {
             return laterPackage({sis::typeOnly(INT32_MAX), marker()});
         },
         {}},
        {"Release 5 simple record: 36 bytes",
         [] {
             return release5Package({sis::simpleFile(3, "s", "!:\\r.exe", {1}), marker()});
         },
         {{3, "!:\\r.exe"}}},
        {"Release 5 multi-language, 2 languages: 40-byte fixed part",
         [] {
             return release5Package({sis::multiFile(0, "s", "!:\\r.rsc", contents(2)), marker()},
                                    {1, 2});
         },
         {{0, "!:\\r.rsc"}}},
        {"Release 5 multi-language, 5 languages",
         [] {
             return release5Package({sis::multiFile(0, "s", "!:\\r.rsc", contents(5)), marker()},
                                    {10, 4, 3, 2, 1});
         },
         {{0, "!:\\r.rsc"}}},
        {"Release 5 options in 2 languages",
         [] {
             return release5Package({sis::options(3), marker()}, {1, 2});
         },
         {}},
    };
    for (const Case& c : cases) {
        OpenPackage opened(c.package());
        std::vector<ListEntry> expected = c.expected;
        expected.push_back(m);
        EXPECT_EQ(opened.list().lines, expected) << c.what;
    }
}

TEST(EpocRecords, ListAndExtractInStreamOrder) {
    OpenPackage opened(laterPackage({
        sis::simpleFile(0, "c:\\src\\a.txt", "!:\\sys\\a.txt", sis::textBytes("a")),
        sis::simpleFile(1, "c:\\src\\readme.txt", "", sis::textBytes("readme")),
        sis::simpleFile(2, "C:\\work\\app\\demo.app", "!:\\ignored", sis::textBytes("sis")),
        sis::simpleFile(3, "c:\\src\\run.exe", "!:\\sys\\run.exe", sis::textBytes("run")),
        sis::simpleFile(4, "", "c:\\sys\\old.dat", {}),
        sis::simpleFile(5, "c:\\src\\doc.pdf", "!:\\docs\\doc.pdf", sis::textBytes("pdf")),
        sis::simpleFile(6, "s", "!:\\six", sis::textBytes("6")),
        sis::simpleFile(0xFFFFFFFF, "s", "!:\\minus", sis::textBytes("-")),
    }));
    const std::vector<ListEntry> lines = {
        {0, "!:\\sys\\a.txt"},   {1, "c:\\src\\readme.txt"}, {2, "C:\\work\\app\\demo.app"},
        {3, "!:\\sys\\run.exe"}, {4, "c:\\sys\\old.dat"},    {5, "!:\\docs\\doc.pdf"},
    };
    EXPECT_EQ(opened.list().lines, lines);

    const auto& f = opened.built.files;
    const std::vector<ExtractRequest> requests = {
        plainRequest(f[0], "!:\\sys\\a.txt"),
        plainRequest(f[2], "\\demo.app"),
        plainRequest(f[3], "!:\\sys\\run.exe"),
        plainRequest(f[5], "!:\\docs\\doc.pdf"),
    };
    EXPECT_EQ(opened.extractRequests().requests, requests);
}

TEST(EpocRecords, MultiLanguageRecordsListOnceAndExtractEveryVariant) {
    for (size_t n : {0u, 1u, 3u, 30u, 101u}) {
        OpenPackage opened(laterPackage(
            {sis::multiFile(0, "s", "E:\\data\\demo\\demo.rsc", contents(n)), marker()},
            std::vector<uint16_t>(n, 1)));
        std::vector<ListEntry> lines = {{0, "E:\\data\\demo\\demo.rsc"}, {0, "!:\\after.txt"}};
        EXPECT_EQ(opened.list().lines, lines) << n;

        std::vector<ExtractRequest> expected =
            numberedRequests(opened.built.files[0], "E:\\data\\demo\\demo.rsc");
        expected.push_back(plainRequest(opened.built.files[1], "!:\\after.txt"));
        std::vector<ExtractRequest> got = opened.extractRequests().requests;
        EXPECT_EQ(got, expected) << n;
        if (n == 101) {
            EXPECT_EQ(got[99].name, "E:\\data\\demo\\demo.rsc10") << "variant 100 gets two digits";
            EXPECT_EQ(got[11].name, "E:\\data\\demo\\demo.rsc12");
        }
    }
}

TEST(EpocRecords, MultiLanguageComponentsAndRunFiles) {
    struct Case {
        const char* what;
        uint32_t fileType;
        size_t languages;
        bool numbered;
        std::string name; // as extracted (before numbering)
    };
    const Case cases[] = {
        {"component, 3 languages: every variant, cut then numbered", 2, 3, true, "\\demo.sis"},
        {"component, 1 language: the record's own words", 2, 1, false, "\\demo.sis"},
        {"component, no language: nothing", 2, 0, true, "\\demo.sis"},
        {"run file, 3 languages", 3, 3, true, "!:\\sys\\run.exe"},
        {"run file, 1 language", 3, 1, false, "!:\\sys\\run.exe"},
        {"opened file, 2 languages", 5, 2, true, "!:\\sys\\run.exe"},
        {"installed file, 1 language: numbered all the same", 0, 1, true, "!:\\sys\\run.exe"},
    };
    for (const Case& c : cases) {
        OpenPackage opened(laterPackage({sis::multiFile(c.fileType, "C:\\work\\demo.sis",
                                                        "!:\\sys\\run.exe", contents(c.languages))},
                                        std::vector<uint16_t>(c.languages, 1)));
        std::vector<ExtractRequest> expected =
            c.numbered ? numberedRequests(opened.built.files[0], c.name)
                       : std::vector<ExtractRequest>{plainRequest(opened.built.files[0], c.name)};
        EXPECT_EQ(opened.extractRequests().requests, expected) << c.what;
    }
}

TEST(EpocRecords, ExtractNames) {
    struct Case {
        const char* what;
        sis::Record record;
        std::string expected;
    };
    sis::Record offsetZero = sis::simpleFile(0, "s", "!:\\x.txt", sis::textBytes("x"));
    offsetZero.dest.offset = 0;
    const Case cases[] = {
        {"component without a backslash keeps its whole name",
         sis::simpleFile(2, "demo.sis", "", sis::textBytes("c")), "demo.sis"},
        {"component at the drive root", sis::simpleFile(2, "c:\\demo.sis", "", sis::textBytes("c")),
         "\\demo.sis"},
        {"component with slashes only keeps its whole name",
         sis::simpleFile(2, "c:/a/demo.sis", "", sis::textBytes("c")), "c:/a/demo.sis"},
        {"offset 0 gives the empty name", offsetZero, ""},
    };
    for (const Case& c : cases) {
        OpenPackage opened(laterPackage({c.record}));
        std::vector<ExtractRequest> got = opened.extractRequests().requests;
        ASSERT_EQ(got.size(), 1u) << c.what;
        EXPECT_EQ(got[0].name, c.expected) << c.what;
    }

    // Names are kept whole: 129 units of a three-byte character, and 1,024
    // units; one unit more is listed cut and refused.
    std::string wide;
    for (int i = 0; i < 129; ++i) {
        wide += "\xE4\xB8\xAD";
    }
    OpenPackage unicode(
        laterPackage({sis::multiFile(0, "s", wide, contents(12))}, std::vector<uint16_t>(12, 1)));
    const std::vector<ExtractRequest> variants = unicode.extractRequests().requests;
    ASSERT_EQ(variants.size(), 12u);
    EXPECT_EQ(variants[0].name, wide + "1");
    EXPECT_EQ(variants[11].name, wide + "12");
    for (bool eightBit : {false, true}) {
        for (size_t length : {kMaxNameUnits, kMaxNameUnits + 1}) {
            const std::string name(length, 'n');
            sis::Package package = laterPackage({sis::simpleFile(0, "s", name, {})});
            package.unicode = !eightBit;
            OpenPackage opened(package);
            EXPECT_EQ(opened.list().lines[0].name, name.substr(0, kMaxNameUnits)) << length;
            EXPECT_EQ(allFiles(opened.files.package->source, opened.contents())[0].nameTooLong,
                      length > kMaxNameUnits)
                << length;
        }
    }
}

TEST(EpocRecords, EndBoundAndEmptyStream) {
    // The bound at the start of the second record: only the first is read.
    sis::Package package =
        laterPackage({sis::multiFile(0, "s", "!:\\m.txt", contents(3)), marker()}, {1, 2, 3});
    package.dependenciesOffset = sis::build(package).files[1].recordOffset;
    OpenPackage bounded(package);
    EXPECT_EQ(bounded.list().lines, (std::vector<ListEntry>{{0, "!:\\m.txt"}}));

    // A record that starts below the bound is read whole.
    package.dependenciesOffset = *package.dependenciesOffset - 1;
    OpenPackage inside(package);
    EXPECT_EQ(inside.list().lines, (std::vector<ListEntry>{{0, "!:\\m.txt"}}));

    for (int delta : {0, 1}) {
        sis::Package empty = laterPackage({marker()});
        sis::Built built = sis::build(empty);
        empty.dependenciesOffset = built.packageLinesOffset - static_cast<uint32_t>(delta);
        OpenPackage opened(empty);
        EXPECT_TRUE(opened.list().requests.empty());
    }
}

TEST(EpocRecords, TruncatedPackagesEndAtTheFirstShortRead) {
    sis::Package package = laterPackage({sis::simpleFile(0, "s", "!:\\one", sis::textBytes("1")),
                                         sis::multiFile(3, "s", "!:\\two", contents(2)),
                                         sis::options(1), sis::condition(3, sis::Bytes(7, 1)),
                                         sis::simpleFile(4, "s", "!:\\three", {})},
                                        {1, 2});
    const sis::Built full = sis::build(package);
    // Where each file record's fixed part ends.
    const uint32_t ends[] = {full.files[0].recordOffset + 48,
                             full.files[1].recordOffset + 4 + 32 + 24,
                             full.files[2].recordOffset + 48};
    for (size_t cut = full.packageLinesOffset; cut < full.recordsEnd; ++cut) {
        package.truncateTo = cut;
        OpenPackage opened(package);
        size_t complete = 0;
        for (uint32_t end : ends) {
            complete += end <= cut ? 1 : 0;
        }
        EXPECT_EQ(opened.list().lines.size(), complete) << "cut at " << cut;
        EXPECT_LE(opened.extractRequests().requests.size(), 3u);
    }
}

TEST(EpocRecords, CountsPointingPastTheEndEndTheReading) {
    struct Case {
        const char* what;
        sis::Record record;
        std::vector<uint16_t> languages;
    };
    sis::Record hugeOptions = sis::options(0);
    hugeOptions.optionCountField = 0xFFFFFFFF;
    sis::Record hugeCondition = sis::condition(4, {});
    hugeCondition.conditionSizeField = 0xFFFFFFF0;
    const Case cases[] = {
        {"option count of 2^32 - 1 in 3 languages", hugeOptions, {1, 2, 3}},
        {"condition size near 2^32", hugeCondition, {1}},
    };
    for (const Case& c : cases) {
        OpenPackage opened(laterPackage({c.record, marker()}, c.languages));
        EXPECT_TRUE(opened.list().lines.empty()) << c.what;
        EXPECT_TRUE(opened.extractRequests().requests.empty()) << c.what;
    }
}

TEST(EpocRecords, LanguageCountFrom0x8000) {
    // A multi-language record then has its 32-byte fixed part and no variant;
    // options have no names.
    sis::Package package =
        laterPackage({sis::multiFile(0, "s", "!:\\m.txt", {}), sis::options(5), marker()}, {});
    package.languageCountField = 0x8000;
    OpenPackage opened(package);
    EXPECT_EQ(opened.list().lines,
              (std::vector<ListEntry>{{0, "!:\\m.txt"}, {0, "!:\\after.txt"}}));
    EXPECT_EQ(opened.extractRequests().requests,
              (std::vector<ExtractRequest>{plainRequest(opened.built.files[1], "!:\\after.txt")}));
}

TEST(EpocRecords, LargestLanguageCountIsPassedOverQuickly) {
    // 32767 languages: a fixed part of 393,236 bytes per record, read with a
    // fixed number of reads.
    std::vector<sis::Bytes> variants(0x7FFF);
    sis::Package package = laterPackage({sis::multiFile(4, "s", "!:\\big", variants), marker()},
                                        std::vector<uint16_t>(0x7FFF, 1));
    OpenPackage opened(package);
    EXPECT_EQ(opened.list().lines, (std::vector<ListEntry>{{4, "!:\\big"}, {0, "!:\\after.txt"}}));
}

TEST(EpocRecords, Release5Records) {
    sis::Package package = release5Package(
        {sis::multiFile(0, "\\epoc32\\Bombs.r10", "!:\\System\\Apps\\Bombs\\Bombs.rsc",
                        contents(5)),
         sis::simpleFile(4, "s", "C:\\System\\Apps\\Bombs\\", {}),
         sis::simpleFile(0, "s", "!:\\System\\Apps\\Bombs\\Bombs.app", sis::patternBytes(300))},
        {10, 4, 3, 2, 1});
    OpenPackage opened(package);
    EXPECT_EQ(opened.list().lines, (std::vector<ListEntry>{
                                       {0, "!:\\System\\Apps\\Bombs\\Bombs.rsc"},
                                       {4, "C:\\System\\Apps\\Bombs\\"},
                                       {0, "!:\\System\\Apps\\Bombs\\Bombs.app"},
                                   }));
    std::vector<ExtractRequest> expected =
        numberedRequests(opened.built.files[0], "!:\\System\\Apps\\Bombs\\Bombs.rsc");
    expected.push_back(plainRequest(opened.built.files[2], "!:\\System\\Apps\\Bombs\\Bombs.app"));
    std::vector<ExtractRequest> got = opened.extractRequests().requests;
    EXPECT_EQ(got, expected);
    // Stored as is: every original length equals its stored length.
    for (const ExtractRequest& r : got) {
        EXPECT_EQ(r.originalLength, r.storedLength) << r.name;
    }
}

TEST(EpocRecords, EightBitNamesOfLaterGenerationPackages) {
    sis::Package package =
        laterPackage({sis::simpleFile(0, "s", "!:\\caf\xC3\xA9\\\xE2\x82\xAC.txt", {})});
    package.unicode = false;
    OpenPackage opened(package);
    EXPECT_EQ(opened.list().lines,
              (std::vector<ListEntry>{{0, "!:\\caf\xC3\xA9\\\xE2\x82\xAC.txt"}}));
}
