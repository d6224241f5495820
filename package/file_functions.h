#pragma once
// The open package and the extraction runs over it.
#include <cstdint>
#include <memory>

#include "common/paths.h"
#include "package/extract/extract_host.h"
#include "package/io/platform.h"
#include "package/package.h"

enum class OpenResult {
    Opened,
    CannotOpen,  // the file cannot be opened for reading
    Empty,       // not a byte could be read
    NotAPackage, // neither format
};

class FileFunctions {
  public:
    FileFunctions() = default;
    ~FileFunctions() { closePackage(); }
    FileFunctions(const FileFunctions&) = delete;
    FileFunctions& operator=(const FileFunctions&) = delete;

    char packagePath[kPathSize] = {}; // UTF-8
    // The package open now; null when none is.
    std::unique_ptr<Package> package;
    int32_t extractedCount = 0;

    // Closes any open package, then opens the file at packagePath and reads it.
    OpenResult OpenSISFile();
    // Opens bytes held in memory as the package; they must outlive it.
    OpenResult openMemory(const void* data, size_t size);
    void closePackage();

    // One run of Extract over every file of the open package, in order, until
    // the user ends it; returns extractedCount, the files written.
    int32_t extractAll(const ExtractSettings& settings, ExtractHost& host);

  private:
    OpenResult open(const ByteSource& source);

    FileHandle input_ = kInvalidFile;
};
