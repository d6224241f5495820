// Writing the files of a package to disk: each inflated from its zlib stream,
// or copied when the package keeps it as it is, below the run's folder.
#include "package/extract/extraction_run.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <new>

#include "common/destinations.h"
#include "common/string_ids.h"
#include "package/checks/adler32.h"
#include "package/checks/digests.h"
#include "package/extract/chunk_writer.h"
#include "package/extract/extract_buffers.h"
#include "package/extract/output_path.h"
#include "package/extract/safe_name.h"
#include "package/io/inflate_stream.h"

namespace {

constexpr int32_t kFailuresBetweenQuestions = 10;
// A file this long is written by the run's writer thread while its next chunk
// is made; for a smaller one the hand-over would cost more than it saves.
constexpr uint64_t kOwnWriterLength = 1u << 20;

// Data stored as it is, or that deflate could not shrink, costs little more to
// produce than to copy: its sums are then taken by the thread that makes it,
// and the writer thread, which would be the slower, only writes.
bool cheapToProduce(const StoredData& data) {
    return data.coding == StoredCoding::AsIs || data.bytes.size() >= data.originalLength / 8 * 7;
}

} // namespace

// Reads the stored bytes chunk by chunk, each a read of its own: blocks read
// ahead would only copy them once more.
struct ExtractionRun::StoredReader {
    ByteSource bytes;
    uint64_t position = 0;

    // The next chunk, at most kInputChunk bytes; 0 once the data is used up.
    uint32_t next(unsigned char* buffer) {
        const size_t got = bytes.readSome(position, buffer, kInputChunk);
        position += got;
        return static_cast<uint32_t>(got);
    }
};

// Writes what was produced, never more than the file's declared length: a
// package cannot make a file grow past what it says the file is. Keeps the
// digest of what it wrote when the package has one to compare with, and the
// Adler-32 of what was inflated, which zlib is spared. A chunk handed to write()
// must stay untouched until the next write() or finish(). A file checked rather
// than extracted has no handle, and its bytes go to `content` alone, if anywhere.
struct ExtractionRun::Output : ChunkSink, InflateSink {
    FileHandle file;
    OutputPlace place; // where `file` goes; its temporary name is empty when checked only
    const StoredData& data;
    ExtractHost& host;
    ContentSink* content;
    uint64_t written = 0;
    bool overran = false;
    bool stopped = false;
    // Set by whichever thread writes when a write fails; nothing more is written then.
    std::atomic<bool> writeFailed{false};
    WriteFailure failure = WriteFailure::Other;
    std::optional<Sha1> digest; // made only for a file the package keeps a digest of
    uint32_t adler = kAdler32Start;
    ChunkWriter* writer; // null: written by this thread
    bool sumsHere;       // taken by this thread, not by the writer

    Output(FileHandle f, const StoredData& d, ExtractHost& h, ContentSink* c, ChunkWriter* w)
        : file(f), data(d), host(h), content(c), writer(w),
          sumsHere(w == nullptr || cheapToProduce(d)) {
        if (d.hasSha1) {
            digest.emplace();
        }
    }

    bool stopRequested() {
        stopped = stopped || host.stopRequested();
        return stopped;
    }

    uint64_t size() const { return file != kInvalidFile ? platformFileSize(file) : written; }

    void takeSums(const unsigned char* bytes, uint32_t count) {
        if (digest) {
            digest->update(bytes, count);
        }
        if (data.coding == StoredCoding::Zlib) {
            adler = adler32Update(adler, bytes, count);
        }
    }

    void writeChunk(const unsigned char* bytes, uint32_t count) override {
        if (file != kInvalidFile && !writeFailed && platformWrite(file, bytes, count) != count) {
            failure = platformLastWriteFailure();
            writeFailed = true;
        }
        if (content != nullptr) {
            content->take(bytes, count);
        }
        if (!sumsHere) {
            takeSums(bytes, count);
        }
    }

    bool take(const unsigned char* bytes, uint32_t count) override {
        write(bytes, count);
        return !overran && !writeFailed && !stopRequested();
    }

    void write(const unsigned char* bytes, uint64_t count) {
        if (count > data.originalLength - written) {
            count = data.originalLength - written;
            overran = true;
        }
        if (count == 0) {
            return;
        }
        if (sumsHere) {
            takeSums(bytes, static_cast<uint32_t>(count));
        }
        if (writer != nullptr) {
            writer->write(*this, bytes, static_cast<uint32_t>(count));
        } else {
            writeChunk(bytes, static_cast<uint32_t>(count));
        }
        written += count;
    }

    // Every chunk on disk and in the digest.
    void finish() {
        if (writer != nullptr) {
            writer->finish();
        }
    }

    bool matchesDigest() {
        if (!digest) {
            return true;
        }
        unsigned char actual[Sha1::kDigestSize];
        digest->final(actual);
        return std::memcmp(actual, data.sha1, sizeof actual) == 0;
    }
};

