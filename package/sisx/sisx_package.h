#pragma once
// Symbian OS 9 packages ("SISX"): the header, the controller read into memory,
// the summary the header panel shows, and the walk that lists and extracts.
#include <cstdint>
#include <string>
#include <vector>

#include "package/io/byte_source.h"
#include "package/model/contents.h"
#include "package/sisx/sisx_controller.h"
#include "package/sisx/sisx_field.h"

constexpr uint32_t kSisxUid1 = 0x10201A7A;

// Whether a package whose first word is `word0` is a Symbian OS 9 package.
constexpr bool isSisxUid1(uint32_t word0) {
    return word0 == kSisxUid1;
}
// Whether a file starting with `word0` may be a stub: a bare controller field,
// without the 16-byte header, as phones keep for installed and ROM packages.
constexpr bool isSisxStubStart(uint32_t word0) {
    return word0 == sisx::kController;
}

// The controller is inflated into memory only up to this size; the largest
// known one is about 25 KB.
constexpr uint64_t kMaxControllerSize = 16u * 1024 * 1024;

struct SisxSummary {
    // False for a stub, which has no 16-byte header: its boxes stay empty.
    bool hasFileHeader = true;
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

// One opened Symbian OS 9 package, or a stub. The source's file or memory must
// stay open for as long as the object is used: file data is read from it.
class SisxPackage {
  public:
    // Reads the header and the controller (a stub: the controller at offset 0).
    // The computed checksums read the whole Data field, most of the file:
    // without `computeChecksums` they stay unset.
    explicit SisxPackage(const ByteSource& package, bool computeChecksums = true);
    // The package embedded in `outer` that the `component`-th component line of
    // outer's contents names (counted from 0, depth first as the list shows
    // them): that controller with its own files, whose data lies in outer's Data
    // field. It has no header of its own, and is unreadable when outer has no
    // such package.
    SisxPackage(const SisxPackage& outer, uint32_t component);

    const SisxSummary& summary() const { return summary_; }
    bool readable() const { return summary_.readable; }
    bool isStub() const { return stub_; }
    const sisx::Controller& controller() const { return top_; }
    // The controller as inflated, for what is read of it later (signatures
    // cover it from its first member up to each chain).
    const std::vector<unsigned char>& controllerBytes() const { return controllerBytes_; }

    // What its files' data is read from: the package's bytes, the Data field
    // there (null when it has none) and the unit that the top controller's
    // DataIndex counts from (0, or that of the package around an embedded one).
    const ByteSource& source() const { return package_; }
    const sisx::Span* dataField() const { return hasData_ ? &data_ : nullptr; }
    uint64_t baseUnit() const { return baseUnit_; }

    // Every file description and embedded package as the list shows them,
    // depth first in stored order, and the files extraction writes with where
    // their data lies. Empty when the controller is unreadable; a stub's files
    // are listed but, holding no data, have none to write.
    Contents contents() const;

  private:
    void readContents(bool computeChecksums);
    void readStub();
    bool loadController(uint32_t algorithm, uint64_t declaredSize, const ByteSource& payload);
    void summarise();

    ByteSource package_;
    SisxSummary summary_;
    sisx::Controller top_;
    std::vector<unsigned char> controllerBytes_;
    bool hasData_ = false;
    sisx::Span data_; // the Data field, in package offsets
    bool stub_ = false;
    // The data unit the top controller's DataIndex counts from: 0, or for an
    // embedded package the unit of the package around it.
    uint64_t baseUnit_ = 0;
};
