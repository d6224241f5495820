#pragma once
// The check word of the older format: a CRC-16 over the whole package but the
// two bytes that hold it (offsets 16 and 17), so a package can be told damaged.
#include <cstddef>
#include <cstdint>

#include "package/io/byte_source.h"

// Continues CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection,
// no final XOR) from `crc` over `count` bytes. Start with 0; a run cut into
// pieces gives the same value as the whole run.
uint16_t crc16Xmodem(uint16_t crc, const unsigned char* data, size_t count);

// CRC-16/XMODEM over all of `source`, read a piece at a time (a Symbian OS 9
// package's controller and data checksums cover such ranges).
uint16_t crc16OfSource(const ByteSource& source);

// The UID checksum of either format over the three UID words in `uids` (12
// bytes): the CRC of the odd-offset bytes in the high half, of the even ones in the low.
uint32_t uidChecksum(const unsigned char* uids);

struct PackageCrc {
    bool complete;  // false when a read failed part way: `value` means nothing then
    uint16_t value; // over every byte of the source except offsets 16 and 17
};

// One pass over `source` through the checked reader in fixed-size chunks, so
// memory stays the same whatever the package's size.
PackageCrc packageCrc(const ByteSource& source);
