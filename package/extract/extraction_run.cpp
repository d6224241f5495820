// Writing one stored file to disk: inflated from its zlib stream, or copied
// when the package keeps it as it is.
#include <cstring>
#include <memory>
#include <new>

#include <zlib.h>

#include "common/string_ids.h"
#include "package/adler32.h"
#include "package/chunk_writer.h"
#include "package/extract_buffers.h"
#include "package/file_functions.h"
#include "package/safe_name.h"
#include "package/sha1.h"

namespace {

constexpr int32_t kFailuresBetweenQuestions = 10;
// A file this long is written by the run's writer thread while its next chunk
// is made; for a smaller one the hand-over would cost more than it saves.
constexpr uint64_t kOwnWriterLength = 1u << 20;

// Reads the stored bytes chunk by chunk.
struct StoredReader {
    CheckedReader bytes;
    uint64_t position = 0;

    // The next chunk, at most kInputChunk bytes; 0 once the data is used up.
    uint32_t next(unsigned char* buffer) {
        const size_t got = bytes.someAt(position, buffer, kInputChunk);
        position += got;
        return static_cast<uint32_t>(got);
    }
};

// Writes what was produced, never more than the file's declared length: a
// package cannot make a file grow past what it says the file is. Keeps the
// digest of what it wrote when the package has one to compare with, and the
// Adler-32 of what was inflated, which zlib is spared. A chunk handed to write()
// must stay untouched until the next write() or finish().
struct BoundedOutput {
    FileFunctions& files;
    const StoredData& data;
    uint64_t written = 0;
    bool overran = false;
    Sha1 digest;
    uint32_t adler = kAdler32Start;
    ChunkWriter* writer; // null: written by this thread
    bool sumsHere;       // taken by this thread, not by the writer

    BoundedOutput(FileFunctions& f, const StoredData& d)
        : files(f), data(d),
          writer(d.originalLength >= kOwnWriterLength ? f.runChunkWriter() : nullptr),
          sumsHere(writer == nullptr || cheapToProduce(d)) {}

    // Data stored as it is, or that deflate could not shrink, costs little more
    // to produce than to copy: its sums are then taken here, and the writer
    // thread, which would be the slower, only writes.
    static bool cheapToProduce(const StoredData& d) {
        return d.coding == StoredCoding::AsIs || d.bytes.size() >= d.originalLength / 8 * 7;
    }

    void takeSums(const unsigned char* bytes, uint32_t count) {
        if (data.hasSha1) {
            digest.update(bytes, count);
        }
        if (data.coding == StoredCoding::Zlib) {
            adler = adler32Update(adler, bytes, count);
        }
    }

    static void writeChunk(void* context, const unsigned char* bytes, uint32_t count) {
        BoundedOutput& self = *static_cast<BoundedOutput*>(context);
        self.files.writeOutput(bytes, count);
        if (!self.sumsHere) {
            self.takeSums(bytes, count);
        }
    }

    void write(const unsigned char* bytes, uint64_t count) {
        if (count > data.originalLength - written) {
            count = data.originalLength - written;
            overran = true;
        }
        if (count > 0) {
            if (sumsHere) {
                takeSums(bytes, static_cast<uint32_t>(count));
            }
            if (writer != nullptr) {
                writer->write(ChunkWriter::Job{this, &writeChunk}, bytes,
                              static_cast<uint32_t>(count));
            } else {
                writeChunk(this, bytes, static_cast<uint32_t>(count));
            }
            written += count;
        }
    }

    // Every chunk on disk and in the digest.
    void finish() {
        if (writer != nullptr) {
            writer->finish();
        }
    }

