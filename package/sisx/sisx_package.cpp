// Opening a Symbian OS 9 package: header, Contents, the controller brought into
// memory, and the numbers the header panel shows.
#include "package/sisx/sisx_package.h"

#include <cstdint>

#include "package/checks/file_crc.h"
#include "package/io/inflate_stream.h"

namespace {

uint32_t wordAt(const unsigned char* header, size_t offset) {
    return le32(header + offset);
}

struct EmbeddedAt {
    const sisx::Controller* controller = nullptr;
    uint64_t baseUnit = 0; // the unit its DataIndex counts from
};

// The `*remaining`-th embedded package below `block`, in the order the list
// shows their lines: each package before the ones it embeds, a block's
// embedded packages before its If branches.
bool findEmbedded(const sisx::InstallBlock& block, uint64_t unit, uint32_t* remaining,
                  EmbeddedAt* found) {
    for (const sisx::Controller& embedded : block.embedded) {
        if (*remaining == 0) {
            found->controller = &embedded;
            found->baseUnit = unit;
            return true;
        }
        --*remaining;
        if (findEmbedded(embedded.block, unit + embedded.dataIndex, remaining, found)) {
            return true;
        }
    }
    for (const sisx::InstallBlock& branch : block.branches) {
        if (findEmbedded(branch, unit, remaining, found)) {
            return true;
        }
    }
    return false;
}

} // namespace

SisxPackage::SisxPackage(const ByteSource& package, bool computeChecksums) : package_(package) {
    unsigned char header[16] = {};
    CheckedReader(package_).someAt(0, header, sizeof header);
    summary_.uid1 = wordAt(header, 0);
    summary_.uid2 = wordAt(header, 4);
    summary_.uid3 = wordAt(header, 8);
    summary_.uidChecksum = wordAt(header, 12);
    if (isSisxUid1(summary_.uid1)) {
        readContents(computeChecksums);
    } else if (isSisxStubStart(summary_.uid1)) {
        readStub();
    }
    if (summary_.readable) {
        summarise();
    } else {
        top_ = sisx::Controller();
        std::vector<unsigned char>().swap(controllerBytes_);
    }
}

SisxPackage::SisxPackage(const SisxPackage& outer, uint32_t component)
    : package_(outer.package_), hasData_(outer.hasData_), data_(outer.data_), stub_(outer.stub_) {
    summary_.hasFileHeader = false;
    summary_.uid1 = summary_.uid2 = summary_.uid3 = summary_.uidChecksum = 0;
    EmbeddedAt found;
    uint32_t remaining = component;
    if (!outer.readable() || !findEmbedded(outer.top_.block, outer.baseUnit_ + outer.top_.dataIndex,
                                           &remaining, &found)) {
        return;
    }
    top_ = *found.controller;
    baseUnit_ = found.baseUnit;
    // Its chains' offsets point into the controller it was read from.
    controllerBytes_ = outer.controllerBytes_;
    summary_.readable = true;
    summarise();
}

void SisxPackage::readContents(bool computeChecksums) {
    using namespace sisx;
    FieldReader in(package_, 16);
    CheckedReader& raw = in.raw();
    const Span contents = in.field(kContents, wholeOf(package_));
    if (in.peek(kControllerChecksum, contents)) {
        const Span checksum = in.field(kControllerChecksum, contents);
        in.require(2, checksum);
        summary_.storedControllerChecksum = raw.u16();
        summary_.hasStoredControllerChecksum = in.ok();
        in.leave(checksum);
    }
    if (in.peek(kDataChecksum, contents)) {
        const Span checksum = in.field(kDataChecksum, contents);
        in.require(2, checksum);
        summary_.storedDataChecksum = raw.u16();
        summary_.hasStoredDataChecksum = in.ok();
        in.leave(checksum);
    }
    const Span compressed = in.field(kCompressed, contents);
    in.require(12, compressed);
    const uint32_t algorithm = raw.u32();
    const uint64_t declaredSize = raw.u64();
    const uint64_t payloadStart = in.position();
    if (!in.ok()) {
        return;
    }
    if (computeChecksums) {
        summary_.controllerChecksumComputed = true;
        summary_.computedControllerChecksum =
            crc16OfSource(package_.range(compressed.start, compressed.next - compressed.start));
    }
    in.leave(compressed);

    // The controller can be read without the data: files then lack their data only.
    const Span data = in.field(kData, contents);
    if (in.ok()) {
        hasData_ = true;
        data_ = data;
    }
    if (in.ok() && computeChecksums) {
        summary_.dataChecksumComputed = true;
        summary_.computedDataChecksum =
            crc16OfSource(package_.range(data.start, data.end - data.start));
    }

    const ByteSource payload = package_.range(payloadStart, compressed.end - payloadStart);
    if (loadController(algorithm, declaredSize, payload)) {
        summary_.readable = sisx::parseController(
            ByteSource::fromMemory(controllerBytes_.data(), controllerBytes_.size()), &top_);
    }
}

// A stub is its controller field alone, read as it lies: no header, no data.
void SisxPackage::readStub() {
    stub_ = true;
    summary_.hasFileHeader = false;
    summary_.uid1 = summary_.uid2 = summary_.uid3 = summary_.uidChecksum = 0;
    sisx::FieldReader in(package_);
    const sisx::Span field = in.field(sisx::kController, sisx::wholeOf(package_));
    if (!in.ok() || field.end > kMaxControllerSize) {
        return;
    }
    if (loadController(0, field.end, package_.range(0, field.end))) {
        summary_.readable = sisx::parseController(
            ByteSource::fromMemory(controllerBytes_.data(), controllerBytes_.size()), &top_);
    }
}

bool SisxPackage::loadController(uint32_t algorithm, uint64_t declaredSize,
                                 const ByteSource& payload) {
    std::vector<unsigned char>* out = &controllerBytes_;
    if (declaredSize > kMaxControllerSize || (algorithm != 0 && algorithm != 1)) {
        return false;
    }
    if (algorithm == 0 && payload.size() != declaredSize) {
        return false;
    }
    if (algorithm == 0) {
        out->resize(static_cast<size_t>(declaredSize));
        return out->empty() || payload.readSome(0, out->data(), out->size()) == out->size();
    }
    return inflateWhole(payload, static_cast<size_t>(declaredSize), out);
}

namespace {

void countFiles(const sisx::InstallBlock& block, SisxSummary* summary) {
    for (const sisx::FileDescription& file : block.files) {
        ++summary->fileCount;
        // Hostile lengths could wrap the sum; the largest value says "too much" as well.
        const uint64_t room = UINT64_MAX - summary->spaceRequired;
        summary->spaceRequired += file.uncompressedLength < room ? file.uncompressedLength : room;
    }
    for (const sisx::Controller& embedded : block.embedded) {
        countFiles(embedded.block, summary);
    }
    for (const sisx::InstallBlock& branch : block.branches) {
        countFiles(branch, summary);
    }
}

} // namespace

void SisxPackage::summarise() {
    summary_.packageUid = top_.uid;
    summary_.languages = top_.languages;
    summary_.dependencyCount = top_.dependencyCount;
    summary_.installType = top_.installType;
    summary_.installFlags = top_.installFlags;
    summary_.versionMajor = top_.versionMajor;
    summary_.versionMinor = top_.versionMinor;
    summary_.versionBuild = top_.versionBuild;
    summary_.certificateChains = top_.chainCount;
    summary_.firstSignatureAlgorithm = top_.firstAlgorithm;
    countFiles(top_.block, &summary_);
}
