// The reader: opening, the cursor rules of readAt, names and the language list.
#include <cstring>

#include "tests/package/package_fixture.h"

namespace {

sis::Bytes counting(size_t size) {
    sis::Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    return bytes;
}

// A file of `size` bytes 0, 1, 2, ... opened in `files`.
struct RawFile {
    TempDir dir;
    FileFunctions files;
    explicit RawFile(const sis::Bytes& bytes) {
        fs::path path = dir.path() / "raw.bin";
        sis::writeFile(path, bytes);
        files.OpenSISFile(utf8Of(path).c_str());
    }
    ~RawFile() { files.closePackage(); }
};

void collectCode(void* context, uint16_t code) {
    static_cast<std::vector<uint16_t>*>(context)->push_back(code);
}

} // namespace

TEST(Reader, OpenAndClose) {
    FileFunctions files;
    EXPECT_EQ(files.inputHandle, kInvalidFile);
    EXPECT_FALSE(files.closePackage()) << "closing with nothing open changes nothing";
    EXPECT_EQ(files.inputHandle, kInvalidFile);

    TempDir dir;
    files.OpenSISFile(utf8Of(dir.path() / "missing.sis").c_str());
    EXPECT_EQ(files.inputHandle, kInvalidFile);
    files.OpenSISFile(dir.utf8().c_str());
    EXPECT_EQ(files.inputHandle, kInvalidFile) << "a folder is no package";

    sis::writeFile(dir.path() / "p.sis", counting(10));
    files.OpenSISFile(utf8Of(dir.path() / "p.sis").c_str());
    ASSERT_NE(files.inputHandle, kInvalidFile);
    EXPECT_EQ(files.cursor, 0u);
    EXPECT_TRUE(files.closePackage());
    EXPECT_EQ(files.inputHandle, kInvalidFile);
}

TEST(Reader, CursorRulesOfReadAt) {
    RawFile raw(counting(300));
    FileFunctions& files = raw.files;
    unsigned char buffer[400];

    // At the cursor: consumes.
    EXPECT_EQ(files.readAt(buffer, 10, 0), 10u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(files.cursor, 10u);

    // Positioned: reads there, leaves cursor and file position alone.
    EXPECT_EQ(files.readAt(buffer, 4, 200), 4u);
    EXPECT_EQ(buffer[0], 200);
    EXPECT_EQ(files.cursor, 10u);
    EXPECT_EQ(files.readAt(buffer, 1, 0), 1u);
    EXPECT_EQ(buffer[0], 10) << "the next read at the cursor goes on where the stream was";
    EXPECT_EQ(files.cursor, 11u);

    // Positioned past the end: nothing, cursor unchanged.
    EXPECT_EQ(files.readAt(buffer, 4, 5000), 0u);
    EXPECT_EQ(files.cursor, 11u);
    // Positioned across the end: the part that is there.
    EXPECT_EQ(files.readAt(buffer, 10, 295), 5u);
    EXPECT_EQ(buffer[4], static_cast<unsigned char>(299));
    EXPECT_EQ(files.cursor, 11u);

    // At the cursor across the end: short, cursor at the end; then 0 and it stays.
    files.seekTo(290);
    EXPECT_EQ(files.readAt(buffer, 20, 0), 10u);
    EXPECT_EQ(files.cursor, 300u);
    EXPECT_EQ(files.readAt(buffer, 4, 0), 0u);
    EXPECT_EQ(files.cursor, 300u);
}

TEST(Reader, ReadWithNoPackageOpenReadsNothing) {
    FileFunctions files;
    unsigned char buffer[8];
    EXPECT_EQ(files.readAt(buffer, 8, 0), 0u);
    EXPECT_EQ(files.readAt(buffer, 8, 4), 0u);
    std::vector<uint16_t> codes;
    files.listLanguages(3, 100, collectCode, &codes);
    EXPECT_TRUE(codes.empty());
}

TEST(Reader, HeaderOfShortAndEmptyPackages) {
    struct Case {
        size_t size;
        uint32_t expectedCount;
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{99, 99}, Case{100, 100}, Case{150, 100}}) {
        sis::Bytes bytes(c.size, 0xEE);
        RawFile raw(bytes);
        PackageHeader header;
        std::memset(&header, 0x55, sizeof header);
        EXPECT_EQ(raw.files.readHeader(&header), c.expectedCount) << c.size;
        for (size_t i = 0; i < 100; ++i) {
            ASSERT_EQ(header.bytes[i], i < c.size ? 0xEE : 0) << "size " << c.size << " byte " << i;
        }
        EXPECT_EQ(raw.files.cursor, c.expectedCount);
    }
}

