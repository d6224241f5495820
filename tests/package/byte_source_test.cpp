// The checked reader over files, memory and ranges: what fits is read, what does
// not fails once and for good, whatever the offsets.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "package/io/byte_source.h"
#include "tests/package/package_fixture.h"
#include "tests/support/stream_input.h"

namespace {

constexpr uint64_t kMax = ~0ull;

// A reader over bytes 0, 1, 2, ... of `size`, as a file, as memory, as a stream
// that hands over a few bytes at a time and as the middle of a larger block;
// every one must read alike.
struct Sources {
    TempDir dir;
    sis::Bytes bytes;
    sis::Bytes padded;
    testsupport::PiecewiseInput stream{padded.data(), padded.size(), 3};
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
                ByteSource::fromFile(file).range(0, size + 5).range(0, size)},
               {"range of a stream", ByteSource::fromStream(stream).range(10, size)}};
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

TEST(ByteSource, StreamThatFailsPartWayReadsWhatItGaveAndFailsPastIt) {
    const sis::Bytes bytes = sis::patternBytes(100, 1);
    const testsupport::PiecewiseInput stream(bytes.data(), bytes.size(), 7, 50);
    CheckedReader reader(ByteSource::fromStream(stream));
    unsigned char out[60] = {};
    EXPECT_EQ(reader.size(), 100u) << "the size it said, not what it gives";
    EXPECT_EQ(reader.someAt(40, out, 20), 10u);
    EXPECT_TRUE(reader.bytesAt(0, out, 50));
    EXPECT_EQ(out[49], bytes[49]);
    EXPECT_FALSE(reader.bytesAt(45, out, 6));
    EXPECT_EQ(out[0], 0) << "a failed read yields zeros";
}

TEST(ByteSource, FileReadsInAnyOrderGiveTheFileBytes) {
    // Small reads of a file come from blocks read ahead: reads that jump between
    // more places than there are blocks, go back, cross a block's edge, reach the
    // end or are just too large to be served must still read what memory holds.
    struct Read {
        const char* what;
        uint64_t offset;
        size_t count;
    };
    const Read reads[] = {
        {"a type word", 0, 4},
        {"the record after it", 4, 44},
        {"a name far away", 70000, 100},
        {"across the first block's edge", 16380, 8},
        {"the record stream again", 48, 4},
        {"four other places", 30000, 2},
        {"", 45000, 2},
        {"", 60000, 2},
        {"", 90000, 2},
        {"where the first block was", 10, 30},
        {"the last bytes", 99990, 10},
        {"past the end: cut", 99995, 10},
        {"the largest read served from a block", 50000, 4096},
        {"the smallest read that goes to the file", 50000, 4097},
        {"all of it", 0, 100000},
    };
    TempDir dir;
    const sis::Bytes bytes = sis::patternBytes(100000, 3);
    sis::writeFile(dir.path() / "raw.bin", bytes);
    const FileHandle file = platformOpenForRead(utf8Of(dir.path() / "raw.bin").c_str());
    const ByteSource whole = ByteSource::fromFile(file);
    const ByteSource memory = ByteSource::fromMemory(bytes.data(), bytes.size());
    const testsupport::PiecewiseInput stream(bytes.data(), bytes.size(), 1000);
    const std::pair<const char*, ByteSource> sources[] = {
        {"file", whole},
        {"range of the same file", whole.range(7, 99993)},
        {"stream in pieces", ByteSource::fromStream(stream).range(7, 99993)}};
    for (const auto& [kind, source] : sources) {
        const uint64_t base = whole.size() - source.size();
        // Each reader keeps blocks of its own: one that read much, a copy of
        // it made half way, and the source read directly.
        CheckedReader reader(source);
        std::unique_ptr<CheckedReader> copy;
        for (const Read& r : reads) {
            SCOPED_TRACE(std::string(kind) + ": " + r.what + " at " + std::to_string(r.offset));
            std::vector<unsigned char> expected(r.count, 0xAA);
            const size_t count = memory.readSome(base + r.offset, expected.data(), r.count);
            if (!copy && r.offset > 50000) {
                copy = std::make_unique<CheckedReader>(reader);
            }
            for (CheckedReader* through : {&reader, copy.get()}) {
                if (through != nullptr) {
                    std::vector<unsigned char> got(r.count, 0xAA);
                    EXPECT_EQ(through->someAt(r.offset, got.data(), r.count), count);
                    EXPECT_EQ(got, expected);
                }
            }
            std::vector<unsigned char> direct(r.count, 0xAA);
            EXPECT_EQ(source.readSome(r.offset, direct.data(), r.count), count);
            EXPECT_EQ(direct, expected);
        }
    }
    platformClose(file);
}
