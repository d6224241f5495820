#include "package/format.h"

uint16_t crc16Xmodem(const unsigned char* data, size_t count, uint16_t crc) {
    // Bitwise rather than table-driven: the UID checksum's six bytes per call do
    // not pay for a table, and the longer runs are a few kilobytes of controller.
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

uint32_t UidChecksum(const PackageHeader& header) {
    unsigned char even[6];
    unsigned char odd[6];
    for (int i = 0; i < 6; ++i) {
        even[i] = header.bytes[2 * i];
        odd[i] = header.bytes[2 * i + 1];
    }
    return (static_cast<uint32_t>(crc16Xmodem(odd, 6)) << 16) | crc16Xmodem(even, 6);
}
