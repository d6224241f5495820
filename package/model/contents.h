#pragma once
// What a package holds, as data: one entry per line of its file list in package
// order, the files an extraction writes (each tied to its entry), the language
// codes, and every name in one text area. Both formats are read into this one
// shape; the window, the extraction and the tests iterate it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package/io/names.h"
#include "package/model/stored_data.h"

// What the installer does with a file; the value is also the list line's kind,
// which picks its prefix.
enum FileType : uint32_t {
    FileInstall = 0,
    FileShowDuringInstall = 1,
    FileComponent = 2,
    FileRunDuringInstall = 3,
    FileUninstallOnly = 4,
    FileOpenDuringInstall = 5,
};

// Where a name lies in Contents::names: UTF-8, followed there by a zero byte.
struct TextRef {
    uint32_t offset = 0;
    uint32_t length = 0;
};

constexpr uint32_t kNoLanguage = UINT32_MAX;
constexpr uint32_t kNoDigest = UINT32_MAX;

// One line of the file list.
struct PackageEntry {
    TextRef name;              // the install (or source) name the line shows
    uint32_t kind = 0;         // a FileType
    uint32_t firstFile = 0;    // its files in Contents::files
    uint32_t fileCount = 0;    // 0 for a line extraction passes over
    uint32_t capabilities = 0; // Symbian OS 9: the capability bits its description asks for
    bool hasCapabilities = false;
    uint32_t runOptions = 0; // Symbian OS 9: when a file that is run runs (its operation options)
    uint64_t storedLength = 0; // as the package declares them
    uint64_t originalLength = 0;
};

// Where one file's bytes lie in the package, as its record or description says.
struct StoredLocation {
    uint64_t offset = 0;
    uint64_t length = 0; // may reach past the package's end: the run reads what is there
    uint64_t originalLength = 0;
    StoredCoding coding = StoredCoding::Zlib;
};

// One file the extraction writes.
struct PackageFile {
    uint32_t entry = 0;
    TextRef name;                    // the install name it is written under...
    uint32_t number = 0;             // ...with this number appended when not 0
    uint32_t language = kNoLanguage; // the language code of a language variant
    uint32_t digest = kNoDigest;     // its SHA-1 in Contents::digests
    bool nameTooLong = false;        // longer than kMaxNameUnits: refused, never cut
    StoredLocation data;
};

using Sha1Digest = std::array<unsigned char, 20>;

struct Contents {
    std::vector<PackageEntry> entries;
    std::vector<PackageFile> files;
    std::vector<uint32_t> languages; // in package order
    std::vector<Sha1Digest> digests;
    std::string names;

    // The terminated UTF-8 text of `ref`.
    const char* text(TextRef ref) const { return names.c_str() + ref.offset; }
    TextRef addName(const std::string& name);
    // The name `file` is extracted under: its install name and number.
    std::string extractionName(const PackageFile& file) const;
    uint32_t addDigest(const unsigned char (&sha1)[20]);
};
