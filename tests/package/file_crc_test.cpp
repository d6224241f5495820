// The package check word: known CRC-16/XMODEM values, and the pass over a
// package that leaves out the two bytes holding the stored word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/checks/file_crc.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

uint16_t crcOf(const Bytes& bytes) {
    return crc16Xmodem(0, bytes.data(), bytes.size());
}

TEST(Crc16Xmodem, KnownValues) {
    struct Case {
        const char* proves;
        Bytes data;
        uint16_t crc;
    } const cases[] = {
        {"the standard check string", bytesOf("123456789"), 0x31C3},
        {"nothing at all", {}, 0x0000},
        {"one letter", bytesOf("A"), 0x58E5},
        {"a zero byte leaves the start value", {0x00}, 0x0000},
        {"all bits set", {0xFF, 0xFF, 0xFF, 0xFF}, 0x99CF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(crcOf(c.data), c.crc) << c.proves;
    // The pass goes chunk by chunk, so a run cut in two must give the same value.
    const Bytes check = bytesOf("123456789");
    EXPECT_EQ(crc16Xmodem(crc16Xmodem(0, check.data(), 4), check.data() + 4, 5), 0x31C3);
}

// A bit at a time, as the polynomial defines it.
uint16_t bitwiseCrc(const unsigned char* data, size_t count) {
    unsigned crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= static_cast<unsigned>(data[i]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
    }
    return static_cast<uint16_t>(crc);
}

TEST(Crc16Xmodem, EightBytesAStepAgreeWithTheBitwiseDefinition) {
    Bytes bytes(1000 + 7 + 3);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 151 + (i >> 3) + 0x5A);
    for (size_t offset = 0; offset < 7; ++offset) {
        for (size_t length : {1, 7, 8, 9, 15, 16, 17, 1000}) {
            const unsigned char* data = bytes.data() + offset;
            EXPECT_EQ(crc16Xmodem(0, data, length), bitwiseCrc(data, length))
                << length << " bytes at " << offset;
            // Continued from a value not 0, as the pass continues from chunk to chunk.
            const uint16_t start = crc16Xmodem(0, data, 3);
            EXPECT_EQ(crc16Xmodem(start, data + 3, length), bitwiseCrc(data, length + 3))
                << length << " bytes after 3 at " << offset;
        }
    }
}

// `size` bytes of a pattern with the stored word at 16 set to `stored`.
Bytes pattern(size_t size, uint16_t stored) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
    if (size > 16)
        bytes[16] = static_cast<unsigned char>(stored);
    if (size > 17)
        bytes[17] = static_cast<unsigned char>(stored >> 8);
    return bytes;
}

// The same bytes without offsets 16 and 17.
Bytes withoutStoredWord(Bytes bytes) {
    const size_t from = bytes.size() < 16 ? bytes.size() : 16;
    const size_t to = bytes.size() < 18 ? bytes.size() : 18;
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                bytes.begin() + static_cast<std::ptrdiff_t>(to));
    return bytes;
}

TEST(PackageCrc, LeavesOutTheStoredWordAndNothingElse) {
    struct Case {
        const char* proves;
        size_t size;
    } const cases[] = {
        {"empty package", 0},
        {"shorter than the stored word", 9},
        {"ends inside the stored word", 17},
        {"ends right after it", 18},
        {"a header and a little", 120},
        {"many chunks with a short last one", 3 * 32 * 1024 + 5},
        {"exactly two chunks", 2 * 32 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proves);
        const Bytes zeroWord = pattern(c.size, 0x0000);
        const Bytes otherWord = pattern(c.size, 0xBEEF);
        const PackageCrc a = packageCrc(ByteSource::fromMemory(zeroWord.data(), zeroWord.size()));
        const PackageCrc b = packageCrc(ByteSource::fromMemory(otherWord.data(), otherWord.size()));
        EXPECT_TRUE(a.complete);
        EXPECT_EQ(a.value, crcOf(withoutStoredWord(zeroWord)));
        EXPECT_EQ(b.value, a.value) << "the stored word takes no part";
    }
}

TEST(PackageCrc, AnyOtherChangedByteChangesTheValue) {
    const Bytes whole = pattern(70000, 0x1234);
    const uint16_t original = packageCrc(ByteSource::fromMemory(whole.data(), whole.size())).value;
    for (size_t at :
         {size_t{0}, size_t{15}, size_t{18}, size_t{32767}, size_t{32768}, whole.size() - 1}) {
        Bytes damaged = whole;
        damaged[at] ^= 0x01;
        EXPECT_NE(packageCrc(ByteSource::fromMemory(damaged.data(), damaged.size())).value,
                  original)
            << "byte " << at;
    }
}

TEST(PackageCrc, CountsFromTheStartOfARange) {
    // A package inside a larger block: its own offsets 16 and 17 are left out.
    Bytes block(10, 0xEE);
    const Bytes package = pattern(200, 0x0A1F);
    block.insert(block.end(), package.begin(), package.end());
    const PackageCrc crc =
        packageCrc(ByteSource::fromMemory(block.data(), block.size()).range(10, package.size()));
    EXPECT_TRUE(crc.complete);
    EXPECT_EQ(crc.value, crcOf(withoutStoredWord(package)));
}

} // namespace
