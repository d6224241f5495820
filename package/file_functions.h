#pragma once
// The open package, the packages it lies in, and the extraction runs over it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/extract/extract_host.h"
#include "package/extract_files.h"
#include "package/opened_package.h"

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

    // The package open now, the innermost one; null when none is. Shared, so
    // that what shows it may keep it after it has been closed here.
    std::shared_ptr<Package> package;
    // The packages `package` lies in, the file's own first: empty while the
    // package file itself is open.
    std::vector<EnclosingPackage> enclosing;

    // Closes any open package, then opens the file at `path` (UTF-8) and reads it.
    OpenResult OpenSISFile(const std::string& path);
    // Opens bytes held in memory as the package known by `path`; they must outlive it.
    OpenResult openMemory(const void* data, size_t size, const std::string& path = "");
    void closePackage();
    // The path of the package file last opened, "" before the first.
    const std::string& path() const { return path_; }

    // Opens the package that line `entry` of the open package names in its
    // place, keeping the open one to go back to.
    InnerResult openInner(uint32_t entry);
    // Goes back to the package around the open one; false when there is none.
    bool closeInner();
    // The lines opened, one per package, from the file's own down to the open one.
    std::vector<uint32_t> innerChain() const;

    // One run of Extract over every file of the open package, in order, until
    // the user ends it; returns the files written.
    int32_t extractAll(const ExtractSettings& settings, ExtractHost& host);
    // One run over the files of the given lines of the open package, in package
    // order; returns the files written.
    int32_t extractEntries(const std::vector<uint32_t>& entries, const ExtractSettings& settings,
                           ExtractHost& host);

  private:
    OpenResult take(std::unique_ptr<OpenedPackage> opened);
    int32_t extract(const FileChoice& chosen, const ExtractSettings& settings, ExtractHost& host);

    std::string path_;
    std::unique_ptr<OpenedPackage> file_;
};