TEST(Reader, Names) {
    // The data each case's name is read from, placed at offset 16 of the file.
    struct Case {
        const char* what;
        sis::Bytes data;
        uint32_t length;
        uint32_t offset;
        bool unicode;
        std::string expected;
    };
    auto utf16 = [](std::initializer_list<uint16_t> units) {
        sis::Bytes out;
        for (uint16_t u : units) {
            out.push_back(static_cast<uint8_t>(u));
            out.push_back(static_cast<uint8_t>(u >> 8));
        }
        return out;
    };
    std::vector<Case> cases = {
        {"UTF-16 ASCII", utf16({'a', '\\', 'b'}), 6, 16, true, "a\\b"},
        {"length 0 is empty whatever the offset", utf16({'a'}), 0, 16, true, ""},
        {"offset 0 is empty and reads nothing", utf16({'a'}), 2, 0, true, ""},
        {"odd length: last unit's high byte is zero", utf16({'a', 0x4142}), 3, 16, true, "aB"},
        {"stops at a zero unit", utf16({'a', 0, 'b'}), 6, 16, true, "a"},
        {"non-ASCII", utf16({0x00E9, 0x4E2D, 0x20AC}), 6, 16, true,
         "\xC3\xA9\xE4\xB8\xAD\xE2\x82\xAC"},
        {"surrogate pair", utf16({0xD83D, 0xDE00}), 4, 16, true, "\xF0\x9F\x98\x80"},
        {"lone high surrogate", utf16({'a', 0xD800, 'b'}), 6, 16, true,
         "a\xEF\xBF\xBD"
         "b"},
        {"lone low surrogate", utf16({0xDC00}), 2, 16, true, "\xEF\xBF\xBD"},
        {"8-bit ASCII", sis::textBytes("c:\\x.txt"), 8, 16, false, "c:\\x.txt"},
        {"8-bit Windows-1252", sis::Bytes{0xE9, 0x80, 0x9F, 0xFF}, 4, 16, false,
         "\xC3\xA9\xE2\x82\xAC\xC5\xB8\xC3\xBF"},
        {"8-bit unassigned byte keeps its value", sis::Bytes{0x81}, 1, 16, false, "\xC2\x81"},
        {"8-bit stops at zero", sis::Bytes{'a', 0, 'b'}, 3, 16, false, "a"},
        {"past the end of the file reads what is there", utf16({'z'}), 40, 16, true, "z"},
    };
    for (const Case& c : cases) {
        sis::Bytes file(16, 0x41);
        file.insert(file.end(), c.data.begin(), c.data.end());
        RawFile raw(file);
        raw.files.seekTo(4);
        char name[260];
        std::memset(name, 'X', sizeof name);
        raw.files.readName(name, c.length, c.offset, c.unicode);
        EXPECT_EQ(std::string(name), c.expected) << c.what;
        EXPECT_EQ(raw.files.cursor, 4u) << c.what << ": names never move the cursor";
    }
}

TEST(Reader, LongNamesAreCutToFit) {
    // 200 units: more than the 129 a name holds.
    sis::Bytes units;
    for (int i = 0; i < 200; ++i) {
        units.push_back('a');
        units.push_back(0);
    }
    // 200 units of a three-byte character: 129 fit the units, but only 86 fit 259 bytes.
    sis::Bytes wide;
    for (int i = 0; i < 200; ++i) {
        wide.push_back(0x2D);
        wide.push_back(0x4E);
    }
    sis::Bytes eightBit(300, 0xE9); // two UTF-8 bytes each
    struct Case {
        const char* what;
        const sis::Bytes* data;
        bool unicode;
        std::string expected;
    };
    std::string threeByte;
    for (int i = 0; i < 86; ++i) {
        threeByte += "\xE4\xB8\xAD";
    }
    std::string twoByte;
    for (int i = 0; i < 129; ++i) {
        twoByte += "\xC3\xA9";
    }
    const Case cases[] = {
        {"UTF-16 cut to 129 units", &units, true, std::string(129, 'a')},
        {"UTF-8 cut at a character boundary", &wide, true, threeByte},
        {"8-bit cut to 258 bytes, then to whole characters", &eightBit, false, twoByte},
    };
    for (const Case& c : cases) {
        sis::Bytes file(8, 0);
        file.insert(file.end(), c.data->begin(), c.data->end());
        RawFile raw(file);
        char name[260];
        raw.files.readName(name, static_cast<uint32_t>(c.data->size()), 8, c.unicode);
        EXPECT_EQ(std::string(name), c.expected) << c.what;
        EXPECT_LE(std::strlen(name), 259u);
    }
}

TEST(Reader, ListLanguages) {
    struct Case {
        const char* what;
        std::vector<uint16_t> codes; // written at offset 10
        uint16_t count;
        std::vector<uint16_t> expected;
    };
    const Case cases[] = {
        {"three codes in order", {1, 2, 3}, 3, {1, 2, 3}},
        {"count 0 lists none", {1, 2}, 0, {}},
        {"count from 0x8000 lists none", {1, 2}, 0x8000, {}},
        {"codes above 99 are passed on", {100, 0xFFFF}, 2, {100, 0xFFFF}},
        {"a code past the end ends the list", {7, 8}, 5, {7, 8}},
    };
    for (const Case& c : cases) {
        sis::Bytes file(10, 0);
        for (uint16_t code : c.codes) {
            file.push_back(static_cast<uint8_t>(code));
            file.push_back(static_cast<uint8_t>(code >> 8));
        }
        RawFile raw(file);
        std::vector<uint16_t> codes;
        raw.files.listLanguages(c.count, 10, collectCode, &codes);
        EXPECT_EQ(codes, c.expected) << c.what;
        // Twice gives the same again: it reads from the file each time.
        codes.clear();
        raw.files.listLanguages(c.count, 10, collectCode, &codes);
        EXPECT_EQ(codes, c.expected) << c.what;
    }
}
