#pragma once
// A package read once: what kind it is, the facts its header panel shows, and
// its contents. The format is decided here, and only here.
#include <cstdint>
#include <memory>

#include "package/checks/file_crc.h"
#include "package/epoc/format.h"
#include "package/io/byte_source.h"
#include "package/model/contents.h"
#include "package/sisx/sisx_package.h"

enum class PackageKind {
    Epoc,     // the older format: word 2 is 0x10000419
    Sisx,     // Symbian OS 9: word 0 is 0x10201A7A
    SisxStub, // a Symbian OS 9 controller alone, as phones keep for installed packages
};

struct Package {
    PackageKind kind = PackageKind::Epoc;
    ByteSource source;
    PackageHeader epocHeader = {};     // the older format's 100 bytes, zero past a short package
    PackageCrc epocCrc = {};           // its check word as calculated over the package
    std::unique_ptr<SisxPackage> sisx; // Symbian OS 9 and stubs
    Contents contents;

    // Whether its files could be read: a Symbian OS 9 controller may not be.
    bool readable() const { return !sisx || sisx->readable(); }
    // How many file lines it has: the range of an extraction's progress.
    uint32_t fileLineCount() const {
        return sisx ? sisx->summary().fileCount : epocHeader.pkgLinesProcessed();
    }
};

// Reads the package in `source`, whose bytes must outlive it; null when they are
// not a package of any kind this program reads.
std::unique_ptr<Package> readPackage(const ByteSource& source);
