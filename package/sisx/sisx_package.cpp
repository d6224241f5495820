// Opening a Symbian OS 9 package: header, Contents, the controller brought into
// memory, and the numbers the header panel shows.
#include <cstdint>

#include <zlib.h>

#include "package/sisx.h"

#include "package/file_crc.h"

namespace {

constexpr size_t kChunk = 16 * 1024;

uint32_t wordAt(const unsigned char* header, size_t offset) {
    return le32(header + offset);
}

// Inflates the zlib stream in `payload` into exactly `out->size()` bytes; a
// stream that ends early, runs longer, or is broken fails.
bool inflateExactly(const ByteSource& payload, std::vector<unsigned char>* out) {
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    // One byte more than expected, so that a stream running long is seen.
    const size_t expected = out->size();
    out->resize(expected + 1);
    stream.next_out = out->data();
    stream.avail_out = static_cast<uInt>(out->size());
    unsigned char input[kChunk];
    uint64_t offset = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.avail_in == 0) {
            const size_t got = CheckedReader(payload).someAt(offset, input, sizeof input);
            if (got == 0) {
                break; // the stream ends before its end mark
            }
            offset += got;
            stream.next_in = input;
            stream.avail_in = static_cast<uInt>(got);
        }
        status = inflate(&stream, Z_NO_FLUSH);
    }
    const bool whole = status == Z_STREAM_END && stream.total_out == expected;
    inflateEnd(&stream);
    out->resize(expected);
    return whole;
}

} // namespace

bool isSisxPackage(const ByteSource& package) {
    unsigned char word[4] = {};
    return CheckedReader(package).someAt(0, word, sizeof word) == sizeof word &&
           isSisxUid1(le32(word));
}

SisxPackage::SisxPackage(const ByteSource& package, bool computeChecksums) : package_(package) {
    unsigned char header[16] = {};
    CheckedReader(package_).someAt(0, header, sizeof header);
    summary_.uid1 = wordAt(header, 0);
    summary_.uid2 = wordAt(header, 4);
    summary_.uid3 = wordAt(header, 8);
    summary_.uidChecksum = wordAt(header, 12);
    if (isSisxUid1(summary_.uid1)) {
        readContents(computeChecksums);
    }
    if (summary_.readable) {
        summarise();
    } else {
        top_ = sisx::Controller();
    }
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

    std::vector<unsigned char> inflated;
    const ByteSource payload = package_.range(payloadStart, compressed.end - payloadStart);
    if (loadController(algorithm, declaredSize, payload, &inflated)) {
        summary_.readable =
            sisx::parseController(ByteSource::fromMemory(inflated.data(), inflated.size()), &top_);
    }
}

bool SisxPackage::loadController(uint32_t algorithm, uint64_t declaredSize,
                                 const ByteSource& payload, std::vector<unsigned char>* out) const {
    if (declaredSize > kMaxControllerSize || (algorithm != 0 && algorithm != 1)) {
        return false;
    }
    if (algorithm == 0 && payload.size() != declaredSize) {
        return false;
    }
    out->resize(static_cast<size_t>(declaredSize));
    if (algorithm == 0) {
        return out->empty() ||
               CheckedReader(payload).someAt(0, out->data(), out->size()) == out->size();
    }
    return inflateExactly(payload, out);
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
