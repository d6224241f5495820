#pragma once
// Everything the program can check of a package without writing a byte: the
// UID checksum, the older format's check word, the Symbian OS 9 controller and
// data checksums, every file produced as extraction produces it (inflated to
// its declared size, its zlib stream and trailer, its stored SHA-1), and every
// signature.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package/opened_package.h"
#include "package/details/details_facts.h"
#include "package/extract/extraction_run.h"

struct FileCheck {
    PackageFile file; // the file checked
    FileOutcome outcome;
    uint64_t size = 0;                         // the bytes produced
    std::array<unsigned char, 32> sha256 = {}; // their SHA-256, when asked for
};

struct PackageCheck {
    std::vector<std::string> problems; // in the program's own words; none when intact
    std::vector<std::string> notes;    // what differs without being damage
    std::vector<FileCheck> files;      // one per file of the contents, in order
    bool stopped = false;              // Ctrl+C came first: the check is not whole
};

// `facts` are the package's own (gatherFacts), for its signatures.
PackageCheck checkPackage(const OpenedPackage& opened, const PackageFacts& facts, bool hashFiles);
