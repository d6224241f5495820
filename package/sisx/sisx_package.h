#pragma once
// Symbian OS 9 packages ("SISX"): the header, the controller read into memory,
// the summary the header panel shows, and the walk that lists and extracts.
#include <cstdint>
#include <string>
#include <vector>

#include "package/byte_source.h"
#include "package/format.h"
#include "package/file_functions.h"
#include "package/sisx_controller.h"
#include "package/sisx_field.h"

constexpr uint32_t kSisxUid1 = 0x10201A7A;

// Whether a package whose first word is `word0` is a Symbian OS 9 package.
constexpr bool isSisxUid1(uint32_t word0) {
    return word0 == kSisxUid1;
}
bool isSisxPackage(const ByteSource& package);

// The controller is inflated into memory only up to this size; the largest
// known one is about 25 KB.
constexpr uint64_t kMaxControllerSize = 16u * 1024 * 1024;

struct SisxSummary {
    // The header words as stored (zero where the package is shorter).
    uint32_t uid1 = 0;        // offset 0
    uint32_t uid2 = 0;        // offset 4
    uint32_t uid3 = 0;        // offset 8
    uint32_t uidChecksum = 0; // offset 12

    // Everything below holds only when the controller could be read.
    bool readable = false;
    uint32_t packageUid = 0; // the controller's own
    std::vector<uint32_t> languages;
    uint32_t fileCount = 0; // file descriptions at every level, embedded packages' included
    uint32_t dependencyCount = 0;
    uint8_t installType = 0;
    uint8_t installFlags = 0;
    int32_t versionMajor = 0;
    int32_t versionMinor = 0;
    int32_t versionBuild = 0;
    uint32_t certificateChains = 0;
    std::string firstSignatureAlgorithm; // UTF-8, as stored; empty without a chain
    uint64_t spaceRequired = 0;          // sum of every file's uncompressed length

    // The stored checksums (each optional), and the CRCs computed over what each
    // covers when that part of the package could be found.
    bool hasStoredControllerChecksum = false;
    uint16_t storedControllerChecksum = 0;
    bool hasStoredDataChecksum = false;
    uint16_t storedDataChecksum = 0;
    bool controllerChecksumComputed = false;
    uint16_t computedControllerChecksum = 0;
    bool dataChecksumComputed = false;
    uint16_t computedDataChecksum = 0;
};

// One opened Symbian OS 9 package. The source's file or memory must stay open
// for as long as the object is used: file data is read from it on demand.
class SisxPackage {
  public:
    // Reads the header and the controller. The computed checksums read the whole
    // Data field, most of the file: without `computeChecksums` they stay unset.
    explicit SisxPackage(const ByteSource& package, bool computeChecksums = true);

    const SisxSummary& summary() const { return summary_; }
    bool readable() const { return summary_.readable; }
    const sisx::Controller& controller() const { return top_; }

    // In list mode, one addListEntry per file description and per embedded
    // package; in extract mode, one extractData per file that is installed from
    // the package's data. Does nothing when the controller is unreadable.
    void walk(WalkMode mode, const WalkOutputs& outputs) const;

  private:
    void readContents(bool computeChecksums);
    bool loadController(uint32_t algorithm, uint64_t declaredSize, const ByteSource& payload,
                        std::vector<unsigned char>* out) const;
    void summarise();

    ByteSource package_;
    SisxSummary summary_;
    sisx::Controller top_;
    bool hasData_ = false;
    sisx::Span data_; // the Data field, in package offsets
};
