// Opening: what becomes of files that are not packages, the older format's
// header and languages however short the package, and names as they decode.
#include <cstring>

#include "tests/package/package_fixture.h"

namespace {

// An older-format header (its UID word 2 set), then `tail`.
sis::Bytes olderHeader(uint16_t languageCount, const sis::Bytes& tail, size_t headerSize = 100) {
    sis::Bytes bytes(100, 0);
    const uint32_t uid = 0x10000419;
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<uint8_t>(uid >> (8 * i));
    }
    bytes[18] = static_cast<uint8_t>(languageCount);
    bytes[19] = static_cast<uint8_t>(languageCount >> 8);
    bytes[48] = 100; // the language codes follow the header
    bytes.resize(headerSize);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

sis::Bytes codes(std::initializer_list<uint16_t> values) {
    sis::Bytes out;
    for (uint16_t v : values) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

} // namespace

TEST(Open, WhatIsNotAPackage) {
    TempDir dir;
    sis::writeFile(dir.path() / "empty.sis", {});
    sis::writeFile(dir.path() / "text.txt", sis::textBytes("not a package at all"));
    const struct {
        const char* what;
        fs::path path;
        OpenResult expected;
    } cases[] = {
        {"a missing file", dir.path() / "missing.sis", OpenResult::CannotOpen},
        {"a folder", dir.path(), OpenResult::CannotOpen},
        {"an empty file", dir.path() / "empty.sis", OpenResult::Empty},
        {"text", dir.path() / "text.txt", OpenResult::NotAPackage},
    };
    FileFunctions files;
    for (const auto& c : cases) {
        EXPECT_EQ(files.OpenSISFile(utf8Of(c.path).c_str()), c.expected) << c.what;
        EXPECT_FALSE(files.package) << c.what;
    }
}

TEST(Open, OlderHeaderAndLanguagesOfShortPackages) {
    const struct {
        const char* what;
        sis::Bytes bytes;
        std::vector<uint32_t> languages;
    } cases[] = {
        {"three codes in order", olderHeader(3, codes({1, 2, 3})), {1, 2, 3}},
        {"count 0 lists none", olderHeader(0, codes({1, 2})), {}},
        {"count from 0x8000 lists none", olderHeader(0x8000, codes({1, 2})), {}},
        {"codes above 99 are kept", olderHeader(2, codes({100, 0xFFFF})), {100, 0xFFFF}},
        {"a code past the end ends the list", olderHeader(5, codes({7, 8})), {7, 8}},
        {"a header of 12 bytes reads as zeros past them", olderHeader(3, {}, 12), {}},
    };
    for (const auto& c : cases) {
        FileFunctions files;
        ASSERT_EQ(files.openMemory(c.bytes.data(), c.bytes.size()), OpenResult::Opened) << c.what;
        EXPECT_EQ(files.package->kind, PackageKind::Epoc) << c.what;
        EXPECT_EQ(files.package->contents.languages, c.languages) << c.what;
        const PackageHeader& header = files.package->epocHeader;
        for (size_t i = c.bytes.size(); i < sizeof header.bytes; ++i) {
            ASSERT_EQ(header.bytes[i], 0) << c.what << ": byte " << i;
        }
    }
}

TEST(Open, NamesDecode) {
    struct Case {
        const char* what;
        sis::Bytes raw;
        bool unicode;
        std::string expected;
    };
    const Case cases[] = {
        {"UTF-16 ASCII", codes({'a', '\\', 'b'}), true, "a\\b"},
        {"odd length: last unit's high byte is zero", {'a', 0, 'B'}, true, "aB"},
        {"stops at a zero unit", codes({'a', 0, 'b'}), true, "a"},
        {"non-ASCII", codes({0x00E9, 0x4E2D, 0x20AC}), true, "\xC3\xA9\xE4\xB8\xAD\xE2\x82\xAC"},
        {"surrogate pair", codes({0xD83D, 0xDE00}), true, "\xF0\x9F\x98\x80"},
        {"lone high surrogate", codes({'a', 0xD800, 'b'}), true,
         "a\xEF\xBF\xBD"
         "b"},
        {"lone low surrogate", codes({0xDC00}), true, "\xEF\xBF\xBD"},
        {"8-bit ASCII", sis::textBytes("c:\\x.txt"), false, "c:\\x.txt"},
        {"8-bit Windows-1252", sis::Bytes{0xE9, 0x80, 0x9F, 0xFF}, false,
         "\xC3\xA9\xE2\x82\xAC\xC5\xB8\xC3\xBF"},
        {"8-bit unassigned byte keeps its value", sis::Bytes{0x81}, false, "\xC2\x81"},
        {"8-bit stops at zero", sis::Bytes{'a', 0, 'b'}, false, "a"},
    };
    for (const Case& c : cases) {
        char name[kMaxNameBytes];
        std::memset(name, 'X', sizeof name);
        decodeName(c.raw.data(), c.raw.size(), c.unicode, name, sizeof name);
        EXPECT_EQ(std::string(name), c.expected) << c.what;
    }
}
