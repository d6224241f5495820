#include "package/checks/file_crc.h"

namespace {

constexpr uint16_t kPolynomial = 0x1021;
// Where the stored word lies, and so which bytes the check leaves out.
constexpr uint64_t kStoredStart = 16;
constexpr uint64_t kStoredEnd = 18;
// Small enough for the stack, large enough that the file calls cost little.
constexpr size_t kChunkSize = 32 * 1024;

// entries[k][b]: what byte b followed by k zero bytes adds to a CRC of 0, so
// that eight bytes go through eight lookups with no dependency between them.
struct CrcTables {
    uint16_t entries[8][256];
};

constexpr CrcTables makeTables() {
    CrcTables tables = {};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ kPolynomial : crc << 1;
        tables.entries[0][byte] = static_cast<uint16_t>(crc);
    }
    for (int k = 1; k < 8; ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const unsigned before = tables.entries[k - 1][byte];
            tables.entries[k][byte] =
                static_cast<uint16_t>((before << 8) ^ tables.entries[0][before >> 8]);
        }
    }
    return tables;
}

constexpr CrcTables kTables = makeTables();

uint16_t crcOfByte(uint16_t crc, unsigned char byte) {
    return static_cast<uint16_t>((crc << 8) ^ kTables.entries[0][((crc >> 8) ^ byte) & 0xFF]);
}

// Where `absolute` falls in a chunk of `count` bytes that starts at `offset`,
// pinned to the chunk's ends.
size_t placeInChunk(uint64_t absolute, uint64_t offset, size_t count) {
    if (absolute <= offset)
        return 0;
    return absolute - offset < count ? static_cast<size_t>(absolute - offset) : count;
}

// A chunk of `count` bytes that starts at `offset`, but the bytes from
// `skipFrom` up to `skipTo`.
uint16_t crcOfChunk(uint16_t crc, const unsigned char* chunk, size_t count, uint64_t offset,
                    uint64_t skipFrom, uint64_t skipTo) {
    const size_t from = placeInChunk(skipFrom, offset, count);
    const size_t to = placeInChunk(skipTo, offset, count);
    crc = crc16Xmodem(crc, chunk, from);
    return crc16Xmodem(crc, chunk + to, count - to);
}

// One pass over all of `source` in fixed-size chunks, so memory stays the same
// whatever its size; complete only when every byte came.
PackageCrc crcOfSource(const ByteSource& source, uint64_t skipFrom, uint64_t skipTo) {
    CheckedReader reader(source);
    unsigned char chunk[kChunkSize];
    uint16_t crc = 0;
    uint64_t offset = 0;
    size_t got;
    while ((got = reader.someAt(offset, chunk, sizeof chunk)) > 0) {
        crc = crcOfChunk(crc, chunk, got, offset, skipFrom, skipTo);
        offset += got;
    }
    return {offset == reader.size(), crc};
}

} // namespace

uint16_t crc16Xmodem(uint16_t crc, const unsigned char* data, size_t count) {
    const auto& t = kTables.entries;
    // The CRC so far stands for the first two bytes of each eight.
    for (; count >= 8; count -= 8, data += 8) {
        const unsigned first = data[0] ^ (crc >> 8);
        const unsigned second = data[1] ^ (crc & 0xFF);
        crc = static_cast<uint16_t>(t[7][first] ^ t[6][second] ^ t[5][data[2]] ^ t[4][data[3]] ^
                                    t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]]);
    }
    for (; count > 0; --count)
        crc = crcOfByte(crc, *data++);
    return crc;
}

uint16_t crc16OfSource(const ByteSource& source) {
    return crcOfSource(source, 0, 0).value;
}

PackageCrc packageCrc(const ByteSource& source) {
    const PackageCrc crc = crcOfSource(source, kStoredStart, kStoredEnd);
    return crc.complete ? crc : PackageCrc{false, 0};
}

uint32_t uidChecksum(const unsigned char* uids) {
    unsigned char even[6];
    unsigned char odd[6];
    for (int i = 0; i < 6; ++i) {
        even[i] = uids[2 * i];
        odd[i] = uids[2 * i + 1];
    }
    return (static_cast<uint32_t>(crc16Xmodem(0, odd, 6)) << 16) | crc16Xmodem(0, even, 6);
}
