// The Symbian OS 9 reader over packages written by the test builder: what the
// summary says, what the reader lists and hands to extraction, and every hostile
// shape that must leave the controller unreadable without harm.
#include <algorithm>
#include <functional>

#include "common/string_ids.h"
#include "package/texts/header_text.h"
#include "package/texts/sisx_header_text.h"
#include "package/checks/digests.h"
#include "package/sisx/sisx_package.h"
#include "tests/package/package_fixture.h"
#include "tests/support/sis_builder.h"
#include "tests/support/sisx_builder.h"

namespace {

using sisxbuild::Block;
using sisxbuild::File;
using sisxbuild::If;
using sisxbuild::Sisx;

struct Read {
    sisxbuild::Built built;
    SisxPackage package;
    explicit Read(const Sisx& description)
        : built(sisxbuild::build(description)),
          package(ByteSource::fromMemory(built.bytes.data(), built.bytes.size())) {}
};

File file(const std::string& target, const std::string& content, uint32_t operation = 1) {
    File f;
    f.target = target;
    f.content = sis::textBytes(content);
    f.operation = operation;
    return f;
}

sisxbuild::Package package(std::vector<File> files, const std::string& name = "Demo") {
    sisxbuild::Package p;
    p.names = {name};
    p.block.files = std::move(files);
    return p;
}

Sisx sisxOf(sisxbuild::Package top) {
    Sisx d;
    d.package = std::move(top);
    return d;
}

std::vector<ListEntry> listed(const SisxPackage& package) {
    return listedOf(ByteSource(), package.contents()).lines;
}

// The stored data of `file`, as the extraction reads it from `bytes`.
StoredData storedData(const ByteSource& bytes, const Contents& contents, const PackageFile& file) {
    StoredData data;
    data.bytes = bytes.range(file.data.offset, file.data.length);
    data.coding = file.data.coding;
    data.originalLength = file.data.originalLength;
    data.hasSha1 = file.digest != kNoDigest;
    if (data.hasSha1) {
        std::copy(contents.digests[file.digest].begin(), contents.digests[file.digest].end(),
                  data.sha1);
    }
    return data;
}

// Each handed-on file as "name=content", or "name=<missing>" when its data is
// missing and "name=<broken>" when it cannot be undone.
std::vector<std::string> extracted(const SisxPackage& package, const ByteSource& bytes) {
    const Contents contents = package.contents();
    std::vector<std::string> out;
    for (const PackageFile& file : allFiles(bytes, contents)) {
        const StoredData data = storedData(bytes, contents, file);
        std::vector<unsigned char> content;
        std::string text = data.coding == StoredCoding::Missing ? "<missing>"
                           : restoreStored(data, static_cast<size_t>(data.originalLength), &content)
                               ? std::string(content.begin(), content.end())
                               : "<broken>";
        out.push_back(contents.extractionName(file) + "=" + text);
    }
    return out;
}

std::vector<std::string> extracted(const Read& read) {
    return extracted(read.package,
                     ByteSource::fromMemory(read.built.bytes.data(), read.built.bytes.size()));
}

// A chain of `depth` packages, each embedded in the one before, one file each.
sisxbuild::Package nested(int depth) {
    sisxbuild::Package top = package({file("!:\\level0.txt", "level 0")});
    sisxbuild::Package* at = &top;
    for (int level = 1; level <= depth; ++level) {
        at->block.embedded.push_back(package(
            {file("!:\\level" + std::to_string(level) + ".txt", "level " + std::to_string(level))},
            "Level " + std::to_string(level)));
        at = &at->block.embedded.back();
    }
    return top;
}

// `depth` If blocks, each inside the first branch of the one before.
sisxbuild::Package nestedIfs(int depth) {
    sisxbuild::Package top = package({});
    Block* at = &top.block;
    for (int level = 0; level < depth; ++level) {
        at->ifs.push_back(If{{Block{}}, 2, {}});
        at = &at->ifs.back().branches[0];
    }
    at->files.push_back(file("!:\\deep.txt", "deep"));
    return top;
}

sisxbuild::Package withCondition(int depth) {
    sisxbuild::Package top = package({});
    If condition;
    condition.conditionDepth = depth;
    condition.branches = {Block{{file("!:\\c.txt", "c")}, {}, {}}};
    top.block.ifs.push_back(condition);
    return top;
}

} // namespace

