#pragma once
// The open package, the packages it lies in, and the extraction runs over it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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

// Packages open inside packages as deep as a Symbian OS 9 controller may embed them.
constexpr size_t kMaxInnerDepth = sisx::kMaxEmbeddedDepth;

// A package that the open one lies in, and the line of it that was opened.
struct EnclosingPackage {
    std::shared_ptr<Package> package;
    uint32_t entry = 0;
};

class FileFunctions {
  public:
    FileFunctions() = default;
    ~FileFunctions() { closePackage(); }
    FileFunctions(const FileFunctions&) = delete;
    FileFunctions& operator=(const FileFunctions&) = delete;

    char packagePath[kPathSize] = {}; // UTF-8
    // The package open now, the innermost one; null when none is. Shared, so
    // that what shows it may keep it after it has been closed here.
    std::shared_ptr<Package> package;
    // The packages `package` lies in, the file's own first: empty while the
    // package at packagePath itself is open.
    std::vector<EnclosingPackage> enclosing;
    int32_t extractedCount = 0;

    // Closes any open package, then opens the file at packagePath and reads it.
    OpenResult OpenSISFile();
    // Opens bytes held in memory as the package; they must outlive it.
    OpenResult openMemory(const void* data, size_t size);
    void closePackage();

    // Opens the package that line `entry` of the open package names in its
    // place, keeping the open one to go back to.
    InnerResult openInner(uint32_t entry);
    // Goes back to the package around the open one; false when there is none.
    bool closeInner();
    // The lines opened, one per package, from the file's own down to the open one.
    std::vector<uint32_t> innerChain() const;

    // One run of Extract over every file of the open package, in order, until
    // the user ends it; returns extractedCount, the files written.
    int32_t extractAll(const ExtractSettings& settings, ExtractHost& host);
    // One run over the files of the given lines of the open package, in the
    // order given; returns extractedCount.
    int32_t extractEntries(const std::vector<uint32_t>& entries, const ExtractSettings& settings,
                           ExtractHost& host);

  private:
    OpenResult open(const ByteSource& source);

    FileHandle input_ = kInvalidFile;
};
