#include "package/texts/sisx_header_text.h"

#include "common/resource_ids.h"
#include "package/texts/header_text.h"

namespace {

std::string hex32(uint32_t value) {
    return numberText(value, true);
}

// The older format's checksum over the three UID words, which this format keeps.
uint32_t computedUidChecksum(const SisxSummary& summary) {
    PackageHeader header = {};
    const uint32_t words[3] = {summary.uid1, summary.uid2, summary.uid3};
    for (int w = 0; w < 3; ++w) {
        for (int b = 0; b < 4; ++b) {
            header.bytes[4 * w + b] = static_cast<unsigned char>(words[w] >> (8 * b));
        }
    }
    return UidChecksum(header);
}

// The boxes only the 16-byte header fills, which a stub does not have.
bool onlyInFileHeader(int controlId) {
    return controlId == IDC_APP_UID1 || controlId == IDC_APP_UID2 ||
           controlId == IDC_UID_CHECKSUM || controlId == IDC_CALC_CHECKSUM;
}

// The boxes that the 16-byte header fills, readable controller or not.
bool headerBox(const SisxSummary& s, int controlId, std::string* text) {
    if (!s.hasFileHeader && onlyInFileHeader(controlId)) {
        text->clear();
        return true;
    }
    switch (controlId) {
    case IDC_APP_UID:
        // Without a controller the header's copy of the package UID is all there is.
        *text = hex32(s.readable ? s.packageUid : s.uid3);
        return true;
    case IDC_APP_UID1:
        *text = hex32(s.uid2);
        return true;
    case IDC_APP_UID2:
        *text = hex32(s.uid1);
        return true;
    case IDC_SIS_VERSION:
        *text = "9 or later";
        return true;
    case IDC_UID_CHECKSUM:
        *text = hex32(s.uidChecksum);
        return true;
    case IDC_CALC_CHECKSUM:
        *text = hex32(computedUidChecksum(s));
        return true;
    default:
        return false;
    }
}

std::string controllerBox(const SisxSummary& s, int controlId) {
    switch (controlId) {
    case IDC_LANGUAGE_COUNT:
        return std::to_string(s.languages.size());
    case IDC_LINES_PROCESSED:
        return std::to_string(s.fileCount);
    case IDC_DEPENDENCY_COUNT:
        return std::to_string(s.dependencyCount);
    case IDC_FLAGS:
        return sisxFlagsText(s.installFlags);
    case IDC_TYPE:
        return sisxTypeText(s.installType);
    case IDC_APP_VERSION:
        return sisxVersionText(s.versionMajor, s.versionMinor, s.versionBuild);
    case IDC_OFFSET_CERTIFICATES:
        return s.certificateChains == 0 ? "no Certificate" : std::to_string(s.certificateChains);
    case IDC_OFFSET_SIGNATURE:
        return sisxSignatureText(s);
    case IDC_SPACE_REQUIRED:
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

std::string sisxHeaderBoxText(const SisxSummary& summary, int controlId) {
    std::string text;
    if (headerBox(summary, controlId, &text)) {
        return text;
    }
    return summary.readable ? controllerBox(summary, controlId) : std::string();
}
