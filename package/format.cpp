#include "package/format.h"

namespace {

struct CrcTable {
    uint16_t entries[256];
};

constexpr CrcTable makeCrcTable() {
    CrcTable table = {};
    for (int byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        table.entries[byte] = crc;
    }
    return table;
}

// A table, because a Symbian OS 9 package's data checksum covers nearly the whole file.
constexpr CrcTable kCrcTable = makeCrcTable();

} // namespace

uint16_t crc16Xmodem(const unsigned char* data, size_t count, uint16_t crc) {
    for (size_t i = 0; i < count; ++i) {
        crc = static_cast<uint16_t>((crc << 8) ^ kCrcTable.entries[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

uint32_t UidChecksum(const PackageHeader& header) {
    unsigned char even[6];
    unsigned char odd[6];
    for (int i = 0; i < 6; ++i) {
        even[i] = header.bytes[2 * i];
        odd[i] = header.bytes[2 * i + 1];
    }
    return (static_cast<uint32_t>(crc16Xmodem(odd, 6)) << 16) | crc16Xmodem(even, 6);
}
