#include "package/format.h"

namespace {

uint16_t crc16Xmodem(const unsigned char* data, size_t count) {
    // Bitwise rather than table-driven: six bytes per call do not pay for a table.
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            if (crc & 0x8000) {
                crc = static_cast<uint16_t>((crc << 1) ^ 0x1021);
            } else {
                crc = static_cast<uint16_t>(crc << 1);
            }
        }
    }
    return crc;
}

} // namespace

uint32_t UidChecksum(const PackageHeader& header) {
    unsigned char even[6];
    unsigned char odd[6];
    for (int i = 0; i < 6; ++i) {
        even[i] = header.bytes[2 * i];
        odd[i] = header.bytes[2 * i + 1];
    }
    return (static_cast<uint32_t>(crc16Xmodem(odd, 6)) << 16) | crc16Xmodem(even, 6);
}
