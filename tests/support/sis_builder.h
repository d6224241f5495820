#pragma once
// Writes SIS packages byte by byte from a description, for tests: both
// generations, every record type, names in either encoding and stored data
// compressed, as is or given verbatim for broken cases.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sis {

using Bytes = std::vector<uint8_t>;

// One stored file (one variant of a multi-language record).
struct Variant {
    Bytes content;                        // the file as installed
    std::optional<Bytes> stored;          // stored bytes verbatim instead of from content
    std::optional<uint32_t> storedLength; // record fields; default from the placement
    std::optional<uint32_t> storedOffset;
    std::optional<uint32_t> originalLength;
};

// A name: UTF-8 text written in the package's encoding, or bytes verbatim.
struct Name {
    std::string text;
    std::optional<Bytes> bytes;
    std::optional<uint32_t> length; // record fields; default from the written bytes
    std::optional<uint32_t> offset;
};

struct Record {
    enum class Kind { File, Options, Condition, TypeOnly, Raw };
    Kind kind = Kind::File;
    int32_t type = 0; // the type word: 0 or 1 for files, 3 or 4 for conditions, any for TypeOnly
    // File records.
    uint32_t fileType = 0;
    Name source;
    Name dest;
    std::vector<Variant> variants; // one for type 0, one per language for type 1
    // Options: optionCount options, each named in every language.
    uint32_t optionCount = 0;
    std::optional<uint32_t> optionCountField;
    // Conditions (IF, ELSEIF).
    Bytes condition;
    std::optional<uint32_t> conditionSizeField;
    // Raw: these bytes in place of a record.
    Bytes raw;
};

Record simpleFile(uint32_t fileType, const std::string& source, const std::string& dest,
                  const Bytes& content);
Record multiFile(uint32_t fileType, const std::string& source, const std::string& dest,
                 const std::vector<Bytes>& contents);
Record options(uint32_t optionCount);
Record condition(int32_t type, const Bytes& expression);
Record typeOnly(int32_t type);
Record raw(const Bytes& bytes);

struct Package {
    bool release5 = false;   // UID2 0x1000006D, 68-byte header, its record layouts, data as is
    bool unicode = true;     // header flags bit 0: names in UTF-16LE, else Windows-1252
    bool noCompress = false; // header flags bit 3: data as is in a later-generation package
    uint16_t otherFlags = 0;
    uint32_t appUid = 0x10001234;
    std::optional<uint32_t> appUid1; // default by generation
    uint32_t appUid2 = 0x10000419;
    std::vector<uint16_t> languages = {1};
    std::optional<uint16_t> languageCountField;
    std::optional<uint32_t> languagesOffset;
    std::optional<uint32_t> packageLinesOffset;
    std::optional<uint32_t> dependenciesOffset;
    std::vector<Record> records;
    // Applied last: single bytes replaced, then the file cut.
    std::vector<std::pair<size_t, uint8_t>> patches;
    std::optional<size_t> truncateTo;
};

// Where the builder put the parts of one file record.
struct BuiltFile {
    uint32_t recordOffset = 0; // of the type word
    uint32_t sourceNameOffset = 0;
    uint32_t destNameOffset = 0;
    std::vector<uint32_t> storedLengths;
    std::vector<uint32_t> storedOffsets;
    std::vector<uint32_t> originalLengths;
};

struct Built {
    Bytes bytes;
    uint32_t packageLinesOffset = 0;
    uint32_t dependenciesOffset = 0; // as written in the header
    uint32_t recordsEnd = 0;         // where the record stream really ends
    std::vector<BuiltFile> files;    // one per file record, in stream order
};

Built build(const Package& package);
bool writeFile(const std::filesystem::path& path, const Bytes& bytes);

// A zlib stream (with its zlib header) of `data`.
Bytes deflateBytes(const Bytes& data);
// `size` bytes of a fixed pseudo-random pattern that compresses poorly.
Bytes patternBytes(size_t size, uint32_t seed = 1);
Bytes textBytes(const std::string& text);

} // namespace sis