TEST(Sisx, RecognisedByItsFirstWord) {
    const struct {
        sis::Bytes bytes;
        bool sisx;
    } cases[] = {
        {{0x7A, 0x1A, 0x20, 0x10}, true},
        {{0x7A, 0x1A, 0x20, 0x10, 0x00, 0x00}, true},
        {{0x7A, 0x1A, 0x20}, false},       // too short for a word
        {{0x19, 0x04, 0x00, 0x10}, false}, // the older format's UID at 0 is an app UID
        {{0x10, 0x20, 0x1A, 0x7A}, false}, // big-endian
        {{}, false},
    };
    for (const auto& c : cases) {
        const auto read = readPackage(ByteSource::fromMemory(c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(read && read->kind == PackageKind::Sisx, c.sisx) << c.bytes.size() << " bytes";
    }
}

// One case per summary value: what the description sets, and what the summary says.
TEST(Sisx, SummaryValues) {
    struct Case {
        const char* what;
        std::function<void(Sisx&)> describe;
        std::function<std::string(const SisxSummary&)> observe;
        std::string expected;
    };
    auto hex = [](uint32_t v) { return numberText(v, true); };
    const std::vector<Case> cases = {
        {"header words as stored",
         [](Sisx& d) {
             d.uid3 = 0x20001234;
             d.patches.push_back({12, sisxbuild::le32(0xDEADBEEF)});
         },
         [&](const SisxSummary& s) {
             return hex(s.uid1) + " " + hex(s.uid2) + " " + hex(s.uid3) + " " + hex(s.uidChecksum);
         },
         "10201A7Ah 0h 20001234h DEADBEEFh"},
        {"package UID from the controller, not the header",
         [](Sisx& d) {
             d.package.uid = 0xE0001111;
             d.uid3 = 0x10000001;
         },
         [&](const SisxSummary& s) { return hex(s.packageUid); }, "E0001111h"},
        {"language codes in stored order",
         [](Sisx& d) {
             d.package.languages = {1, 3, 157, 327};
         },
         [](const SisxSummary& s) {
             std::string t;
             for (uint32_t code : s.languages)
                 t += std::to_string(code) + " ";
             return t;
         },
         "1 3 157 327 "},
        {"file count at every level, components not counted",
         [](Sisx& d) {
             d.package = nested(3);
             d.package.block.ifs.push_back(If{
                 {Block{{file("a", "a")}, {}, {}}, Block{{file("b", "b"), file("c", "c")}, {}, {}}},
                 2,
                 {}});
         },
         [](const SisxSummary& s) { return std::to_string(s.fileCount); }, "7"},
        {"dependencies counted, target devices not",
         [](Sisx& d) {
             d.package.targetDevices = 3;
             d.package.dependencies = 2;
         },
         [](const SisxSummary& s) { return std::to_string(s.dependencyCount); }, "2"},
        {"install type and flags",
         [](Sisx& d) {
             d.package.installType = 2;
             d.package.installFlags = 0x0B;
         },
         [](const SisxSummary& s) {
             return std::to_string(s.installType) + " " + std::to_string(s.installFlags);
         },
         "2 11"},
        {"version",
         [](Sisx& d) {
             d.package.versionMajor = 12;
             d.package.versionMinor = 5;
             d.package.versionBuild = -3;
         },
         [](const SisxSummary& s) {
             return std::to_string(s.versionMajor) + " " + std::to_string(s.versionMinor) + " " +
                    std::to_string(s.versionBuild);
         },
         "12 5 -3"},
        {"chains counted, the first one's algorithm named",
         [](Sisx& d) {
             d.package.chains = {"1.2.840.10040.4.3", "1.2.840.113549.1.1.5", "x"};
         },
         [](const SisxSummary& s) {
             return std::to_string(s.certificateChains) + " " + s.firstSignatureAlgorithm;
         },
         "3 1.2.840.10040.4.3"},
        {"an embedded package's chains are its own",
         [](Sisx& d) {
             d.package.block.embedded.push_back(package({}, "Inner"));
             d.package.block.embedded.back().chains = {"1.2.3"};
         },
         [](const SisxSummary& s) {
             return std::to_string(s.certificateChains) + "[" + s.firstSignatureAlgorithm + "]";
         },
         "0[]"},
        {"space required: every file's installed size, embedded and in branches",
         [](Sisx& d) {
             d.package = nested(2);
             d.package.block.files[0].uncompressedLength = 5000000000ull;
             d.package.block.ifs.push_back(If{{Block{{file("a", "12345")}, {}, {}}}, 2, {}});
         },
         [](const SisxSummary& s) { return std::to_string(s.spaceRequired); },
         std::to_string(5000000000ull + 7 + 7 + 5)},
        {"stored checksums match the computed ones", [](Sisx&) {},
         [](const SisxSummary& s) {
             return std::to_string(s.hasStoredControllerChecksum && s.controllerChecksumComputed &&
                                   s.storedControllerChecksum == s.computedControllerChecksum) +
                    std::to_string(s.hasStoredDataChecksum && s.dataChecksumComputed &&
                                   s.storedDataChecksum == s.computedDataChecksum);
         },
         "11"},
        {"checksums absent",
         [](Sisx& d) {
             d.controllerChecksum = false;
             d.dataChecksum = false;
         },
         [](const SisxSummary& s) {
             return std::to_string(s.readable) + std::to_string(s.hasStoredControllerChecksum) +
                    std::to_string(s.hasStoredDataChecksum) +
                    std::to_string(s.controllerChecksumComputed);
         },
         "1001"},
    };
    for (const Case& c : cases) {
        Sisx d = sisxOf(package({file("!:\\a.txt", "a")}));
        c.describe(d);
        Read read(d);
        EXPECT_TRUE(read.package.readable()) << c.what;
        EXPECT_EQ(c.observe(read.package.summary()), c.expected) << c.what;
    }
}

// A checksum covers its field as stored: one byte changed inside it changes the
// computed value, one outside does not.
TEST(Sisx, ComputedChecksumsCoverTheirField) {
    const Read plain(sisxOf(package({file("!:\\a.txt", "some text to keep")})));
    const SisxSummary& base = plain.package.summary();
    struct Case {
        const char* what;
        size_t offset;
        bool controllerChanges;
        bool dataChanges;
    };
    const size_t end = plain.built.bytes.size();
    const Case cases[] = {
        {"controller's declared size", plain.built.controllerStart + 12, true, false},
        {"controller's last byte, its padding if any", plain.built.dataStart - 1, true, false},
        {"data field's length", plain.built.dataStart + 4, false, true},
        {"data's last byte", end - 1, false, true},
    };
    for (const Case& c : cases) {
        Sisx d = sisxOf(package({file("!:\\a.txt", "some text to keep")}));
        d.patches.push_back({c.offset, {static_cast<uint8_t>(plain.built.bytes[c.offset] ^ 1)}});
        const SisxSummary s = Read(d).package.summary();
        EXPECT_EQ(s.computedControllerChecksum != base.computedControllerChecksum,
                  c.controllerChanges)
            << c.what;
        EXPECT_EQ(s.computedDataChecksum != base.computedDataChecksum, c.dataChanges) << c.what;
        EXPECT_EQ(s.storedControllerChecksum, base.storedControllerChecksum) << c.what;
    }
}

TEST(Sisx, ListKindOfEachOperation) {
    const struct {
        uint32_t operation;
        uint32_t options;
        uint32_t kind;
    } cases[] = {
        {1, 0, FileInstall},
        {1, 32768, FileInstall},
        {0, 0, FileInstall}, // language-dependent files
        {2, 2, FileRunDuringInstall},
        {2, 0, FileRunDuringInstall},
        {2, 8, FileOpenDuringInstall},
        {2, 8 | 2 | 16, FileOpenDuringInstall},
        {4, 1024, FileShowDuringInstall},
        {8, 0, FileUninstallOnly},
        {3, 0, FileInstall}, // operations are compared, not tested bit by bit
        {16, 0, FileInstall},
    };
    for (const auto& c : cases) {
        File f = file("!:\\x", "x", c.operation);
        f.options = c.options;
        Read read(sisxOf(package({f})));
        const std::vector<ListEntry> expected = {{c.kind, "!:\\x"}};
        EXPECT_EQ(listed(read.package), expected) << c.operation << "/" << c.options;
    }
}

// Order, nesting and where each file's data comes from, as the list and the
// extraction see them.
TEST(Sisx, ListOrderAndDataLocation) {
    struct Case {
        const char* what;
        std::function<Sisx()> describe;
        std::vector<ListEntry> lines;
        std::vector<std::string> extracted;
    };
    const std::vector<Case> cases = {
        {"block files, then embedded packages, then If branches in order",
         [] {
             sisxbuild::Package top = package({file("!:\\a", "A")});
             top.block.embedded.push_back(package({file("!:\\e", "E")}, "Inner"));
             top.block.ifs.push_back(If{{Block{{file("!:\\if", "IF")}, {}, {}},
                                         Block{{file("!:\\elseif", "ELSEIF")}, {}, {}},
                                         Block{{file("!:\\else", "ELSE")}, {}, {}}},
                                        2,
                                        {}});
             top.block.ifs.push_back(If{{Block{{file("!:\\if2", "IF2")}, {}, {}}}, 2, {}});
             return sisxOf(top);
         },
         {{0, "!:\\a"},
          {2, "Inner"},
          {0, "!:\\e"},
          {0, "!:\\if"},
          {0, "!:\\elseif"},
          {0, "!:\\else"},
          {0, "!:\\if2"}},
         {"!:\\a=A", "!:\\e=E", "!:\\if=IF", "!:\\elseif=ELSEIF", "!:\\else=ELSE", "!:\\if2=IF2"}},
        {"three levels: each DataIndex relative to the parent's unit",
         [] {
             sisxbuild::Package top = package({file("!:\\t", "top")});
             top.block.embedded.push_back(package({file("!:\\a", "first")}, "A"));
             top.block.embedded.push_back(package({file("!:\\b", "second")}, "B"));
             top.block.embedded[1].block.embedded.push_back(
                 package({file("!:\\c", "third")}, "C")); // unit 3, stored as 1
             return sisxOf(top);
         },
         {{0, "!:\\t"}, {2, "A"}, {0, "!:\\a"}, {2, "B"}, {0, "!:\\b"}, {2, "C"}, {0, "!:\\c"}},
         {"!:\\t=top", "!:\\a=first", "!:\\b=second", "!:\\c=third"}},
        {"a package embedded in an If branch",
         [] {
             sisxbuild::Package top = package({});
             Block branch;
             branch.embedded.push_back(package({file("!:\\in", "inner")}, "In branch"));
             branch.files.push_back(file("!:\\br", "branch"));
             top.block.ifs.push_back(If{{branch}, 2, {}});
             return sisxOf(top);
         },
         {{0, "!:\\br"}, {2, "In branch"}, {0, "!:\\in"}},
         {"!:\\br=branch", "!:\\in=inner"}},
        {"descriptions sharing a FileIndex share the data",
         [] {
             File second = file("!:\\copy", "");
             second.fileIndex = 0;
             second.uncompressedLength = 4;
             return sisxOf(package({file("!:\\orig", "same"), second}));
         },
         {{0, "!:\\orig"}, {0, "!:\\copy"}},
         {"!:\\orig=same", "!:\\copy=same"}},
        {"a shared target is numbered within its package, case and drive aside",
         [] {
             sisxbuild::Package top = package({file("!:\\Demo.rsc", "1"), file("c:\\other", "o")});
             top.block.ifs.push_back(If{{Block{{file("C:\\DEMO.RSC", "2")}, {}, {}},
                                         Block{{file("e:\\demo.rsc", "3")}, {}, {}}},
                                        2,
                                        {}});
             top.block.embedded.push_back(package({file("!:\\demo.rsc", "own")}, "Inner"));
             return sisxOf(top);
         },
         {{0, "!:\\Demo.rsc"},
          {0, "c:\\other"},
          {2, "Inner"},
          {0, "!:\\demo.rsc"},
          {0, "C:\\DEMO.RSC"},
          {0, "e:\\demo.rsc"}},
         {"!:\\Demo.rsc1=1", "c:\\other=o", "!:\\demo.rsc=own", "C:\\DEMO.RSC2=2",
          "e:\\demo.rsc3=3"}},
        {"no target, null files and text shown only are listed; only those with a target go on",
         [] {
             return sisxOf(package({file("", "shown", 4), file("!:\\shown.txt", "also shown", 4),
                                    file("!:\\made.dat", "", 8), file("!:\\run.exe", "run", 2)}));
         },
         {{1, ""}, {1, "!:\\shown.txt"}, {4, "!:\\made.dat"}, {3, "!:\\run.exe"}},
         {"!:\\shown.txt=also shown", "!:\\run.exe=run"}},
        {"preinstalled packages (types 3 and 4) are listed, not extracted",
         [] {
             sisxbuild::Package top = package({file("!:\\pa", "pa")});
             top.installType = 3;
             top.block.embedded.push_back(package({file("!:\\sa", "sa")}, "App"));
             top.block.embedded.push_back(package({file("!:\\pp", "pp")}, "Patch"));
             top.block.embedded.back().installType = 4;
             return sisxOf(top);
         },
         {{0, "!:\\pa"}, {2, "App"}, {0, "!:\\sa"}, {2, "Patch"}, {0, "!:\\pp"}},
         {"!:\\sa=sa"}},
        {"FileIndex outside its unit: that file's data is missing",
         [] {
             File lost = file("!:\\lost", "");
             lost.fileIndex = 7;
             return sisxOf(package({file("!:\\kept", "kept"), lost}));
         },
         {{0, "!:\\kept"}, {0, "!:\\lost"}},
         {"!:\\kept=kept", "!:\\lost=<missing>"}},
        {"data unit outside the Data field: that package's data is missing",
         [] {
             Sisx d = sisxOf(nested(2));
             d.package.block.embedded[0].dataIndex = 5;
             return d;
         },
         {{0, "!:\\level0.txt"},
          {2, "Level 1"},
          {0, "!:\\level1.txt"},
          {2, "Level 2"},
          {0, "!:\\level2.txt"}},
         {"!:\\level0.txt=level 0", "!:\\level1.txt=<missing>", "!:\\level2.txt=<missing>"}},
        {"no data units at all",
         [] {
             Sisx d = sisxOf(package({file("!:\\a", "a"), file("!:\\b", "b")}));
             d.dataUnits = 0;
             return d;
         },
         {{0, "!:\\a"}, {0, "!:\\b"}},
         {"!:\\a=<missing>", "!:\\b=<missing>"}},
        {"file data stored as is, controller stored uncompressed",
         [] {
             File f = file("!:\\plain", "plain bytes");
             f.compress = false;
             Sisx d = sisxOf(package({f, file("!:\\zipped", "zipped")}));
             d.compressController = false;
             return d;
         },
         {{0, "!:\\plain"}, {0, "!:\\zipped"}},
         {"!:\\plain=plain bytes", "!:\\zipped=zipped"}},
        {"long-form lengths everywhere read as the short ones",
         [] {
             Sisx d = sisxOf(nested(1));
             d.package.block.ifs.push_back(If{{Block{{file("!:\\if", "if")}, {}, {}}}, 3, {}});
             d.longLengths = true;
             return d;
         },
         {{0, "!:\\level0.txt"}, {2, "Level 1"}, {0, "!:\\level1.txt"}, {0, "!:\\if"}},
         {"!:\\level0.txt=level 0", "!:\\level1.txt=level 1", "!:\\if=if"}},
        {"a logo is stepped over",
         [] {
             Sisx d = sisxOf(package({file("!:\\a", "a")}));
             d.package.logo = true;
             return d;
         },
         {{0, "!:\\a"}},
         {"!:\\a=a"}},
    };
    for (const Case& c : cases) {
        Read read(c.describe());
        ASSERT_TRUE(read.package.readable()) << c.what;
        EXPECT_EQ(listed(read.package), c.lines) << c.what;
        EXPECT_EQ(extracted(read), c.extracted) << c.what;
    }
}

TEST(Sisx, StoredDataDescribesTheFile) {
    File f = file("!:\\sys\\bin\\x.exe", "executable bytes");
    File unknownHash = file("!:\\other", "other");
    unknownHash.hashIsSha1 = false;
    Read read(sisxOf(package({f, unknownHash})));
    const Contents contents = read.package.contents();
    const ByteSource bytes =
        ByteSource::fromMemory(read.built.bytes.data(), read.built.bytes.size());
    const std::vector<PackageFile> files = allFiles(bytes, contents);
    ASSERT_EQ(files.size(), 2u);
    const StoredData data = storedData(bytes, contents, files[0]);
    EXPECT_EQ(data.coding, StoredCoding::Zlib);
    EXPECT_EQ(data.originalLength, 16u);
    EXPECT_TRUE(data.hasSha1);
    const sis::Bytes stored = sis::deflateBytes(f.content);
    ASSERT_EQ(data.bytes.size(), stored.size());
    sis::Bytes got(stored.size());
    data.bytes.readSome(0, got.data(), got.size());
    EXPECT_EQ(got, stored);
    EXPECT_EQ(files[1].digest, kNoDigest);
}

// Targets from hostile strings come out as safe UTF-8, whole up to 1,024 units.
TEST(Sisx, TargetText) {
    const std::string longTarget = "!:\\" + std::string(300, 'a');
    std::string accented; // 2-byte characters
    for (int i = 0; i < 200; ++i)
        accented += "\xC3\xA9";
    const std::string longest(kMaxNameUnits, 'z');
    const struct {
        const char* what;
        sis::Bytes bytes;
        std::string target;
        std::string expected;
        bool tooLong;
    } cases[] = {
        {"odd length: the half unit is dropped", {'a', 0, 'b', 0, 'c'}, "", "ab", false},
        {"lone high surrogate",
         {'a', 0, 0x00, 0xD8, 'b', 0},
         "",
         "a\xEF\xBF\xBD"
         "b",
         false},
        {"lone low surrogate at the end", {'a', 0, 0x00, 0xDC}, "", "a\xEF\xBF\xBD", false},
        {"surrogate pair", {0x3D, 0xD8, 0x00, 0xDE}, "", "\xF0\x9F\x98\x80", false},
        {"NUL inside ends the text", {'a', 0, 0, 0, 'b', 0}, "", "a", false},
        {"longer than a Windows path, kept whole", {}, longTarget, longTarget, false},
        {"two-byte characters kept whole", {}, accented, accented, false},
        {"1,024 units kept whole", {}, longest, longest, false},
        {"one unit more: listed cut, refused", {}, longest + "z", longest, true},
    };
    for (const auto& c : cases) {
        File f = file(c.target, "x");
        if (!c.bytes.empty()) {
            f.targetBytes = c.bytes;
        }
        Read read(sisxOf(package({f})));
        const Contents contents = read.package.contents();
        ASSERT_EQ(contents.entries.size(), 1u) << c.what;
        EXPECT_EQ(contents.text(contents.entries[0].name), c.expected) << c.what;
        ASSERT_EQ(contents.entries[0].fileCount, 1u) << c.what;
        EXPECT_EQ(contents.entries[0].nameTooLong, c.tooLong) << c.what;
    }
}

TEST(Sisx, NumbersOfSharedTargetsAreAppendedToTheWholeName) {
    const std::string target = "!:\\" + std::string(280, 'n');
    Read read(sisxOf(package({file(target, "1"), file(target, "2")})));
    EXPECT_EQ(extracted(read), (std::vector<std::string>{target + "1=1", target + "2=2"}));
}

// Each shape either reads or leaves the controller unreadable; an unreadable one
// gives nothing to list or extract, but keeps the header words.
TEST(Sisx, ReadableOrNotByEachRule) {
    struct Case {
        const char* what;
        std::function<Sisx()> describe;
        bool readable;
    };
    auto sized = [](std::function<void(Sisx&, uint64_t)> change) {
        return [change] {
            Sisx d = sisxOf(package({file("!:\\a", "a")}));
            const uint64_t size = sisxbuild::build(d).controller.size();
            change(d, size);
            return d;
        };
    };
    auto hostileTarget = [](uint32_t length) {
        return [length] {
            File f = file("!:\\a", "a");
            f.targetLengthField = length;
            return sisxOf(package({f}));
        };
    };
    const std::vector<Case> cases = {
        {"as built", [] { return sisxOf(package({file("!:\\a", "a")})); }, true},
        {"string length 0x40000000 in a small controller", hostileTarget(0x40000000), false},
        {"string length one past its parent", hostileTarget(200), false},
        {"long-form string length 2^31 + 4", hostileTarget(0x80000004u), false},
        {"declared controller size of 4 GB",
         sized([](Sisx& d, uint64_t) { d.declaredControllerSize = 0x100000000ull; }), false},
        {"declared size above 16 MB",
         sized([](Sisx& d, uint64_t) { d.declaredControllerSize = kMaxControllerSize + 1; }),
         false},
        {"declared size one short of the inflated one",
         sized([](Sisx& d, uint64_t size) { d.declaredControllerSize = size - 1; }), false},
        {"declared size one more than the inflated one",
         sized([](Sisx& d, uint64_t size) { d.declaredControllerSize = size + 1; }), false},
        {"stored controller shorter than declared", sized([](Sisx& d, uint64_t size) {
             d.compressController = false;
             d.declaredControllerSize = size + 4;
         }),
         false},
        {"stored controller longer than declared", sized([](Sisx& d, uint64_t size) {
             d.compressController = false;
             d.declaredControllerSize = size - 4;
         }),
         false},
        {"unknown controller algorithm",
         [] {
             Sisx d = sisxOf(package({}));
             d.compressController = false;
             d.controllerAlgorithm = 2;
             return d;
         },
         false},
        {"controller payload not a zlib stream",
         [] {
             Sisx d = sisxOf(package({}));
             d.compressController = false;
             d.controllerAlgorithm = 1;
             return d;
         },
         false},
        {"embedded 8 deep", [] { return sisxOf(nested(sisx::kMaxEmbeddedDepth)); }, true},
        {"embedded 9 deep", [] { return sisxOf(nested(sisx::kMaxEmbeddedDepth + 1)); }, false},
        {"If blocks 64 deep", [] { return sisxOf(nestedIfs(sisx::kMaxIfDepth)); }, true},
        {"If blocks 65 deep", [] { return sisxOf(nestedIfs(sisx::kMaxIfDepth + 1)); }, false},
        {"expression 100 deep", [] { return sisxOf(withCondition(sisx::kMaxExpressionDepth)); },
         true},
        {"expression 101 deep", [] { return sisxOf(withCondition(sisx::kMaxExpressionDepth + 1)); },
         false},
        {"Contents longer than the file",
         [] {
             Sisx d = sisxOf(package({file("!:\\a", "a")}));
             d.patches.push_back({20, sisxbuild::le32(0x7FFFFFF0)});
             return d;
         },
         false},
        {"Contents not at offset 16",
         [] {
             Sisx d = sisxOf(package({}));
             d.patches.push_back({16, sisxbuild::le32(13)});
             return d;
         },
         false},
        {"older format's UID at offset 0",
         [] {
             Sisx d = sisxOf(package({}));
             d.patches.push_back({0, sisxbuild::le32(0x10000419)});
             return d;
         },
         false},
    };
    for (const Case& c : cases) {
        Read read(c.describe());
        EXPECT_EQ(read.package.readable(), c.readable) << c.what;
        const unsigned char* word = read.built.bytes.data() + 8;
        EXPECT_EQ(read.package.summary().uid3, le32(word)) << c.what;
        if (!c.readable) {
            EXPECT_TRUE(listed(read.package).empty()) << c.what;
            EXPECT_TRUE(extracted(read).empty()) << c.what;
            EXPECT_EQ(sisxHeaderBoxText(read.package.summary(), HeaderField::LinesProcessed), "")
                << c.what;
        }
    }
}

// A package whose data runs past 2 GB: lengths in the long form with a high
// word, which counts from bit 31. Read from a sparse file.
TEST(Sisx, LengthsPastTwoGigabytes) {
    Sisx d = sisxOf(package({file("!:\\a", "first"), file("!:\\b", "second")}));
    d.zeroTail = 0x80000000ull + 64;
    const sisxbuild::Built built = sisxbuild::build(d);
    TempDir dir;
    const fs::path path = dir.path() / "big.sis";
    if (!sisxbuild::writeFile(path, built)) {
        GTEST_SKIP() << "cannot write a 2 GB sparse file in " << dir.utf8();
    }
    const FileHandle handle = platformOpenForRead(utf8Of(path).c_str());
    ASSERT_NE(handle, kInvalidFile);
    {
        // The data checksum would read all 2 GB of zeros: it is not what is tested here.
        SisxPackage package(ByteSource::fromFile(handle), false);
        EXPECT_TRUE(package.readable());
        EXPECT_EQ(extracted(package, ByteSource::fromFile(handle)),
                  (std::vector<std::string>{"!:\\a=first", "!:\\b=second"}));
    }
    platformClose(handle);
}

TEST(Sisx, IntegrityPairShowsBothChecksumsAndMarksADifference) {
    struct Case {
        const char* what;
        bool storedController;
        uint16_t controller;
        bool storedData;
        uint16_t data;
        bool computed;
        const char* stored;
        const char* calculated;
    };
    const Case cases[] = {
        {"both stored and right", true, 0x1A2B, true, 0x00FF, true, "C 1A2Bh, D 00FFh",
         "C 1A2Bh, D 00FFh"},
        {"the data checksum wrong", true, 0x1A2B, true, 0x00FE, true, "C 1A2Bh, D 00FEh",
         "C 1A2Bh, D 00FFh (differs)"},
        {"none stored", false, 0, false, 0, true, "C -, D -", "C 1A2Bh, D 00FFh"},
        {"nothing to compute over", true, 0x1A2B, true, 0x00FF, false, "C 1A2Bh, D 00FFh",
         "C -, D -"},
    };
    for (const Case& c : cases) {
        SisxSummary s;
        s.hasStoredControllerChecksum = c.storedController;
        s.storedControllerChecksum = c.controller;
        s.hasStoredDataChecksum = c.storedData;
        s.storedDataChecksum = c.data;
        s.controllerChecksumComputed = s.dataChecksumComputed = c.computed;
        s.computedControllerChecksum = 0x1A2B;
        s.computedDataChecksum = 0x00FF;
        EXPECT_EQ(sisxStoredChecksText(s), c.stored) << c.what;
        EXPECT_EQ(sisxCalculatedChecksText(s), c.calculated) << c.what;
    }
}

TEST(Sisx, LargeFilesWrittenWholeWithTheirDigestChecked) {
    // Noise, which deflate cannot shrink, has its sums taken as it is inflated;
    // text has them taken by the writer thread.
    const sisxbuild::Bytes noise = sis::patternBytes(3 * 1024 * 1024 + 5);
    const sisxbuild::Bytes text(3 * 1024 * 1024 + 5, 't');
    enum class Change { None, DataByte, DigestByte };
    struct Case {
        const char* what;
        const sisxbuild::Bytes& content;
        bool compress;
        Change change;
        std::vector<RecordedMessage> messages;
    } const cases[] = {
        {"noise, deflated", noise, true, Change::None, {}},
        {"noise, stored as is", noise, false, Change::None, {}},
        {"noise, stored as is, one byte changed",
         noise,
         false,
         Change::DataByte,
         {extractError(IdsChecksumDiffers)}},
        {"text, deflated", text, true, Change::None, {}},
        {"text, deflated, its digest changed",
         text,
         true,
         Change::DigestByte,
         {extractError(IdsChecksumDiffers)}},
    };
    for (const Case& c : cases) {
        File big;
        big.target = "!:\\big.bin";
        big.content = c.content;
        big.compress = c.compress;
        // A controller stored as it is, so that its digest can be found and changed.
        Sisx description = sisxOf(package({big}));
        description.compressController = false;
        sisxbuild::Built built = sisxbuild::build(description);
        sisxbuild::Bytes expected = c.content;
        if (c.change == Change::DataByte) {
            const auto at = std::search(built.bytes.begin(), built.bytes.end(), c.content.begin(),
                                        c.content.end());
            ASSERT_NE(at, built.bytes.end()) << c.what;
            at[c.content.size() / 2] ^= 0x01;
            expected[c.content.size() / 2] ^= 0x01;
        }
        if (c.change == Change::DigestByte) {
            Sha1 sha1;
            sha1.update(c.content.data(), c.content.size());
            unsigned char digest[Sha1::kDigestSize];
            sha1.final(digest);
            const auto at =
                std::search(built.bytes.begin(), built.bytes.end(), digest, digest + sizeof digest);
            ASSERT_NE(at, built.bytes.end()) << c.what;
            at[0] ^= 0x01;
        }
        TempDir out;
        FileFunctions files;
        ASSERT_EQ(files.openMemory(built.bytes.data(), built.bytes.size()), OpenResult::Opened);
        RecordingHost host;
        host.useFolder(out.utf8());
        host.extract(files);
        EXPECT_EQ(host.messages, c.messages) << c.what;
        EXPECT_TRUE(readAll(out.path() / "big.bin") == expected) << c.what;
        files.closePackage();
    }
}
