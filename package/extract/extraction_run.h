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

// What became of one file.
enum class FileResult {
    Written,  // on disk and counted; `message` is set when its size or digest differs
    Failed,   // not written, or written only in part and not counted; `message` says why
    Skipped,  // the user kept the file that was there
    RunEnded, // the user ended the run before it: it was not touched
};

struct FileOutcome {
    FileResult result = FileResult::Failed;
    int message = 0; // the first error message the file raised, 0 for none
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

    bool ended() const { return ended_; }
    int32_t extractedCount() const { return extractedCount_; }

  private:
    struct Output;
    struct StoredReader;
    StoredData storedData(const PackageFile& file) const;
    FileOutcome write(const StoredData& data, const std::string& name);
    FileOutcome copyStored(const std::string& name, ExtractBuffers& buffers, uint32_t first,
                           StoredReader& stored, const StoredData& data);
    FileOutcome inflateStored(const std::string& name, ExtractBuffers& buffers, uint32_t first,
                              StoredReader& stored, const StoredData& data);
    FileOutcome finishFile(Output& output);
    // Opens the output file; an invalid handle with the outcome when it cannot be had.
    FileHandle openOutput(const std::string& name, FileOutcome* refused);
    bool destinationFolder(std::string* base);
    bool makeFolders(const char* folder);
    int fail(int textId);
    void countFailure(const FileOutcome& outcome);
    ChunkWriter* chunkWriter();
    ExtractBuffers* buffers();

    const ByteSource package_;
    const Contents& contents_;
    const std::string packagePath_;
    const ExtractSettings settings_;
    ExtractHost& host_;
    std::string chosenFolder_; // DefaultDest 501: asked at the first file that needs it
    std::string madeFolder_;   // the folder the last file went into, known to exist
    int32_t extractedCount_ = 0;
    int32_t failedCount_ = 0;
    bool ended_ = false;
    std::unique_ptr<ChunkWriter> chunkWriter_;
    std::unique_ptr<ExtractBuffers> buffers_;
};
