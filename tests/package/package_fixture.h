#pragma once
// Shared pieces of the package tests: a fresh temporary folder per test, a host
// that records what extraction tells the user, and what a package's contents
// list and hand to extraction.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "package/extract/extract_host.h"
#include "package/file_functions.h"
#include "tests/support/sis_builder.h"

namespace fs = std::filesystem;

// The file list's prefix of each line kind, as the program's strings give them.
inline const char* const kListPrefixes[] = {
    "",
    "File will be displayed during install: ",
    "File is a component: ",
    "File will be run during install: ",
    "File will be uninstalled only: ",
    "File will be opened during install: ",
};

// std::filesystem paths as the UTF-8 the package code takes, and back.
inline std::string utf8Of(const fs::path& path) {
    auto text = path.u8string();
    return std::string(text.begin(), text.end());
}
inline fs::path pathOfUtf8(const std::string& text) {
    return fs::u8path(text);
}

// The whole content of a file (empty when it cannot be read).
sis::Bytes readAll(const fs::path& path);

// Makes `link` a symbolic link to `target`. Under Wine, which has no Windows
// call that makes one, the system's own ln makes it, and Wine shows it to the
// program as Windows would. False when neither can.
bool makeSymbolicLink(const fs::path& target, const fs::path& link);

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string utf8() const { return utf8Of(path_); }
    // Every regular file below the folder, as '/'-separated relative UTF-8 paths.
    std::vector<std::string> files() const;
    static std::vector<std::string> filesBelow(const fs::path& folder);

  private:
    fs::path path_;
};

struct RecordedMessage {
    int kind;
    int textId;
    int suffixId;
    std::string prefix; // "(null)" when none was given
    bool operator==(const RecordedMessage& other) const {
        return kind == other.kind && textId == other.textId && suffixId == other.suffixId &&
               prefix == other.prefix;
    }
};
void PrintTo(const RecordedMessage& message, std::ostream* os);

// The extraction's host as the tests drive it, and the settings of its runs.
struct RecordingHost : ExtractHost {
    std::vector<RecordedMessage> messages;
    std::deque<int> answers;                        // to questions; No when used up
    std::deque<std::optional<std::string>> folders; // chooseFolder: a folder, or cancel
    int folderRequests = 0;
    int progressSteps = 0;
    int32_t written = 0; // by the last extract()
    ExtractSettings settings;

    void useFolder(const std::string& folder, bool overwrite = false);
    // One run of Extract over every file of the package open in `files`; returns
    // whether it wrote any.
    bool extract(FileFunctions& files);

    int showMessage(int kind, int textId, int suffixId, const char* prefix) override;
    int askToGoOn(int textId, int32_t failures) override;
    void stepProgress() override { ++progressSteps; }
    bool chooseFolder(const char* title, std::string* folder) override;
};

// A message of the extraction's error kind: text id, suffix 8, no prefix.
RecordedMessage extractError(int textId);

// A file an extraction gets: the name it is written under and where its data is.
struct ExtractRequest {
    std::string name;
    uint64_t storedLength;
    uint64_t storedOffset;
    uint64_t originalLength;
    bool operator==(const ExtractRequest& other) const {
        return name == other.name && storedLength == other.storedLength &&
               storedOffset == other.storedOffset && originalLength == other.originalLength;
    }
};
void PrintTo(const ExtractRequest& request, std::ostream* os);

struct ListEntry {
    uint32_t kind;
    std::string name;
    bool operator==(const ListEntry& other) const {
        return kind == other.kind && name == other.name;
    }
};
void PrintTo(const ListEntry& entry, std::ostream* os);

// What a package's contents list and hand to extraction.
struct Listed {
    std::vector<ListEntry> lines;
    std::vector<ExtractRequest> requests;
};
Listed listedOf(const ByteSource& source, const Contents& contents);
inline Listed listedOf(const Package& package) {
    return listedOf(package.source, package.contents);
}

// The stored data of `file` of `package`, as the extraction reads it.
StoredData storedDataOf(const Package& package, const PackageFile& file);

// The file a StoredData holds, inflated or copied, at most `limit` bytes of it;
// false when it cannot be undone.
bool restoreStored(const StoredData& data, size_t limit, std::vector<unsigned char>* out);

// A package written to a temporary folder and opened.
struct OpenPackage {
    TempDir dir;
    sis::Built built;
    FileFunctions files;
    PackageHeader header = {};
    fs::path packagePath;

    explicit OpenPackage(const sis::Package& package, const std::string& fileName = "test.sis");
    ~OpenPackage() { files.closePackage(); }

    const Contents& contents() const { return files.package->contents; }
    Listed list() const { return listedOf(*files.package); }
    Listed extractRequests() const { return list(); }
};
