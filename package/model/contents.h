#pragma once
// What a package holds, as data: one entry per line of its file list in package
// order with where its files' data lies, the language codes, and every name in
// one text area. Both formats are read into this one shape; the files an
// extraction writes are made from the entries as they are taken.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/io/byte_source.h"
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

// Where one file's bytes lie in the package, as its record or description says.
struct StoredLocation {
    uint64_t offset = 0;
    uint64_t length = 0; // may reach past the package's end: the run reads what is there
    uint64_t originalLength = 0;
    StoredCoding coding = StoredCoding::Zlib;
};

// One line of the file list and what extraction writes for it, in 64 bytes: a
// package of 100,000 records is held in a few MB beside its names.
struct PackageEntry {
    TextRef name;     // the install (or source) name the line shows
    uint8_t kind = 0; // a FileType
    StoredCoding coding = StoredCoding::Zlib;
    uint16_t fileCount = 0; // files extraction writes: 0 for a line it passes over
    bool hasCapabilities = false;
    bool nameTooLong = false; // longer than kMaxNameUnits: its files are refused, never cut
    // An older-format multi-language record: its files are its language
    // variants, whose stored lengths, offsets and (when withOriginalLengths)
    // original lengths are arrays of fileCount words from dataOffset on, read
    // when its files are taken.
    bool languageVariants = false;
    bool withOriginalLengths = false;
    uint32_t capabilities = 0; // Symbian OS 9: the capability bits its description asks for
    uint32_t runOptions = 0;   // Symbian OS 9: when a file that is run runs (its operation options)
    uint32_t number = 0;       // appended to the name its file is written under, when not 0
    uint32_t digest = kNoDigest; // its file's SHA-1 in Contents::digests
    uint64_t storedLength = 0;   // as the package declares them
    uint64_t originalLength = 0;
    uint64_t dataOffset = 0; // where its one file's bytes lie, dataLength of them
    uint64_t dataLength = 0;
};
static_assert(sizeof(PackageEntry) <= 64, "an entry stays within 64 bytes");

// One file the extraction writes, made from its entry when it is taken.
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
    std::vector<uint32_t> languages; // in package order
    std::vector<Sha1Digest> digests;
    std::string names;

    // The terminated UTF-8 text of `ref`.
    const char* text(TextRef ref) const { return names.c_str() + ref.offset; }
    TextRef addName(std::string_view name);
    // The name `file` is extracted under: its install name and number.
    std::string extractionName(const PackageFile& file) const;
    uint32_t addDigest(const unsigned char (&sha1)[20]);
    // The language of file `variant` of `entry`: a language variant's code, or kNoLanguage.
    uint32_t variantLanguage(const PackageEntry& entry, uint32_t variant) const;
};

// The files of entry `index` of `contents`, in the order extraction writes
// them: none, its one file, or each of its language variants, read from
// `source`, the package `contents` was read from.
std::vector<PackageFile> filesOf(const ByteSource& source, const Contents& contents,
                                 uint32_t index);

// The files of `entry`, which need not be among the contents' entries (a line
// that extraction passes over, with where its data lies), as filesOf gives
// them; each is known by entry `index`.
std::vector<PackageFile> filesOfEntry(const ByteSource& source, const Contents& contents,
                                      uint32_t index, const PackageEntry& entry);

// Every file of `contents` in package order, handed to `take` one at a time
// until it returns false; whether `take` took them all.
template <typename Take>
bool forEachFile(const ByteSource& source, const Contents& contents, Take take) {
    for (uint32_t i = 0; i < contents.entries.size(); ++i) {
        if (contents.entries[i].fileCount == 0) {
            continue;
        }
        for (const PackageFile& file : filesOf(source, contents, i)) {
            if (!take(file)) {
                return false;
            }
        }
    }
    return true;
}

// `coding`, or Missing when `source` holds not a byte of the data at
// `offset`: offset 0 is the package's start, never a file's data.
StoredCoding codingWhereStored(const ByteSource& source, uint64_t offset, uint64_t length,
                               StoredCoding coding);

// How many files extraction writes of `contents`.
uint64_t fileCountOf(const Contents& contents);

// Every file of `contents` at once, for callers that need them side by side.
std::vector<PackageFile> allFiles(const ByteSource& source, const Contents& contents);
