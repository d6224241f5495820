#pragma once
// What the program reads of an EPOC SIS package: the 100-byte header, the file
// records and the checksum over the UIDs. Every value is little-endian in the file.
#include <cstddef>
#include <cstdint>

#include "package/io/little_endian.h"
#include "package/model/contents.h"

// The header as it lies in the file. Kept as raw bytes so that a package of any
// byte order quirk or size reads the same on every compiler; accessors decode.
struct PackageHeader {
    unsigned char bytes[100];

    uint16_t u16(size_t offset) const { return le16(bytes + offset); }
    uint32_t u32(size_t offset) const { return le32(bytes + offset); }

    uint32_t appUid() const { return u32(0); }
    uint32_t appUid1() const { return u32(4); }
    uint32_t appUid2() const { return u32(8); }
    uint32_t uidChecksum() const { return u32(12); }
    uint16_t storedCrc() const { return u16(16); }
    uint16_t languageCount() const { return u16(18); }
    uint16_t pkgLinesProcessed() const { return u16(20); }
    uint16_t dependencyCount() const { return u16(22); }
    uint16_t languageInstalled() const { return u16(24); }
    uint16_t pkgLinesToProcess() const { return u16(26); }
    uint16_t installDrive() const { return u16(28); }
    uint16_t appCapabilities() const { return u16(30); }
    uint32_t installerVersion() const { return u32(32); }
    uint16_t flags() const { return u16(36); }
    int16_t packageType() const { return static_cast<int16_t>(u16(38)); }
    int16_t versionMajor() const { return static_cast<int16_t>(u16(40)); }
    int16_t versionMinor() const { return static_cast<int16_t>(u16(42)); }
    int32_t versionBuild() const { return static_cast<int32_t>(u32(44)); }
    uint32_t languagesOffset() const { return u32(48); }
    uint32_t packageLinesOffset() const { return u32(52); }
    uint32_t dependenciesOffset() const { return u32(56); }
    uint32_t certificatesOffset() const { return u32(60); }
    uint32_t filenamesOffset() const { return u32(64); }
    uint32_t signatureOffset() const { return u32(68); }
    uint32_t capabilitiesOffset() const { return u32(72); }
    int32_t spaceUsed() const { return static_cast<int32_t>(u32(76)); }
    int32_t spaceRequired() const { return static_cast<int32_t>(u32(80)); }
};
static_assert(sizeof(PackageHeader) == 100, "the header is 100 bytes in the file");

constexpr uint32_t kUidRelease5 = 0x1000006D;
constexpr uint32_t kUidVersion6 = 0x10003A12;
constexpr uint16_t kFlagUnicode = 0x0001;
constexpr uint16_t kFlagNoCompress = 0x0008;

// EPOC Release 5 packages have their own record layouts and store data as is.
inline bool isRelease5(const PackageHeader& header) {
    return header.appUid1() == kUidRelease5;
}
inline bool hasUnicodeNames(const PackageHeader& header) {
    return (header.flags() & kFlagUnicode) != 0;
}
inline bool storesUncompressed(const PackageHeader& header) {
    return isRelease5(header) || (header.flags() & kFlagNoCompress) != 0;
}

// The language count as a count: values from 0x8000 up are negative in the
// installer's reading, and a negative count means no language at all.
inline uint32_t languageCountAsCount(const PackageHeader& header) {
    uint16_t count = header.languageCount();
    return count >= 0x8000 ? 0 : count;
}

// The fixed part of a simple file record (type 0) of the later generation, as it
// follows the record type word. A multi-language record shares the first six words.
struct FileRecord {
    uint32_t fileType;
    uint32_t unused1;
    uint32_t sourceNameLength;
    uint32_t sourceNameOffset;
    uint32_t destNameLength;
    uint32_t destNameOffset;
    uint32_t storedLength;
    uint32_t storedOffset;
    uint32_t originalLength;
    uint32_t unused2;
    uint32_t unused3;
};
static_assert(sizeof(FileRecord) == 44, "a simple record is 44 bytes after its type");

// Record types of the record stream.
enum RecordType : int32_t {
    RecordSimpleFile = 0,
    RecordMultiLanguageFile = 1,
    RecordOptions = 2,
    RecordIf = 3,
    RecordElseIf = 4,
};

// Checksum over header bytes 0 to 11 (the three UIDs): CRC-16/XMODEM of the
// odd-offset bytes in the high half, of the even-offset bytes in the low half.
uint32_t UidChecksum(const PackageHeader& header);