ExtractionRun::ExtractionRun(const ByteSource& package, const Contents& contents,
                             const char* packagePath, const ExtractSettings& settings,
                             ExtractHost& host)
    : package_(package), contents_(contents), packagePath_(packagePath), settings_(settings),
      host_(host),
      temporarySeed_(static_cast<uint32_t>(
          static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
          2654435761u)) {}

// The writer thread stops, and the buffers go, with the run.
ExtractionRun::~ExtractionRun() = default;

FileOutcome ExtractionRun::extract(const PackageFile& file) {
    return produce(file, Target{true, nullptr});
}

FileOutcome ExtractionRun::verify(const PackageFile& file, ContentSink* content) {
    return produce(file, Target{false, content});
}

FileOutcome ExtractionRun::produce(const PackageFile& file, const Target& target) {
    if (ended_ || host_.stopRequested()) {
        ended_ = true;
        return {FileResult::RunEnded, 0};
    }
    const std::string name = contents_.extractionName(file);
    FileOutcome outcome;
    if (!isSafeInstallName(name.c_str())) {
        host_.showMessage(KindError, IdsUnsafeName, 0, name.c_str());
        outcome.message = IdsUnsafeName;
    } else if (file.data.coding == StoredCoding::Missing) {
        outcome.message = fail(IdsReadError);
    } else if (file.nameTooLong) {
        // Cut, it would name another file.
        outcome.message = fail(IdsCreateError);
    } else if (file.data.coding == StoredCoding::Unknown) {
        outcome.message = fail(IdsInflateError);
    } else {
        outcome = write(storedData(file), name, target);
    }
    countFailure(outcome);
    return outcome;
}

StoredData ExtractionRun::storedData(const PackageFile& file) const {
    StoredData data;
    data.bytes = package_.range(file.data.offset, file.data.length);
    data.coding = file.data.coding;
    data.originalLength = file.data.originalLength;
    if (file.digest < contents_.digests.size()) {
        data.hasSha1 = true;
        std::memcpy(data.sha1, contents_.digests[file.digest].data(), sizeof data.sha1);
    }
    return data;
}

int ExtractionRun::fail(int textId) {
    host_.showMessage(KindError, textId, IdsSuffixFileFunctions, nullptr);
    return textId;
}

// A file that raised an error counts as failed; after every tenth the user is
// asked whether to go on, and a No ends the run.
void ExtractionRun::countFailure(const FileOutcome& outcome) {
    if (outcome.message == 0) {
        return;
    }
    ++failedCount_;
    if (failedCount_ % kFailuresBetweenQuestions == 0 && !ended_ &&
        host_.askToGoOn(IdsGoOnAfterFailures, failedCount_) == AnswerNo) {
        ended_ = true;
    }
}

ChunkWriter* ExtractionRun::chunkWriter() {
    if (!chunkWriter_) {
        chunkWriter_.reset(new (std::nothrow) ChunkWriter);
        if (chunkWriter_) {
            chunkWriter_->start();
        }
    }
    return chunkWriter_.get();
}

ExtractBuffers* ExtractionRun::buffers() {
    if (!buffers_) {
        buffers_.reset(new (std::nothrow) ExtractBuffers);
    }
    return buffers_.get();
}

FileOutcome ExtractionRun::write(const StoredData& data, const std::string& name,
                                 const Target& target) {
    ExtractBuffers* run = buffers();
    if (run == nullptr) {
        return {FileResult::Failed, fail(IdsReadError)};
    }
    StoredReader stored{data.bytes};
    const uint32_t first = stored.next(run->input[0]);
    FileOutcome outcome;
    OutputPlace place;
    FileHandle file = kInvalidFile;
    if (target.toDisk && (file = openOutput(name, &place, &outcome)) == kInvalidFile) {
        return outcome;
    }
    Output output(file, data, host_, target.content,
                  data.originalLength >= kOwnWriterLength ? chunkWriter() : nullptr);
    output.place = place;
    if (data.coding == StoredCoding::AsIs) {
        return copyStored(*run, first, stored, output);
    }
    return inflateStored(*run, first, stored, output);
}

// The end common to both ways of writing: size and digest checks, close, the
// final name, count, progress. Only a whole file gets its final name and is
// counted; a size that differs is the one reported when both differ. A package
// whose data is longer than it declares still gives the whole declared file.
FileOutcome ExtractionRun::finishFile(Output& output) {
    const bool shortened = !output.overran && output.size() != output.data.originalLength;
    const bool closed = output.file == kInvalidFile || platformClose(output.file);
    if (!closed && !output.writeFailed) {
        output.failure = platformLastWriteFailure();
        output.writeFailed = true;
    }
    output.file = kInvalidFile;
    if (output.writeFailed) {
        return discard(output, failWrite(output));
    }
    if (shortened) {
        return discard(output, fail(IdsSizeDiffers));
    }
    FileOutcome outcome{FileResult::Written, 0};
    if (output.overran) {
        outcome.message = fail(IdsSizeDiffers);
    } else if (!output.matchesDigest()) {
        outcome.message = fail(IdsChecksumDiffers);
    }
    if (!output.place.temporary.empty() && !output.place.named) {
        const FileResult named = giveFinalName(output);
        if (named != FileResult::Written) {
            platformRemoveFile(output.place.temporary.c_str());
            return {named, named == FileResult::Failed ? fail(IdsCreateError) : 0};
        }
    }
    ++extractedCount_;
    host_.stepProgress();
    return outcome;
}

