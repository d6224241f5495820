#pragma once
// A package read once: what kind it is, the facts its header panel shows, and
// its contents. The format is decided here, and only here.
#include <cstdint>
#include <memory>
#include <vector>

#include "package/checks/file_crc.h"
#include "package/epoc/epoc_reader.h"
#include "package/epoc/format.h"
#include "package/io/byte_source.h"
#include "package/model/contents.h"
#include "package/model/package_kind.h"
#include "package/sisx/sisx_package.h"

struct Package {
    PackageKind kind = PackageKind::Epoc;
    ByteSource source;
    // The bytes `source` reads when the package is held in memory of its own
    // (a package inside one of the older format); empty otherwise.
    std::vector<unsigned char> heldBytes;
    PackageHeader epocHeader = {};     // the older format's 100 bytes, zero past a short package
    PackageCrc epocCrc = {};           // its check word as calculated over the package
    EpocFacts epocFacts;               // its component names and requisites
    EpocScript epocScript;             // its record stream beyond the files' entries
    std::unique_ptr<SisxPackage> sisx; // Symbian OS 9 and stubs
    Contents contents;

    // Whether its files could be read: a Symbian OS 9 controller may not be.
    bool readable() const { return !sisx || sisx->readable(); }
    // How many file lines it has: the range of an extraction's progress.
    uint32_t fileLineCount() const {
        return sisx ? sisx->summary().fileCount : epocHeader.pkgLinesProcessed();
    }
};

// Whether a package is read with the checksums that cover all of it (the older
// format's check word, Symbian OS 9's controller and data checksums): a preview
// skips them, so that a large package is not read whole. Skipped, they stay
// uncalculated and their boxes empty.
enum class WholeChecks { Calculated, Skipped };

// Reads the package in `source`, whose bytes must outlive it; null when they are
// not a package of any kind this program reads.
std::unique_ptr<Package> readPackage(const ByteSource& source,
                                     WholeChecks checks = WholeChecks::Calculated);

// A package inside another is read into memory up to this size.
constexpr uint64_t kMaxInnerPackageSize = 64u * 1024 * 1024;

// What opening the package that a line of another names came to.
enum class InnerResult {
    Opened,
    NoPackage,   // the line names no package inside this one
    NotAPackage, // its bytes are no package of any kind this program reads
    Unreadable,  // its bytes cannot be had whole
    TooLarge,    // it declares more than kMaxInnerPackageSize bytes
    TooDeep,     // packages are open inside packages as deep as they go
};

struct InnerPackage {
    InnerResult result = InnerResult::NoPackage;
    std::unique_ptr<Package> package; // when opened
};

// Whether line `entry` of `package` names a package inside it: a component of
// the older format with its file, or an embedded Symbian OS 9 package.
bool namesInnerPackage(const Package& package, uint32_t entry);

// Reads the package that line `entry` of `outer` names. One of the older
// format is inflated into memory that it holds itself; an embedded Symbian OS 9
// package reads its data from outer's source, which must outlive it.
InnerPackage readInnerPackage(const Package& outer, uint32_t entry);
