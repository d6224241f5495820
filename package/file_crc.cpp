#include "package/file_crc.h"

namespace {

constexpr uint16_t kPolynomial = 0x1021;
// Where the stored word lies, and so which bytes the check leaves out.
constexpr uint64_t kStoredStart = 16;
constexpr uint64_t kStoredEnd = 18;
// Small enough for the stack, large enough that the file calls cost little.
constexpr size_t kChunkSize = 32 * 1024;

struct CrcTable {
    uint16_t entries[256];
};

constexpr CrcTable makeTable() {
    CrcTable table = {};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ kPolynomial : crc << 1;
        table.entries[byte] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr CrcTable kTable = makeTable();

// Where `absolute` falls in a chunk of `count` bytes that starts at `offset`,
// pinned to the chunk's ends.
size_t placeInChunk(uint64_t absolute, uint64_t offset, size_t count) {
    if (absolute <= offset)
        return 0;
    return absolute - offset < count ? static_cast<size_t>(absolute - offset) : count;
}

uint16_t crcOfChunk(uint16_t crc, const unsigned char* chunk, size_t count, uint64_t offset) {
    const size_t skipFrom = placeInChunk(kStoredStart, offset, count);
    const size_t skipTo = placeInChunk(kStoredEnd, offset, count);
    crc = crc16Xmodem(crc, chunk, skipFrom);
    return crc16Xmodem(crc, chunk + skipTo, count - skipTo);
}

} // namespace

uint16_t crc16Xmodem(uint16_t crc, const unsigned char* data, size_t count) {
    for (size_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ kTable.entries[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

uint16_t crc16OfSource(const ByteSource& source) {
    const CheckedReader reader(source);
    unsigned char chunk[kChunkSize];
    uint16_t crc = 0;
    uint64_t offset = 0;
    size_t got;
    while ((got = reader.someAt(offset, chunk, sizeof chunk)) > 0) {
        crc = crc16Xmodem(crc, chunk, got);
        offset += got;
    }
    return crc;
}

PackageCrc packageCrc(const ByteSource& source) {
    CheckedReader reader(source);
    unsigned char chunk[kChunkSize];
    uint16_t crc = 0;
    uint64_t offset = 0;
    while (offset < reader.size()) {
        const uint64_t left = reader.size() - offset;
        const size_t count = left < kChunkSize ? static_cast<size_t>(left) : kChunkSize;
        if (!reader.bytesAt(offset, chunk, count))
            return {false, 0};
        crc = crcOfChunk(crc, chunk, count, offset);
        offset += count;
    }
    return {true, crc};
}
