// The older format's header texts, field by field.
#include <gtest/gtest.h>

#include <cstring>

#include "package/texts/header_text.h"
#include "package/texts/language_names.h"

namespace {

PackageHeader zeroHeader() {
    PackageHeader header;
    std::memset(header.bytes, 0, sizeof header.bytes);
    return header;
}

void put16(PackageHeader& header, size_t offset, uint16_t value) {
    header.bytes[offset] = static_cast<unsigned char>(value);
    header.bytes[offset + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(PackageHeader& header, size_t offset, uint32_t value) {
    put16(header, offset, static_cast<uint16_t>(value));
    put16(header, offset + 2, static_cast<uint16_t>(value >> 16));
}

TEST(HeaderTextTest, NumbersInHexAndDecimal) {
    struct Case {
        const char* proves;
        uint32_t value;
        bool hex;
        const char* text;
    } const cases[] = {
        {"hex upper case with h", 0x10003A12, true, "10003A12h"},
        {"hex zero", 0, true, "0h"},
        {"hex widest", 0xFFFFFFFF, true, "FFFFFFFFh"},
        {"hex no leading zeros", 0x00000ABC, true, "ABCh"},
        {"decimal zero", 0, false, "0"},
        {"zero-extended 16-bit is never negative", 65535, false, "65535"},
        {"32-bit decimal is signed", 0xFFFFFFFF, false, "-1"},
        {"most negative", 0x80000000, false, "-2147483648"},
        {"largest positive", 0x7FFFFFFF, false, "2147483647"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberText(c.value, c.hex), c.text) << c.proves;
}

TEST(HeaderTextTest, FlagsTypeAndSisVersion) {
    struct FlagCase {
        uint16_t flags;
        const char* text;
    } const flags[] = {{0, "0"},   {1, "Unicode"},      {2, "2"},
                       {16, "16"}, {17, "ShutdownApp"}, {65535, "ShutdownApp"}};
    for (const auto& c : flags)
        EXPECT_EQ(flagsText(c.flags), c.text) << "flags " << c.flags;

    struct TypeCase {
        uint16_t type;
        const char* text;
    } const types[] = {{0, "SISApp"},   {1, "SISSystem"},  {2, "SISOption"}, {3, "SISConfig"},
                       {4, "SISPatch"}, {5, "SISUpgrade"}, {6, "6"},         {0xFFFF, "65535"}};
    for (const auto& c : types)
        EXPECT_EQ(typeText(c.type), c.text) << "type " << c.type;

    EXPECT_EQ(sisVersionText(0x10003A12), "6");
    EXPECT_EQ(sisVersionText(0x1000006D), "5 or lower");
    EXPECT_EQ(sisVersionText(0), "5 or lower");
}

TEST(HeaderTextTest, CheckWordsInFourHexDigitsAndDamageMarked) {
    struct Case {
        const char* proves;
        uint16_t stored;
        uint16_t calculated;
        const char* storedText;
        const char* calculatedText;
    } const cases[] = {
        {"leading zero kept, matching words unmarked", 0x0A1F, 0x0A1F, "0A1Fh", "0A1Fh"},
        {"zero is four digits", 0, 0, "0000h", "0000h"},
        {"widest word", 0xFFFF, 0xFFFF, "FFFFh", "FFFFh"},
        {"differing words mark the calculated one", 0x0A1F, 0x31C3, "0A1Fh", "31C3h (damaged)"},
        {"a difference in the low bit is damage too", 0x1000, 0x1001, "1000h", "1001h (damaged)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkWordText(c.stored), c.storedText) << c.proves;
        EXPECT_EQ(calculatedCheckText(c.stored, c.calculated), c.calculatedText) << c.proves;
    }
}

TEST(HeaderTextTest, AppVersionKeepsEveryDigit) {
    struct Case {
        int16_t major;
        int16_t minor;
        int32_t build;
        const char* text;
    } const cases[] = {
        {1, 5, 123, "1.05 build 123"},
        {2, 10, 45, "2.10 build 45"},
        {1, 9, 0, "1.09 build 0"},
        {0, 0, 0, "0.00 build 0"},
        {12, 5, 12345, "12.05 build 12345"},
        {45, 16675, 99999, "45.16675 build 99999"},
        {1, 100, 1, "1.100 build 1"},
        {-1, -5, -7, "-1.-5 build -7"},
        {32767, 32767, 2147483647, "32767.32767 build 2147483647"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(appVersionText(c.major, c.minor, c.build), c.text);
}

TEST(HeaderTextTest, InstallDriveIsTextUpToTheFirstZero) {
    struct Case {
        const char* proves;
        uint16_t drive;
        const char* text;
    } const cases[] = {
        {"a drive letter shows alone", 0x0043, "C"},
        {"any drive", 0x0021, "!"},
        {"zero leaves the box empty", 0, ""},
        {"a code above 255 gives two characters", 0x4443, "CD"},
    };
    for (const auto& c : cases) {
        PackageHeader header = zeroHeader();
        put16(header, 28, c.drive);
        EXPECT_EQ(installDriveText(header), c.text) << c.proves;
    }
    // Text past the field runs on to the first zero, and never beyond the header.
    PackageHeader full = zeroHeader();
    std::memset(full.bytes + 28, 'A', sizeof full.bytes - 28);
    EXPECT_EQ(installDriveText(full), std::string(72, 'A'));
    PackageHeader high = zeroHeader();
    put16(high, 28, 0x00E9); // 8-bit e acute
    EXPECT_EQ(installDriveText(high), "\xC3\xA9");
}

TEST(HeaderTextTest, HeaderOfZeroBytes) {
    const PackageHeader header = zeroHeader();
    for (int f = 0; f < 26; ++f) {
        const HeaderField field = static_cast<HeaderField>(f);
        std::string expected;
        switch (field) {
        case HeaderField::SisVersion:
            expected = "5 or lower";
            break;
        case HeaderField::Flags:
            expected = "0";
            break;
        case HeaderField::Type:
            expected = "SISApp";
            break;
        case HeaderField::AppVersion:
            expected = "0.00 build 0";
            break;
        case HeaderField::InstallDrive:
            expected = "";
            break;
        case HeaderField::OffsetCertificates:
            expected = "no Certificate";
            break;
        case HeaderField::OffsetSignature:
            expected = "no Signature";
            break;
        case HeaderField::AppUid:
        case HeaderField::AppUid1:
        case HeaderField::AppUid2:
        case HeaderField::UidChecksum:
        case HeaderField::CalculatedChecksum:
        case HeaderField::OffsetLanguages:
        case HeaderField::OffsetLines:
        case HeaderField::OffsetDependencies:
        case HeaderField::OffsetFilenames:
        case HeaderField::OffsetCapabilities:
            expected = "0h";
            break;
        default:
            expected = "0";
            break;
        }
        EXPECT_EQ(headerBoxText(header, field), expected) << "field " << f;
    }
}

TEST(HeaderTextTest, FieldsReachTheirBoxes) {
    PackageHeader header = zeroHeader();
    for (unsigned char i = 0; i < 12; ++i)
        header.bytes[i] = i;
    put32(header, 32, 0x00010064); // high half must not count
    put32(header, 76, 0xFFFFFFFF); // space used
    put32(header, 60, 0x1234);     // certificates, but no signature
    put16(header, 18, 0x8000);     // negative as a count, still shown unsigned
    put32(header, 4, 0x10003A12);
    EXPECT_EQ(headerBoxText(header, HeaderField::InstallerVersion), "100");
    EXPECT_EQ(headerBoxText(header, HeaderField::SpaceUsed), "-1");
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetCertificates), "no Certificate");
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetSignature), "no Signature");
    EXPECT_EQ(headerBoxText(header, HeaderField::LanguageCount), "32768");
    EXPECT_EQ(headerBoxText(header, HeaderField::AppUid1), "10003A12h");
    EXPECT_EQ(headerBoxText(header, HeaderField::SisVersion), "6");

    PackageHeader worked = zeroHeader();
    for (unsigned char i = 0; i < 12; ++i)
        worked.bytes[i] = i;
    EXPECT_EQ(headerBoxText(worked, HeaderField::CalculatedChecksum), "99541431h");

    // A signature makes the certificates offset show, even when it is 0.
    PackageHeader signedOnly = zeroHeader();
    put32(signedOnly, 68, 0x200);
    EXPECT_EQ(headerBoxText(signedOnly, HeaderField::OffsetCertificates), "0h");
    EXPECT_EQ(headerBoxText(signedOnly, HeaderField::OffsetSignature), "200h");
}

TEST(HeaderTextTest, Release5HeaderEndsBeforeTheSignature) {
    PackageHeader header = zeroHeader();
    put32(header, 4, 0x1000006D);
    // Package data follows a Release 5 header; none of it may show as a field.
    for (size_t i = 68; i < sizeof header.bytes; ++i)
        header.bytes[i] = 0x5A;
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetSignature), "no Signature");
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetCertificates), "no Certificate");
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetCapabilities), "");
    EXPECT_EQ(headerBoxText(header, HeaderField::SpaceUsed), "");
    EXPECT_EQ(headerBoxText(header, HeaderField::SpaceRequired), "");
    EXPECT_EQ(headerBoxText(header, HeaderField::OffsetFilenames), "0h");
}

// One rule names languages for the list, the details and the command line: the
// older format's codes end at 99, so 102 is no language of its, while
// Symbian OS 9 calls 102 Basque.
TEST(LanguageNames, EachFormatNamesItsOwnCodes) {
    struct Case {
        PackageKind kind;
        uint32_t code;
        const char* label;
    } const cases[] = {
        {PackageKind::Epoc, 1, "UK English"},         {PackageKind::Epoc, 102, "language 102"},
        {PackageKind::Sisx, 1, "UK English"},         {PackageKind::Sisx, 102, "Basque"},
        {PackageKind::SisxStub, 328, "language 328"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(languageLabel(c.kind, c.code), c.label) << c.code;
}

} // namespace
