#include "package/texts/header_text.h"

#include <cstdio>

#include "package/io/names.h"

namespace {

constexpr size_t kDriveStart = 28;

std::string hex32(uint32_t value) {
    return numberText(value, true);
}
std::string unsigned16(uint16_t value) {
    return numberText(value, false);
}
std::string signed32(int32_t value) {
    return std::to_string(value);
}

std::string certificatesText(const PackageHeader& header) {
    // A Release 5 header ends before the signature field, so the bytes there are
    // package data and say nothing about a certificate.
    if (isRelease5(header) || header.signatureOffset() == 0)
        return "no Certificate";
    return hex32(header.certificatesOffset());
}

std::string signatureText(const PackageHeader& header) {
    if (isRelease5(header) || header.signatureOffset() == 0)
        return "no Signature";
    return hex32(header.signatureOffset());
}

// Capabilities and the two space fields lie beyond the end of a Release 5 header.
bool beyondHeaderEnd(const PackageHeader& header) {
    return isRelease5(header);
}

std::string versionText(const PackageHeader& header) {
    return appVersionText(header.versionMajor(), header.versionMinor(), header.versionBuild());
}

} // namespace

std::string numberText(uint32_t value, bool hex) {
    char text[16] = {};
    if (hex)
        std::snprintf(text, sizeof text, "%lXh", static_cast<unsigned long>(value));
    else
        std::snprintf(text, sizeof text, "%ld", static_cast<long>(static_cast<int32_t>(value)));
    return text;
}

std::string sisVersionText(uint32_t appUid1) {
    return appUid1 == kUidVersion6 ? "6" : "5 or lower";
}

std::string installDriveText(const PackageHeader& header) {
    size_t end = kDriveStart;
    while (end < sizeof header.bytes && header.bytes[end] != 0)
        ++end;
    // 8-bit text, read the way 8-bit names of a package are read.
    uint16_t units[sizeof header.bytes] = {};
    const size_t count = windows1252ToUtf16(header.bytes + kDriveStart, end - kDriveStart, units,
                                            sizeof header.bytes);
    char utf8[3 * sizeof header.bytes + 1] = {};
    utf16ToUtf8(units, count, utf8, sizeof utf8);
    return utf8;
}

std::string flagsText(uint16_t flags) {
    if (flags > 16)
        return "ShutdownApp";
    if (flags == 1)
        return "Unicode";
    return unsigned16(flags);
}

std::string typeText(uint16_t packageType) {
    static const char* const names[] = {"SISApp",    "SISSystem", "SISOption",
                                        "SISConfig", "SISPatch",  "SISUpgrade"};
    if (packageType < sizeof names / sizeof names[0])
        return names[packageType];
    return unsigned16(packageType);
}

std::string appVersionText(int16_t major, int16_t minor, int32_t build) {
    // Every digit of each number counts: 12.05 build 12345 must not read as 1.05 build 1234.
    std::string text = std::to_string(major) + ".";
    if (minor >= 0 && minor < 10)
        text += "0";
    return text + std::to_string(minor) + " build " + std::to_string(build);
}

std::string checkWordText(uint16_t value) {
    char text[8] = {};
    std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(value));
    return text;
}

std::string calculatedCheckText(uint16_t stored, uint16_t calculated) {
    const std::string text = checkWordText(calculated);
    return calculated == stored ? text : text + " (damaged)";
}

std::string headerBoxText(const PackageHeader& h, HeaderField field) {
    switch (field) {
    case HeaderField::AppUid:
        return hex32(h.appUid());
    case HeaderField::AppUid1:
        return hex32(h.appUid1());
    case HeaderField::SisVersion:
        return sisVersionText(h.appUid1());
    case HeaderField::AppUid2:
        return hex32(h.appUid2());
    case HeaderField::UidChecksum:
        return hex32(h.uidChecksum());
    case HeaderField::CalculatedChecksum:
        return hex32(UidChecksum(h));
    case HeaderField::LanguageCount:
        return unsigned16(h.languageCount());
    case HeaderField::LinesProcessed:
        return unsigned16(h.pkgLinesProcessed());
    case HeaderField::DependencyCount:
        return unsigned16(h.dependencyCount());
    case HeaderField::LanguageInstalled:
        return unsigned16(h.languageInstalled());
    case HeaderField::LinesToProcess:
        return unsigned16(h.pkgLinesToProcess());
    case HeaderField::InstallDrive:
        return installDriveText(h);
    case HeaderField::AppCapabilities:
        return unsigned16(h.appCapabilities());
    case HeaderField::InstallerVersion:
        return unsigned16(static_cast<uint16_t>(h.installerVersion()));
    case HeaderField::Flags:
        return flagsText(h.flags());
    case HeaderField::Type:
        return typeText(static_cast<uint16_t>(h.packageType()));
    case HeaderField::AppVersion:
        return versionText(h);
    case HeaderField::OffsetLanguages:
        return hex32(h.languagesOffset());
    case HeaderField::OffsetLines:
        return hex32(h.packageLinesOffset());
    case HeaderField::OffsetDependencies:
        return hex32(h.dependenciesOffset());
    case HeaderField::OffsetCertificates:
        return certificatesText(h);
    case HeaderField::OffsetFilenames:
        return hex32(h.filenamesOffset());
    case HeaderField::OffsetSignature:
        return signatureText(h);
    case HeaderField::OffsetCapabilities:
        return beyondHeaderEnd(h) ? "" : hex32(h.capabilitiesOffset());
    case HeaderField::SpaceUsed:
        return beyondHeaderEnd(h) ? "" : signed32(h.spaceUsed());
    case HeaderField::SpaceRequired:
        return beyondHeaderEnd(h) ? "" : signed32(h.spaceRequired());
    default:
        return "";
    }
}
