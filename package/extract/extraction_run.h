#pragma once
// One press of Extract: the files of a package written below a folder, one at
// a time, each returning what became of it.
#include <cstdint>
#include <memory>
#include <string>

#include "common/paths.h"
#include "package/extract/extract_host.h"
#include "package/io/byte_source.h"
#include "package/io/platform.h"
#include "package/model/contents.h"
#include "package/model/stored_data.h"

class ChunkWriter;
struct ExtractBuffers;

// Where one output goes: its final path, the temporary file it is written to
// until it is whole, and whether it may then replace a file of its final name.
struct OutputPlace {
    std::string path;
    std::string temporary; // the file written: `path` itself when `named`
    bool replace = false;
    bool named = false; // nothing was there to keep, so no temporary name was needed
};

// What became of one file.
enum class FileResult {
    Written,  // on disk whole and counted; `message` is set when the package's data
              // ran past the declared size or its digest differs
    Failed,   // not written whole, so not on disk and not counted; `message` says why
    Skipped,  // the user kept the file that was there
    RunEnded, // the user ended the run before it: it was not touched
};

struct FileOutcome {
    FileResult result = FileResult::Failed;
    int message = 0; // the first error message the file raised, 0 for none
};

// Takes the bytes of a file, in order, as a check produces them.
class ContentSink {
  public:
    virtual void take(const unsigned char* bytes, uint32_t count) = 0;

  protected:
    ~ContentSink() = default;
};

class ExtractionRun {
  public:
    // `package` holds the bytes `contents` points into; `packagePath` (UTF-8)
    // names it, so that no output replaces it and so that files can go beside it.
    ExtractionRun(const ByteSource& package, const Contents& contents, const char* packagePath,
                  const ExtractSettings& settings, ExtractHost& host);
    ~ExtractionRun();
    ExtractionRun(const ExtractionRun&) = delete;
    ExtractionRun& operator=(const ExtractionRun&) = delete;

    // Writes `file` of the contents; after every tenth failure asks whether to
    // go on, and a No ends the run.
    FileOutcome extract(const PackageFile& file);
    // Produces `file` as extract() would and checks it the same way (its size,
    // its zlib stream to the end and its trailer, its SHA-1) without creating
    // anything: its bytes go to `content` when there is one, and nowhere else.
    // Written then means that it came out whole.
    FileOutcome verify(const PackageFile& file, ContentSink* content = nullptr);

    bool ended() const { return ended_; }
    int32_t extractedCount() const { return extractedCount_; }

  private:
    struct Output;
    struct StoredReader;
    // Where a file's bytes go: to disk, or only to `content` (when there is one).
    struct Target {
        bool toDisk = true;
        ContentSink* content = nullptr;
    };
    FileOutcome produce(const PackageFile& file, const Target& target);
    StoredData storedData(const PackageFile& file) const;
    FileOutcome write(const StoredData& data, const std::string& name, const Target& target);
    FileOutcome copyStored(ExtractBuffers& buffers, uint32_t first, StoredReader& stored,
                           Output& output);
    FileOutcome inflateStored(ExtractBuffers& buffers, uint32_t first, StoredReader& stored,
                              Output& output);
    FileOutcome finishFile(Output& output);
    FileResult giveFinalName(const Output& output);
    FileOutcome discard(Output& output, int message);
    FileOutcome stopFile(Output& output);
    // Opens the file the output is written to and says where it goes; an
    // invalid handle with the outcome when it cannot be had.
    FileHandle openOutput(const std::string& name, OutputPlace* place, FileOutcome* refused);
    FileHandle createTemporary(const char* folder, std::string* path);
    bool destinationFolder(std::string* base);
    bool makeFolders(const std::string& base, const char* folder);
    bool makeParents(const char* folder);
    int fail(int textId);
    int failWrite(const Output& output);
    void countFailure(const FileOutcome& outcome);
    ChunkWriter* chunkWriter();
    ExtractBuffers* buffers();

    const ByteSource package_;
    const Contents& contents_;
    const std::string packagePath_;
    const ExtractSettings settings_;
    ExtractHost& host_;
    std::string chosenFolder_;     // DefaultDest 501: asked at the first file that needs it
    std::string madeFolder_;       // the folder the last file went into, known to exist
    const uint32_t temporarySeed_; // differs between runs, so that they rarely meet
    uint32_t temporaries_ = 0;
    int32_t extractedCount_ = 0;
    int32_t failedCount_ = 0;
    bool ended_ = false;
    std::unique_ptr<ChunkWriter> chunkWriter_;
    std::unique_ptr<ExtractBuffers> buffers_;
};
