// Writing one stored file to disk: inflated from its zlib stream, or copied
// when the package keeps it as it is.
#include <cstring>
#include <memory>
#include <new>

#include <zlib.h>

#include "common/string_ids.h"
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

// Reads the stored bytes chunk by chunk.
struct StoredReader {
    CheckedReader bytes;
    uint64_t position = 0;

    // The next chunk, at most kChunk bytes; 0 once the data is used up.
    uint32_t next(unsigned char* buffer) {
        const size_t got = bytes.someAt(position, buffer, kChunk);
        position += got;
        return static_cast<uint32_t>(got);
    }
};

void reportError(const ExtractHost& host, int textId) {
    if (host.showMessage != nullptr) {
        host.showMessage(host.context, KindError, textId, IdsSuffixFileFunctions, nullptr);
    }
}

bool reportIfUnsafe(const ExtractHost& host, const char* name) {
    if (isSafeInstallName(name)) {
        return false;
    }
    if (host.showMessage != nullptr) {
        host.showMessage(host.context, KindError, IdsUnsafeName, 0, name);
    }
    return true;
}

// The end common to both ways of writing: size check, close, count, progress.
void finishFile(FileFunctions& files, uint64_t originalLength) {
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
                StoredReader& stored, uint64_t originalLength) {
    files.outputHandle = files.createOutput(name);
    if (files.outputHandle == kInvalidFile) {
        reportError(files.host, IdsCreateError);
        return;
    }
    uint32_t got = first;
    while (got != 0) {
        files.writeOutput(buffers.input, got);
        got = stored.next(buffers.input);
    }
    finishFile(files, originalLength);
}

void inflateStored(FileFunctions& files, const char* name, ExtractBuffers& buffers, uint32_t first,
                   StoredReader& stored, uint64_t originalLength) {
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
            stream.avail_in = stored.next(buffers.input);
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

void FileFunctions::writeStoredData(const char* name, const StoredData& data) {
    std::unique_ptr<ExtractBuffers> buffers(new (std::nothrow) ExtractBuffers);
    if (!buffers) {
        reportError(host, IdsReadError);
        return;
    }
    StoredReader stored{CheckedReader(data.bytes)};
    const uint32_t first = stored.next(buffers->input);
    if (data.coding == StoredCoding::AsIs) {
        copyStored(*this, name, *buffers, first, stored, data.originalLength);
    } else {
        inflateStored(*this, name, *buffers, first, stored, data.originalLength);
    }
}

void FileFunctions::extractStored(const char* name, uint32_t storedLength, uint32_t storedOffset,
                                  uint32_t originalLength) {
    if (reportIfUnsafe(host, name)) {
        return;
    }
    // Offset 0 would mean "at the cursor" and read the record stream instead;
    // data of which the package holds not a byte cannot be written either.
    StoredData data;
    data.bytes = source.range(storedOffset, storedLength).unbuffered();
    if (storedOffset == 0 || data.bytes.size() == 0) {
        reportError(host, IdsReadError);
        return;
    }
    data.coding = storedCoding;
    data.originalLength = originalLength;
    writeStoredData(name, data);
}

void FileFunctions::extractData(const char* name, const StoredData& data) {
    if (data.coding == StoredCoding::Missing) {
        reportError(host, IdsReadError);
        return;
    }
    if (reportIfUnsafe(host, name)) {
        return;
    }
    if (data.coding == StoredCoding::Unknown) {
        reportError(host, IdsInflateError);
        return;
    }
    writeStoredData(name, data);
}
