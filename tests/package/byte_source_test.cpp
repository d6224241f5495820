// The checked reader over files, memory and ranges: what fits is read, what does
// not fails once and for good, whatever the offsets.
#include <cstring>

#include "package/byte_source.h"
#include "tests/package/package_fixture.h"

namespace {

constexpr uint64_t kMax = ~0ull;

// A reader over bytes 0, 1, 2, ... of `size`, as a file, as memory and as the
// middle of a larger block; every one must read alike.
struct Sources {
    TempDir dir;
    sis::Bytes bytes;
    sis::Bytes padded;
    FileHandle file = kInvalidFile;
    std::vector<std::pair<const char*, ByteSource>> all;

    explicit Sources(size_t size) : bytes(size), padded(size + 20, 0xEE) {
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = padded[10 + i] = static_cast<uint8_t>(i);
        }
        sis::writeFile(dir.path() / "raw.bin", bytes);
        file = platformOpenForRead(utf8Of(dir.path() / "raw.bin").c_str());
        all = {{"file", ByteSource::fromFile(file)},
               {"memory", ByteSource::fromMemory(bytes.data(), bytes.size())},
               {"range of memory",
                ByteSource::fromMemory(padded.data(), padded.size()).range(10, size)},
               {"range of a range of a file",
                ByteSource::fromFile(file).range(0, size + 5).range(0, size)}};
    }
    ~Sources() { platformClose(file); }
};

} // namespace

TEST(CheckedReader, BoundsOfEveryRead) {
    struct Case {
        const char* what;
        uint64_t offset;
        size_t count;
        bool fits;
    };
    const Case cases[] = {
        {"all of it", 0, 100, true},
        {"the last byte", 99, 1, true},
        {"nothing at the end", 100, 0, true},
        {"one past the end", 99, 2, false},
        {"starting past the end", 101, 0, false},
        {"more than there is", 0, 101, false},
        {"an offset that wraps with the count", kMax - 1, 4, false},
        {"the largest offset", kMax, 1, false},
        {"an offset of 2^32 on a small source", 1ull << 32, 4, false},
    };
    Sources sources(100);
    for (const auto& [kind, source] : sources.all) {
        ASSERT_EQ(source.size(), 100u) << kind;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind) + ": " + c.what);
            CheckedReader reader(source);
            unsigned char out[128];
            std::memset(out, 0xAA, sizeof out);
            EXPECT_EQ(reader.bytesAt(c.offset, out, c.count), c.fits);
            EXPECT_EQ(reader.ok(), c.fits);
            if (c.fits && c.count > 0) {
                EXPECT_EQ(out[0], static_cast<uint8_t>(c.offset));
            }
            if (!c.fits && c.count > 0) {
                EXPECT_EQ(out[0], 0) << "a failed read yields zeros, never stale bytes";
            }
            // After a failure every read fails and yields zeros, even one that fits.
            const uint32_t next = reader.u32At(0);
            EXPECT_EQ(reader.ok(), c.fits);
            EXPECT_EQ(next, c.fits ? 0x03020100u : 0u);
        }
    }
}

TEST(CheckedReader, ReadingOnFromThePosition) {
    Sources sources(10);
    for (const auto& [kind, source] : sources.all) {
        SCOPED_TRACE(kind);
        CheckedReader reader(source, 1);
        EXPECT_EQ(reader.u8(), 1u);
        EXPECT_EQ(reader.u16(), 0x0302u);
        EXPECT_EQ(reader.u32(), 0x07060504u);
        EXPECT_EQ(reader.remaining(), 2u);
        ByteSource tail = reader.take(2);
        EXPECT_EQ(tail.size(), 2u);
        EXPECT_TRUE(reader.ok());
        EXPECT_EQ(reader.u8(), 0u) << "nothing is left";
        EXPECT_FALSE(reader.ok());
        unsigned char out[4] = {};
        EXPECT_EQ(CheckedReader(tail).someAt(0, out, 4), 2u) << "a taken range reads on its own";
        EXPECT_EQ(out[1], 9u);
        EXPECT_FALSE(CheckedReader(source, 11).ok()) << "a start past the end fails at once";
        CheckedReader skipping(source);
        skipping.skip(kMax);
        EXPECT_FALSE(skipping.ok());
        EXPECT_EQ(source.range(kMax, 5).size(), 0u);
        EXPECT_EQ(source.range(8, kMax).size(), 2u);
    }
}
