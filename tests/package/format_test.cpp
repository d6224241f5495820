#include <gtest/gtest.h>

#include "package/epoc/format.h"

namespace {

PackageHeader headerWith(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    PackageHeader header = {};
    for (const auto& b : bytes) {
        header.bytes[b.first] = b.second;
    }
    return header;
}

} // namespace

TEST(UidChecksum, WorkedExampleOverBytesZeroToEleven) {
    PackageHeader header = {};
    for (int i = 0; i < 12; ++i) {
        header.bytes[i] = static_cast<unsigned char>(i);
    }
    EXPECT_EQ(UidChecksum(header), 0x99541431u);
    // Bytes from 12 on take no part.
    for (int i = 12; i < 100; ++i) {
        header.bytes[i] = 0xA5;
    }
    EXPECT_EQ(UidChecksum(header), 0x99541431u);
}

TEST(UidChecksum, RealPackageUids) {
    // gnupoc-test2.sis: UIDs 1, 10003A12, 10000419 carry the checksum D9D40A84.
    PackageHeader header = headerWith({{0, 0x01},
                                       {4, 0x12},
                                       {5, 0x3A},
                                       {6, 0x00},
                                       {7, 0x10},
                                       {8, 0x19},
                                       {9, 0x04},
                                       {10, 0x00},
                                       {11, 0x10}});
    EXPECT_EQ(UidChecksum(header), 0xD9D40A84u);
}

TEST(PackageHeader, FieldsAreLittleEndianAtTheirOffsets) {
    PackageHeader header = {};
    for (int i = 0; i < 100; ++i) {
        header.bytes[i] = static_cast<unsigned char>(i + 1);
    }
    EXPECT_EQ(header.appUid(), 0x04030201u);
    EXPECT_EQ(header.appUid1(), 0x08070605u);
    EXPECT_EQ(header.appUid2(), 0x0C0B0A09u);
    EXPECT_EQ(header.uidChecksum(), 0x100F0E0Du);
    EXPECT_EQ(header.languageCount(), 0x1413);
    EXPECT_EQ(header.pkgLinesProcessed(), 0x1615);
    EXPECT_EQ(header.dependencyCount(), 0x1817);
    EXPECT_EQ(header.languageInstalled(), 0x1A19);
    EXPECT_EQ(header.pkgLinesToProcess(), 0x1C1B);
    EXPECT_EQ(header.installDrive(), 0x1E1D);
    EXPECT_EQ(header.appCapabilities(), 0x201F);
    EXPECT_EQ(header.installerVersion(), 0x24232221u);
    EXPECT_EQ(header.flags(), 0x2625);
    EXPECT_EQ(header.packageType(), 0x2827);
    EXPECT_EQ(header.versionMajor(), 0x2A29);
    EXPECT_EQ(header.versionMinor(), 0x2C2B);
    EXPECT_EQ(header.versionBuild(), 0x302F2E2D);
    EXPECT_EQ(header.languagesOffset(), 0x34333231u);
    EXPECT_EQ(header.packageLinesOffset(), 0x38373635u);
    EXPECT_EQ(header.dependenciesOffset(), 0x3C3B3A39u);
    EXPECT_EQ(header.certificatesOffset(), 0x403F3E3Du);
    EXPECT_EQ(header.filenamesOffset(), 0x44434241u);
    EXPECT_EQ(header.signatureOffset(), 0x48474645u);
    EXPECT_EQ(header.capabilitiesOffset(), 0x4C4B4A49u);
    EXPECT_EQ(header.spaceUsed(), 0x504F4E4D);
    EXPECT_EQ(header.spaceRequired(), 0x54535251);
}

TEST(PackageHeader, SignedFieldsReadNegative) {
    PackageHeader header = headerWith({{38, 0xFF},
                                       {39, 0xFF},
                                       {40, 0xFE},
                                       {41, 0xFF},
                                       {44, 0xFF},
                                       {45, 0xFF},
                                       {46, 0xFF},
                                       {47, 0xFF},
                                       {76, 0xFF},
                                       {77, 0xFF},
                                       {78, 0xFF},
                                       {79, 0xFF}});
    EXPECT_EQ(header.packageType(), -1);
    EXPECT_EQ(header.versionMajor(), -2);
    EXPECT_EQ(header.versionBuild(), -1);
    EXPECT_EQ(header.spaceUsed(), -1);
}

TEST(PackageHeader, GenerationNameEncodingAndStorage) {
    struct Case {
        const char* what;
        uint32_t uid1;
        uint16_t flags;
        bool release5;
        bool unicode;
        bool uncompressed;
    };
    const Case cases[] = {
        {"later generation, Unicode, compressed", 0x10003A12, 0x0001, false, true, false},
        {"later generation, 8-bit names", 0x10003A12, 0x0000, false, false, false},
        {"later generation, NoCompress", 0x10003A12, 0x0009, false, true, true},
        {"Release 5 stores as is whatever its flags", 0x1000006D, 0x0000, true, false, true},
        {"UID2 0 keeps the later layout", 0, 0x0001, false, true, false},
        {"other flag bits change nothing", 0x10003A12, 0xFFF6, false, false, false},
    };
    for (const Case& c : cases) {
        PackageHeader header = {};
        for (int i = 0; i < 4; ++i) {
            header.bytes[4 + i] = static_cast<uint8_t>(c.uid1 >> (8 * i));
        }
        header.bytes[36] = static_cast<uint8_t>(c.flags);
        header.bytes[37] = static_cast<uint8_t>(c.flags >> 8);
        EXPECT_EQ(isRelease5(header), c.release5) << c.what;
        EXPECT_EQ(hasUnicodeNames(header), c.unicode) << c.what;
        EXPECT_EQ(storesUncompressed(header), c.uncompressed) << c.what;
    }
}
