#include "package/texts/sisx_header_text.h"

#include "package/texts/header_text.h"

namespace {

std::string hex32(uint32_t value) {
    return numberText(value, true);
}

} // namespace

uint32_t sisxCalculatedUidChecksum(const SisxSummary& summary) {
    PackageHeader header = {};
    const uint32_t words[3] = {summary.uid1, summary.uid2, summary.uid3};
    for (int w = 0; w < 3; ++w) {
        for (int b = 0; b < 4; ++b) {
            header.bytes[4 * w + b] = static_cast<unsigned char>(words[w] >> (8 * b));
        }
    }
    return UidChecksum(header);
}

namespace {

// The boxes only the 16-byte header fills, which a stub does not have.
bool onlyInFileHeader(HeaderField field) {
    return field == HeaderField::AppUid1 || field == HeaderField::AppUid2 ||
           field == HeaderField::UidChecksum || field == HeaderField::CalculatedChecksum;
}

// The boxes that the 16-byte header fills, readable controller or not.
bool headerBox(const SisxSummary& s, HeaderField field, std::string* text) {
    if (!s.hasFileHeader && onlyInFileHeader(field)) {
        text->clear();
        return true;
    }
    switch (field) {
    case HeaderField::AppUid:
        // Without a controller the header's copy of the package UID is all there is.
        *text = hex32(s.readable ? s.packageUid : s.uid3);
        return true;
    case HeaderField::AppUid1:
        *text = hex32(s.uid2);
        return true;
    case HeaderField::AppUid2:
        *text = hex32(s.uid1);
        return true;
    case HeaderField::SisVersion:
        *text = "9 or later";
        return true;
    case HeaderField::UidChecksum:
        *text = hex32(s.uidChecksum);
        return true;
    case HeaderField::CalculatedChecksum:
        *text = hex32(sisxCalculatedUidChecksum(s));
        return true;
    default:
        return false;
    }
}

std::string controllerBox(const SisxSummary& s, HeaderField field) {
    switch (field) {
    case HeaderField::LanguageCount:
        return std::to_string(s.languages.size());
    case HeaderField::LinesProcessed:
        return std::to_string(s.fileCount);
    case HeaderField::DependencyCount:
        return std::to_string(s.dependencyCount);
    case HeaderField::Flags:
        return sisxFlagsText(s.installFlags);
    case HeaderField::Type:
        return sisxTypeText(s.installType);
    case HeaderField::AppVersion:
        return sisxVersionText(s.versionMajor, s.versionMinor, s.versionBuild);
    case HeaderField::OffsetCertificates:
        return s.certificateChains == 0 ? "no Certificate" : std::to_string(s.certificateChains);
    case HeaderField::OffsetSignature:
        return sisxSignatureText(s);
    case HeaderField::SpaceRequired:
        return std::to_string(s.spaceRequired);
    default:
        return std::string();
    }
}

} // namespace

std::string sisxSignatureText(const SisxSummary& summary) {
    if (summary.certificateChains == 0) {
        return "no Signature";
    }
    if (summary.firstSignatureAlgorithm == "1.2.840.113549.1.1.5") {
        return "RSA-SHA1";
    }
    if (summary.firstSignatureAlgorithm == "1.2.840.10040.4.3") {
        return "DSA-SHA1";
    }
    return summary.firstSignatureAlgorithm;
}

namespace {

std::string checkPair(bool hasController, uint16_t controller, bool hasData, uint16_t data) {
    return "C " + (hasController ? checkWordText(controller) : std::string("-")) + ", D " +
           (hasData ? checkWordText(data) : std::string("-"));
}

} // namespace

std::string sisxStoredChecksText(const SisxSummary& s) {
    if (!s.hasFileHeader) {
        return std::string(); // a stub stores no checksums
    }
    return checkPair(s.hasStoredControllerChecksum, s.storedControllerChecksum,
                     s.hasStoredDataChecksum, s.storedDataChecksum);
}

std::string sisxCalculatedChecksText(const SisxSummary& s) {
    if (!s.hasFileHeader) {
        return std::string();
    }
    const std::string text = checkPair(s.controllerChecksumComputed, s.computedControllerChecksum,
                                       s.dataChecksumComputed, s.computedDataChecksum);
    return sisxChecksDiffer(s) ? text + " (differs)" : text;
}

bool sisxChecksDiffer(const SisxSummary& s) {
    const bool controllerDiffers = s.hasStoredControllerChecksum && s.controllerChecksumComputed &&
                                   s.storedControllerChecksum != s.computedControllerChecksum;
    const bool dataDiffers = s.hasStoredDataChecksum && s.dataChecksumComputed &&
                             s.storedDataChecksum != s.computedDataChecksum;
    return s.hasFileHeader && (controllerDiffers || dataDiffers);
}

std::string sisxHeaderBoxText(const SisxSummary& summary, HeaderField field) {
    std::string text;
    if (headerBox(summary, field, &text)) {
        return text;
    }
    return summary.readable ? controllerBox(summary, field) : std::string();
}
