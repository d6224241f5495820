#include "package/epoc/format.h"

#include "package/checks/file_crc.h"

uint32_t UidChecksum(const PackageHeader& header) {
    return uidChecksum(header.bytes);
}
