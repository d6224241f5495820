#include "package/view/header_view.h"

#include "common/string_ids.h"
#include "package/texts/header_text.h"
#include "package/texts/sisx_header_text.h"

namespace {

constexpr int kGeneral = IdsHeaderGroupBase;
constexpr int kUid = IdsHeaderGroupBase + 1;
constexpr int kInstall = IdsHeaderGroupBase + 2;
constexpr int kOffsets = IdsHeaderGroupBase + 3;

HeaderBoxes sisxBoxes(const SisxSummary& summary) {
    HeaderBoxes boxes;
    for (int f = 0; f < kHeaderFieldCount; ++f) {
        boxes[static_cast<size_t>(f)] = sisxHeaderBoxText(summary, static_cast<HeaderField>(f));
    }
    boxes[static_cast<size_t>(HeaderField::StoredCheck)] = sisxStoredChecksText(summary);
    boxes[static_cast<size_t>(HeaderField::CalculatedCheck)] = sisxCalculatedChecksText(summary);
    return boxes;
}

HeaderBoxes epocBoxes(const Package& package) {
    const PackageHeader& header = package.epocHeader;
    HeaderBoxes boxes;
    for (int f = 0; f < kHeaderFieldCount; ++f) {
        boxes[static_cast<size_t>(f)] = headerBoxText(header, static_cast<HeaderField>(f));
    }
    const uint16_t stored = header.storedCrc();
    boxes[static_cast<size_t>(HeaderField::StoredCheck)] = checkWordText(stored);
    if (package.epocCrc.complete) {
        boxes[static_cast<size_t>(HeaderField::CalculatedCheck)] =
            calculatedCheckText(stored, package.epocCrc.value);
    }
    return boxes;
}

} // namespace

const HeaderPlace kHeaderOrder[kHeaderFieldCount] = {
    {HeaderField::AppVersion, kGeneral},
    {HeaderField::SisVersion, kGeneral},
    {HeaderField::InstallerVersion, kGeneral},
    {HeaderField::AppUid, kUid},
    {HeaderField::AppUid1, kUid},
    {HeaderField::AppUid2, kUid},
    {HeaderField::UidChecksum, kUid},
    {HeaderField::CalculatedChecksum, kUid},
    {HeaderField::StoredCheck, kUid},
    {HeaderField::CalculatedCheck, kUid},
    {HeaderField::InstallDrive, kInstall},
    {HeaderField::SpaceRequired, kInstall},
    {HeaderField::SpaceUsed, kInstall},
    {HeaderField::Flags, kInstall},
    {HeaderField::Type, kInstall},
    {HeaderField::LanguageInstalled, kInstall},
    {HeaderField::LinesToProcess, kInstall},
    {HeaderField::LinesProcessed, kInstall},
    {HeaderField::LanguageCount, kInstall},
    {HeaderField::AppCapabilities, kInstall},
    {HeaderField::DependencyCount, kInstall},
    {HeaderField::OffsetLanguages, kOffsets},
    {HeaderField::OffsetLines, kOffsets},
    {HeaderField::OffsetDependencies, kOffsets},
    {HeaderField::OffsetCertificates, kOffsets},
    {HeaderField::OffsetFilenames, kOffsets},
    {HeaderField::OffsetCapabilities, kOffsets},
    {HeaderField::OffsetSignature, kOffsets},
};

int headerLabel(HeaderField field) {
    return IdsHeaderLabelBase + static_cast<int>(field);
}

HeaderBoxes headerBoxes(const Package& package) {
    return package.sisx ? sisxBoxes(package.sisx->summary()) : epocBoxes(package);
}

Integrity integrityOf(const Package& package) {
    Integrity integrity;
    if (package.sisx) {
        const SisxSummary& summary = package.sisx->summary();
        integrity.storedUidChecksum = summary.uidChecksum;
        integrity.calculatedUidChecksum = sisxCalculatedUidChecksum(summary);
        // A stub has no file header, so no UID checksum to differ.
        integrity.uidChecksumDiffers =
            summary.hasFileHeader && integrity.storedUidChecksum != integrity.calculatedUidChecksum;
        integrity.checksumsDiffer = sisxChecksDiffer(summary);
        return integrity;
    }
    const PackageHeader& header = package.epocHeader;
    integrity.storedUidChecksum = header.uidChecksum();
    integrity.calculatedUidChecksum = UidChecksum(header);
    integrity.uidChecksumDiffers = integrity.storedUidChecksum != integrity.calculatedUidChecksum;
    integrity.checkWordUnknown = !package.epocCrc.complete;
    integrity.checkWordDiffers =
        package.epocCrc.complete && package.epocCrc.value != header.storedCrc();
    return integrity;
}
