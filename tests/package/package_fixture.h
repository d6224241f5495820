#pragma once
// Shared pieces of the package tests: a fresh temporary folder per test, a host
// that records what extraction tells the user, and walk outputs that record
// what the walk hands on.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// The extraction's host as the tests drive it.
struct RecordingHost {
    std::vector<RecordedMessage> messages;
    std::deque<int> answers;                        // to questions; No when used up
    std::deque<std::optional<std::string>> folders; // chooseFolder: a folder, or cancel
    int folderRequests = 0;
    int progressSteps = 0;
    ExtractSettings settings = {};

    // Connects this host to `files`.
    void attach(FileFunctions& files);
    void useFolder(const std::string& folder, uint32_t overwrite = 0);
};

// A message of the extraction's error kind: text id, suffix 8, no prefix.
RecordedMessage extractError(int textId);

struct ExtractRequest {
    std::string name;
    uint32_t storedLength;
    uint32_t storedOffset;
    uint32_t originalLength;
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

struct RecordingOutputs {
    std::vector<ListEntry> lines;
    std::vector<ExtractRequest> requests;
    WalkOutputs outputs();
};

// What a Symbian OS 9 walk hands on: list lines, and files with their data.
struct SisxExtracted {
    std::string name;
    StoredData data;
};
// The file a StoredData holds, inflated or copied, at most `limit` bytes of it;
// false when it cannot be undone.
bool restoreStored(const StoredData& data, size_t limit, std::vector<unsigned char>* out);

struct SisxRecording {
    std::vector<ListEntry> lines;
    std::vector<SisxExtracted> extracted;
    WalkOutputs outputs();
};

// A package written to a temporary folder and opened, with its header loaded.
struct OpenPackage {
    TempDir dir;
    sis::Built built;
    FileFunctions files;
    PackageHeader header = {};
    fs::path packagePath;

    explicit OpenPackage(const sis::Package& package, const std::string& fileName = "test.sis");
    ~OpenPackage() { files.closePackage(); }

    RecordingOutputs list();
    RecordingOutputs extractRequests();
};
