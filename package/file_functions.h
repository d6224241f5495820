#pragma once
// The open package, the reader over it, the walk over its file records and the
// extraction of stored files.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/paths.h"
#include "package/extract_host.h"
#include "package/format.h"
#include "package/platform.h"
#include "package/stored_data.h"

// The walk's two outputs, replaceable so that the walk can be exercised on its
// own. A null function does nothing.
struct WalkOutputs {
    void* context;
    void (*addListEntry)(void* context, uint32_t kind, const char* name);
    // A file of the older format: its record's words as they stand.
    void (*extractStored)(void* context, const char* name, uint32_t storedLength,
                          uint32_t storedOffset, uint32_t originalLength);
    // A file of a Symbian 9 package, its data already found.
    void (*extractData)(void* context, const char* name, const StoredData& data);
    // Whether the user has ended the extraction run; null: never.
    bool (*runEnded)(void* context);
};

class SisxPackage;
class ChunkWriter;
struct ExtractBuffers;

// What the open package is, as its first words tell.
enum class PackageFormat {
    None,        // nothing open, or not yet told
    Epoc,        // the older format: word 2 is 0x10000419
    Sisx,        // Symbian OS 9: word 0 is 0x10201A7A
    NotAPackage, // anything else
};

// Receives each language code that listLanguages reads, in package order.
using LanguageCallback = void (*)(void* context, uint16_t code);

class FileFunctions {
  public:
    FileFunctions();
    ~FileFunctions();
    FileFunctions(const FileFunctions&) = delete;
    FileFunctions& operator=(const FileFunctions&) = delete;

    FileHandle outputHandle = kInvalidFile;
    char destPath[kPathSize] = {};
    // The folder the last file of this walk went into, known to exist.
    char madeFolder[kPathSize] = {};
    RecordArea record = {};
    FileHandle inputHandle = kInvalidFile;
    ByteSource source; // the open package: its file, or bytes in memory
    uint32_t cursor = 0;
    char packagePath[kPathSize] = {}; // UTF-8
    int32_t extractedCount = 0;
    // How the package in hand keeps its files, as its header says; set by the walk.
    StoredCoding storedCoding = StoredCoding::Zlib;
    // The extraction run in progress: files that raised an error, whether the
    // file in hand did, and whether the user ended the run.
    int32_t failedCount = 0;
    bool fileFailed = false;
    bool runEnded = false;
    // What became of the last output file asked for.
    enum class Outcome { Created, Failed, Skipped, Cancelled };
    Outcome outputOutcome = Outcome::Failed;
    ExtractHost host = {};

    // Reader (reader.cpp). Offset 0 means "at the cursor" and advances it; any
    // other offset is a positioned read that leaves cursor and file position alone.
    void OpenSISFile(const char* path);
    // Opens bytes held in memory as the package; they must outlive it.
    void openMemory(const void* data, size_t size);
    bool isOpen() const { return source.isOpen(); }

    bool closePackage();
    uint32_t readAt(void* buffer, uint32_t count, uint32_t offset);
    // Reads a name of `lengthInBytes` bytes into `dest` (kPathSize bytes) as UTF-8.
    void readName(char* dest, uint32_t lengthInBytes, uint32_t offset, bool unicode);
    uint32_t writeOutput(const void* buffer, uint32_t count);
    // Zeroes `header` and reads the first 100 bytes at the cursor into it; a
    // shorter package leaves the rest zero. Returns the count read.
    uint32_t readHeader(PackageHeader* header);
    // Moves the cursor to `offset`.
    void seekTo(uint32_t offset);
    void listLanguages(uint16_t count, uint32_t offset, LanguageCallback callback, void* context);

    // The open package's format, and for Symbian OS 9 the package read
    // (formats.cpp). recognisePackage tells the format from the header just read.
    PackageFormat format = PackageFormat::None;
    std::unique_ptr<SisxPackage> sisx;
    PackageFormat recognisePackage(const PackageHeader& header);
    // Lists or extracts the open package, whatever its format; returns whether
    // extractedCount is not 0 at the end.
    bool walkPackage(const PackageHeader& header, WalkMode mode, const WalkOutputs& outputs);
    // How many file lines the package has: the range of the extraction's progress.
    uint32_t fileLineCount(const PackageHeader& header) const;

    // Walk (walk.cpp). Returns whether extractedCount is not 0 at its end.
    bool walkRecords(PackageHeader header, WalkMode mode, const WalkOutputs& outputs);

    // One record of the stream: whether it could be taken whole (else the walk
    // ends), its type, where its fixed part starts, and whether it is a file
    // record, now held in `record`.
    struct NextRecord {
        bool taken;
        bool isFile;
        int32_t type;
        uint32_t fixedStart;
    };
    NextRecord takeNextRecord(CheckedReader& reader, const PackageHeader& header);
    void actOnFileRecord(const NextRecord& next, const PackageHeader& header, WalkMode mode,
                         const WalkOutputs& outputs);
    // Extracts every variant of the multi-language record just read (its fixed
    // part starts at `fixedStart`), naming each by `baseName` and its number.
    void extractLanguages(const PackageHeader& header, uint32_t fixedStart, const char* baseName,
                          const WalkOutputs& outputs);

    // Extraction (extract.cpp, output_path.cpp).
    void extractStored(const char* name, uint32_t storedLength, uint32_t storedOffset,
                       uint32_t originalLength);
    FileHandle createOutput(const char* name);
    // The destination folder for the next file (kPathSize bytes), without a
    // trailing backslash; false when there is none.
    bool destinationFolder(char* base);
    int makeDirs(const char* path);
    // A Symbian 9 package's file, its data found by the walk.
    void extractData(const char* name, const StoredData& data);
    // The part both formats share: output file, inflate or copy, checks, count.
    void writeStoredData(const char* name, const StoredData& data);
    // An error of the file in hand, with the FileFunctions suffix.
    void reportFileError(int textId);
    // Counts the file in hand as failed when it raised an error, and after
    // every tenth asks whether to go on; a No ends the run.
    void endFile();
    // Starts an extraction run: no failure yet, not ended.
    void startRun();
    // Ends it: the thread that wrote its large files, if one was needed, stops,
    // and its buffers go.
    void endRun();
    // The run's writer of large files, started at the first call of the run;
    // null when none can be had.
    ChunkWriter* runChunkWriter();
    std::unique_ptr<ChunkWriter> chunkWriter;
    // The run's buffers, made at its first file; null when memory is short.
    ExtractBuffers* runBuffers();
    std::unique_ptr<ExtractBuffers> extractBuffers;
};

// The walk output that extracts to disk through `files` (no list output).
WalkOutputs extractToDisk(FileFunctions& files);
