#pragma once
// The one way a package file is opened: read whole into the package model,
// with the one message for each way that can fail. The file stays open while
// the object lives: file data is read from it.
#include <cstdint>
#include <memory>
#include <string>

#include "package/io/platform.h"
#include "package/package.h"

enum class OpenResult {
    Opened,
    CannotOpen,  // the file cannot be opened for reading
    Empty,       // not a byte could be read
    NotAPackage, // neither format
};

class OpenedPackage {
  public:
    explicit OpenedPackage(const std::string& path); // UTF-8
    // Bytes held in memory, known by `path`; they must outlive the object.
    OpenedPackage(const void* data, size_t size, const std::string& path);
    ~OpenedPackage();
    OpenedPackage(const OpenedPackage&) = delete;
    OpenedPackage& operator=(const OpenedPackage&) = delete;

    const std::string& path() const { return path_; }
    OpenResult result() const { return result_; }
    uint64_t size() const { return source_.size(); }
    const ByteSource& source() const { return source_; }
    // Null unless result() is Opened. Shared, so that what shows the package
    // may keep it after the file is closed.
    const std::shared_ptr<Package>& package() const { return package_; }

  private:
    void read();

    std::string path_;
    FileHandle file_ = kInvalidFile;
    ByteSource source_;
    OpenResult result_ = OpenResult::CannotOpen;
    std::shared_ptr<Package> package_;
};

// The message for a file that did not open as a package; 0 for one that did.
int openMessage(OpenResult result);

// The message for a package whose files cannot be listed or extracted: one that
// did not open, or whose contents cannot be read; 0 for one that can.
int refusalMessage(const OpenedPackage& opened);

// The message for a package inside another that did not open; 0 for one that did.
int innerMessage(InnerResult result);