// Renames the whole temporary file to its final name: over the file there only
// when that may be replaced; one that came meanwhile is asked about as any other.
FileResult ExtractionRun::giveFinalName(const Output& output) {
    const OutputPlace& place = output.place;
    CreateResult renamed =
        platformRename(place.temporary.c_str(), place.path.c_str(), place.replace);
    if (renamed == CreateResult::Exists) {
        if (settings_.overwriteFiles ||
            host_.showMessage(KindQuestion, IdsAlreadyExists, 0, place.path.c_str()) != AnswerYes) {
            return FileResult::Skipped;
        }
        renamed = platformRename(place.temporary.c_str(), place.path.c_str(), true);
    }
    return renamed == CreateResult::Created ? FileResult::Written : FileResult::Failed;
}

// A file that did not come out whole: its temporary file goes, and it is not counted.
FileOutcome ExtractionRun::discard(Output& output, int message) {
    platformClose(output.file);
    output.file = kInvalidFile;
    if (!output.place.temporary.empty()) {
        platformRemoveFile(output.place.temporary.c_str());
    }
    return {FileResult::Failed, message};
}

// A write to the output failed: the message names the file and, where the
// system says so, a full disk.
int ExtractionRun::failWrite(const Output& output) {
    const int textId = output.failure == WriteFailure::DiskFull ? IdsWriteDiskFull : IdsWriteFailed;
    host_.showMessage(KindError, textId, 0, output.place.path.c_str());
    return textId;
}

// The run stops part way through a file: what was written of it goes.
FileOutcome ExtractionRun::stopFile(Output& output) {
    discard(output, 0);
    ended_ = true;
    return {FileResult::RunEnded, 0};
}

FileOutcome ExtractionRun::copyStored(ExtractBuffers& buffers, uint32_t first, StoredReader& stored,
                                      Output& output) {
    uint32_t got = first;
    int filling = 0;
    while (got != 0 && !output.overran && !output.writeFailed && !output.stopRequested()) {
        output.write(buffers.input[filling], got);
        filling ^= 1;
        got = stored.next(buffers.input[filling]);
    }
    output.finish();
    return output.stopped ? stopFile(output) : finishFile(output);
}

namespace {

// Whether the Adler-32 that ends the stream, in the four bytes before where
// inflate stopped, is `sum`, that of all that was inflated.
bool trailerMatches(const ByteSource& bytes, uint64_t consumed, uint32_t sum) {
    unsigned char trailer[4];
    if (consumed < sizeof trailer || bytes.readSome(consumed - 4, trailer, 4) != 4) {
        return false;
    }
    const uint32_t expected = (static_cast<uint32_t>(trailer[0]) << 24) |
                              (static_cast<uint32_t>(trailer[1]) << 16) |
                              (static_cast<uint32_t>(trailer[2]) << 8) | trailer[3];
    return expected == sum;
}

} // namespace

FileOutcome ExtractionRun::inflateStored(ExtractBuffers& buffers, uint32_t first,
                                         StoredReader& stored, Output& output) {
    InflateStream stream(false);
    if (!stream.start()) {
        return discard(output, fail(IdsInflateInitError));
    }
    const InflateBuffers pieces{
        buffers.input[0], kInputChunk, {buffers.output[0], buffers.output[1]}, kOutputChunk};
    const InflateResult result = stream.run(stored.bytes, first, pieces, output);
    output.finish();
    if (output.stopped) {
        return stopFile(output);
    }
    // The trailer is checked only once nothing more was inflated than written:
    // past the declared length, the size is what is wrong.
    const bool whole =
        result.end == InflateEnd::Finished &&
        (output.overran || trailerMatches(stored.bytes, result.consumed, output.adler));
    FileOutcome outcome;
    if (whole || output.overran || output.writeFailed) {
        outcome = finishFile(output);
    } else {
        // Data that ran out, corrupt data, a wrong checksum or a dictionary we
        // cannot have: the file is not whole, so it is neither kept nor counted.
        outcome = discard(output, fail(IdsInflateError));
    }
    if (!stream.end()) {
        const int message = fail(IdsInflateEndError);
        outcome.message = outcome.message != 0 ? outcome.message : message;
    }
    return outcome;
}
