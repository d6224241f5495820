#include "package/epoc/format.h"

#include "package/checks/file_crc.h"

uint32_t UidChecksum(const PackageHeader& header) {
    unsigned char even[6];
    unsigned char odd[6];
    for (int i = 0; i < 6; ++i) {
        even[i] = header.bytes[2 * i];
        odd[i] = header.bytes[2 * i + 1];
    }
    return (static_cast<uint32_t>(crc16Xmodem(0, odd, 6)) << 16) | crc16Xmodem(0, even, 6);
}
