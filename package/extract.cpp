// Writing one stored file to disk: inflated from its zlib stream, or copied
// when the package keeps its files as they are.
#include <cstring>
#include <memory>
#include <new>

#include <zlib.h>

#include "display/string_ids.h"
#include "package/file_functions.h"
#include "package/safe_name.h"

namespace {

// One chunk of stored or inflated data; not 65536, so every chunk length fits
// the 16-bit counts the original tool worked with.
constexpr uint32_t kChunk = 65535;

struct ExtractBuffers {
    unsigned char input[kChunk];
    unsigned char output[kChunk];
};

// Where the stored data stands: the next byte to read and the end of the data
// as the record gives it (which may lie past the end of the package).
struct StoredRange {
    uint64_t position;
    uint64_t end;
};

void reportError(const ExtractHost& host, int textId) {
    if (host.showMessage != nullptr) {
        host.showMessage(host.context, KindError, textId, IdsSuffixFileFunctions, nullptr);
    }
}

} // namespace

bool FileFunctions::storesUncompressedData() {
    unsigned char uid1[4] = {};
    unsigned char flags[2] = {};
    readAt(uid1, sizeof uid1, 4);
    readAt(flags, sizeof flags, 36);
    const uint16_t flagWord = static_cast<uint16_t>(flags[0] | (flags[1] << 8));
    return readLe32(uid1) == kUidRelease5 || (flagWord & kFlagNoCompress) != 0;
}

namespace {

// The next chunk of stored data, at most kChunk bytes; 0 once it is used up.
uint32_t readStoredChunk(FileFunctions& files, unsigned char* buffer, StoredRange& range) {
    if (range.position >= range.end || range.position > 0xFFFFFFFFull) {
        return 0;
    }
    uint64_t count = range.end - range.position;
    if (count > kChunk) {
        count = kChunk;
    }
    uint32_t got =
        files.readAt(buffer, static_cast<uint32_t>(count), static_cast<uint32_t>(range.position));
    range.position += got;
    return got;
}

// The end common to both ways of writing: size check, close, count, progress.
void finishFile(FileFunctions& files, uint32_t originalLength) {
    if (platformFileSize(files.outputHandle) != originalLength) {
        reportError(files.host, IdsSizeDiffers);
    }
    platformClose(files.outputHandle);
    files.outputHandle = kInvalidFile;
    ++files.extractedCount;
    if (files.host.stepProgress != nullptr) {
        files.host.stepProgress(files.host.context);
    }
}

void copyStored(FileFunctions& files, const char* name, ExtractBuffers& buffers, uint32_t first,
                StoredRange& range, uint32_t originalLength) {
    files.outputHandle = files.createOutput(name);
    if (files.outputHandle == kInvalidFile) {
        reportError(files.host, IdsCreateError);
        return;
    }
    uint32_t got = first;
    while (got != 0) {
        files.writeOutput(buffers.input, got);
        got = readStoredChunk(files, buffers.input, range);
    }
    finishFile(files, originalLength);
}

void inflateStored(FileFunctions& files, const char* name, ExtractBuffers& buffers, uint32_t first,
                   StoredRange& range, uint32_t originalLength) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    stream.next_in = buffers.input;
    stream.avail_in = first;
    stream.next_out = buffers.output;
    stream.avail_out = kChunk;
    if (inflateInit(&stream) != Z_OK) {
        reportError(files.host, IdsInflateInitError);
        return;
    }
    files.outputHandle = files.createOutput(name);
    if (files.outputHandle == kInvalidFile) {
        reportError(files.host, IdsCreateError);
        inflateEnd(&stream);
        return;
    }
    int status = inflate(&stream, Z_SYNC_FLUSH);
    while (status == Z_OK) {
        if (stream.avail_in == 0) {
            stream.avail_in = readStoredChunk(files, buffers.input, range);
            stream.next_in = buffers.input;
        }
        if (stream.avail_out == 0) {
            files.writeOutput(buffers.output, kChunk);
            stream.next_out = buffers.output;
            stream.avail_out = kChunk;
        }
        status = inflate(&stream, Z_SYNC_FLUSH);
    }
    if (status == Z_STREAM_END) {
        files.writeOutput(buffers.output, kChunk - stream.avail_out);
        finishFile(files, originalLength);
    } else {
        // Data that ran out, corrupt data, a wrong checksum or a dictionary we
        // cannot have: what was written stays, but the file does not count.
        reportError(files.host, IdsInflateError);
        platformClose(files.outputHandle);
        files.outputHandle = kInvalidFile;
    }
    if (inflateEnd(&stream) != Z_OK) {
        reportError(files.host, IdsInflateEndError);
    }
}

} // namespace

void FileFunctions::extractStored(const char* name, uint32_t storedLength, uint32_t storedOffset,
                                  uint32_t originalLength) {
    if (!isSafeInstallName(name)) {
        if (host.showMessage != nullptr) {
            host.showMessage(host.context, KindError, IdsUnsafeName, 0, name);
        }
        return;
    }
    // Offset 0 would mean "at the cursor" and read the record stream instead.
    if (storedOffset == 0) {
        reportError(host, IdsReadError);
        return;
    }
    std::unique_ptr<ExtractBuffers> buffers(new (std::nothrow) ExtractBuffers);
    if (!buffers) {
        reportError(host, IdsReadError);
        return;
    }
    const uint32_t firstCount = storedLength < kChunk ? storedLength : kChunk;
    const uint32_t first = readAt(buffers->input, firstCount, storedOffset);
    if (first == 0) {
        reportError(host, IdsReadError);
        return;
    }
    StoredRange range = {static_cast<uint64_t>(storedOffset) + first,
                         static_cast<uint64_t>(storedOffset) + storedLength};
    if (storesUncompressedData()) {
        copyStored(*this, name, *buffers, first, range, originalLength);
    } else {
        inflateStored(*this, name, *buffers, first, range, originalLength);
    }
}
