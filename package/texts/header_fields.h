#pragma once
// The fields of a package's header as the program shows them, whatever the
// format: the older format's header words in their order, then the pair that
// says whether the package is whole.

enum class HeaderField : int {
    AppUid,
    AppUid1,
    AppUid2,
    SisVersion,
    UidChecksum,
    CalculatedChecksum,
    LanguageCount,
    LinesProcessed,
    DependencyCount,
    LanguageInstalled,
    LinesToProcess,
    InstallDrive,
    AppCapabilities,
    InstallerVersion,
    Flags,
    Type,
    AppVersion,
    OffsetLanguages,
    OffsetLines,
    OffsetDependencies,
    OffsetCertificates,
    OffsetFilenames,
    OffsetSignature,
    OffsetCapabilities,
    SpaceUsed,
    SpaceRequired,
    StoredCheck,     // the older format's File CRC; Symbian OS 9's stored checksums
    CalculatedCheck, // the same, calculated over the package
};
constexpr int kHeaderFieldCount = 28;