    bool matchesDigest() {
        if (!data.hasSha1) {
            return true;
        }
        unsigned char actual[Sha1::kDigestSize];
        digest.final(actual);
        return std::memcmp(actual, data.sha1, sizeof actual) == 0;
    }
};

// The end common to both ways of writing: size and digest checks, close, count,
// progress. A size that differs is the one reported when both do.
void finishFile(FileFunctions& files, BoundedOutput& output) {
    if (output.overran || platformFileSize(files.outputHandle) != output.data.originalLength) {
        files.reportFileError(IdsSizeDiffers);
    } else if (!output.matchesDigest()) {
        files.reportFileError(IdsChecksumDiffers);
    }
    platformClose(files.outputHandle);
    files.outputHandle = kInvalidFile;
    ++files.extractedCount;
    if (files.host.stepProgress != nullptr) {
        files.host.stepProgress(files.host.context);
    }
}

// Opens the output file; a refusal is reported unless the user chose it (a No
// to overwriting, a cancelled folder chooser).
bool openOutput(FileFunctions& files, const char* name) {
    files.outputHandle = files.createOutput(name);
    if (files.outputHandle != kInvalidFile) {
        return true;
    }
    if (files.outputOutcome == FileFunctions::Outcome::Cancelled) {
        files.runEnded = true;
    } else if (files.outputOutcome != FileFunctions::Outcome::Skipped) {
        files.reportFileError(IdsCreateError);
    }
    return false;
}

void copyStored(FileFunctions& files, const char* name, ExtractBuffers& buffers, uint32_t first,
                StoredReader& stored, const StoredData& data) {
    if (!openOutput(files, name)) {
        return;
    }
    BoundedOutput output(files, data);
    uint32_t got = first;
    int filling = 0;
    while (got != 0 && !output.overran) {
        output.write(buffers.input[filling], got);
        filling ^= 1;
        got = stored.next(buffers.input[filling]);
    }
    output.finish();
    finishFile(files, output);
}

// Whether the Adler-32 that ends the stream, in the four bytes before where
// inflate stopped, is that of all that was inflated. Only once nothing more was
// inflated than written: past the declared length, the size is what is wrong.
bool trailerMatches(StoredReader& stored, const z_stream& stream, const BoundedOutput& output) {
    const uint64_t consumed = stored.position - stream.avail_in;
    unsigned char trailer[4];
    if (consumed < sizeof trailer || !stored.bytes.bytesAt(consumed - 4, trailer, sizeof trailer)) {
        return false;
    }
    const uint32_t expected = (static_cast<uint32_t>(trailer[0]) << 24) |
                              (static_cast<uint32_t>(trailer[1]) << 16) |
                              (static_cast<uint32_t>(trailer[2]) << 8) | trailer[3];
    return expected == output.adler;
}

void inflateStored(FileFunctions& files, const char* name, ExtractBuffers& buffers, uint32_t first,
                   StoredReader& stored, const StoredData& data) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    int filling = 0;
    stream.next_in = buffers.input[0];
    stream.avail_in = first;
    stream.next_out = buffers.output[filling];
    stream.avail_out = kOutputChunk;
    if (inflateInit(&stream) != Z_OK) {
        files.reportFileError(IdsInflateInitError);
        return;
    }
    // zlib still reads the stream's header and its closing check, but leaves
    // the sum to the output, which takes it faster.
    inflateValidate(&stream, 0);
    if (!openOutput(files, name)) {
        inflateEnd(&stream);
        return;
    }
    BoundedOutput output(files, data);
    int status = inflate(&stream, Z_SYNC_FLUSH);
    while (status == Z_OK && !output.overran) {
        if (stream.avail_in == 0) {
            stream.avail_in = stored.next(buffers.input[0]);
            stream.next_in = buffers.input[0];
        }
        if (stream.avail_out == 0) {
            output.write(buffers.output[filling], kOutputChunk);
            filling ^= 1;
            stream.next_out = buffers.output[filling];
            stream.avail_out = kOutputChunk;
        }
        status = inflate(&stream, Z_SYNC_FLUSH);
    }
    // What was inflated is kept, whatever ended the stream.
    output.write(buffers.output[filling], kOutputChunk - stream.avail_out);
    output.finish();
    if (status == Z_STREAM_END && !output.overran && !trailerMatches(stored, stream, output)) {
        status = Z_DATA_ERROR;
    }
    if (status == Z_STREAM_END || output.overran) {
        finishFile(files, output);
    } else {
        // Data that ran out, corrupt data, a wrong checksum or a dictionary we
        // cannot have: what was written stays, but the file does not count.
        files.reportFileError(IdsInflateError);
        platformClose(files.outputHandle);
        files.outputHandle = kInvalidFile;
    }
    if (inflateEnd(&stream) != Z_OK) {
        files.reportFileError(IdsInflateEndError);
    }
}

} // namespace

