#pragma once
// One package file opened and read whole into the package model, as the window
// opens one. The file stays open while the object lives: file data is read
// from it.
#include <cstdint>
#include <memory>
#include <string>

#include "package/io/platform.h"
#include "package/package.h"

enum class OpenState {
    Read,
    CannotOpen,  // the file cannot be opened for reading
    Empty,       // not a byte could be read
    NotAPackage, // neither format
};

class OpenedPackage {
  public:
    explicit OpenedPackage(const std::string& path); // UTF-8
    ~OpenedPackage();
    OpenedPackage(const OpenedPackage&) = delete;
    OpenedPackage& operator=(const OpenedPackage&) = delete;

    const std::string& path() const { return path_; }
    OpenState state() const { return state_; }
    uint64_t size() const { return source_.size(); }
    const ByteSource& source() const { return source_; }
    // Null unless state() is Read.
    const Package* package() const { return package_.get(); }

  private:
    std::string path_;
    FileHandle file_ = kInvalidFile;
    ByteSource source_;
    OpenState state_ = OpenState::CannotOpen;
    std::unique_ptr<Package> package_;
};

// The message the window gives for a file that did not open as a package.
int openMessage(OpenState state);

// The message for a package whose files cannot be listed or extracted: one that
// did not open, or whose contents cannot be read; 0 for one that can.
int refusalMessage(const OpenedPackage& opened);