void FileFunctions::reportFileError(int textId) {
    fileFailed = true;
    if (host.showMessage != nullptr) {
        host.showMessage(host.context, KindError, textId, IdsSuffixFileFunctions, nullptr);
    }
}

ChunkWriter* FileFunctions::runChunkWriter() {
    if (!chunkWriter) {
        chunkWriter.reset(new (std::nothrow) ChunkWriter);
        if (chunkWriter) {
            chunkWriter->start();
        }
    }
    return chunkWriter.get();
}

ExtractBuffers* FileFunctions::runBuffers() {
    if (!extractBuffers) {
        extractBuffers.reset(new (std::nothrow) ExtractBuffers);
    }
    return extractBuffers.get();
}

void FileFunctions::endRun() {
    chunkWriter.reset();
    extractBuffers.reset();
}

void FileFunctions::startRun() {
    failedCount = 0;
    runEnded = false;
    madeFolder[0] = '\0';
}

void FileFunctions::endFile() {
    if (!fileFailed) {
        return;
    }
    fileFailed = false;
    ++failedCount;
    if (failedCount % kFailuresBetweenQuestions == 0 && !runEnded && host.askToGoOn != nullptr &&
        host.askToGoOn(host.context, IdsGoOnAfterFailures, failedCount) == AnswerNo) {
        runEnded = true;
    }
}

void FileFunctions::writeStoredData(const char* name, const StoredData& data) {
    ExtractBuffers* buffers = runBuffers();
    if (buffers == nullptr) {
        reportFileError(IdsReadError);
        return;
    }
    // Stored data goes a chunk at a time, past the blocks that serve small reads.
    StoredReader stored{CheckedReader(data.bytes.unbuffered())};
    const uint32_t first = stored.next(buffers->input[0]);
    if (data.coding == StoredCoding::AsIs) {
        copyStored(*this, name, *buffers, first, stored, data);
    } else {
        inflateStored(*this, name, *buffers, first, stored, data);
    }
}

namespace {

bool refusedAsUnsafe(FileFunctions& files, const char* name) {
    if (isSafeInstallName(name)) {
        return false;
    }
    files.fileFailed = true;
    if (files.host.showMessage != nullptr) {
        files.host.showMessage(files.host.context, KindError, IdsUnsafeName, 0, name);
    }
    return true;
}

} // namespace

void FileFunctions::extractStored(const char* name, uint32_t storedLength, uint32_t storedOffset,
                                  uint32_t originalLength) {
    fileFailed = false;
    // Offset 0 would mean "at the cursor" and read the record stream instead;
    // data of which the package holds not a byte cannot be written either.
    StoredData data;
    data.bytes = source.range(storedOffset, storedLength);
    data.coding = storedCoding;
    data.originalLength = originalLength;
    if (!refusedAsUnsafe(*this, name)) {
        if (storedOffset == 0 || data.bytes.size() == 0) {
            reportFileError(IdsReadError);
        } else {
            writeStoredData(name, data);
        }
    }
    endFile();
}

void FileFunctions::extractData(const char* name, const StoredData& data) {
    fileFailed = false;
    if (data.coding == StoredCoding::Missing) {
        reportFileError(IdsReadError);
    } else if (!refusedAsUnsafe(*this, name)) {
        if (data.coding == StoredCoding::Unknown) {
            reportFileError(IdsInflateError);
        } else {
            writeStoredData(name, data);
        }
    }
    endFile();
}
