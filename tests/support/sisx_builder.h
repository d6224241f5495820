#pragma once
// Writes Symbian OS 9 packages from a description, for tests: fields with their
// lengths and padding, controllers compressed or stored, embedded packages and
// If blocks to any depth, and the ways to break a package that the reader must
// survive. Nothing it writes is kept in the repository.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sisxbuild {

using Bytes = std::vector<uint8_t>;

struct File {
    std::string target;               // UTF-8, written as UTF-16LE
    std::optional<Bytes> targetBytes; // the target's bytes verbatim (odd lengths, lone surrogates)
    uint32_t operation = 1;
    uint32_t options = 0;
    Bytes content;
    bool compress = true;
    // Data shared with the file whose FileData this is, or an index the unit
    // does not have; by default the file gets a FileData of its own.
    std::optional<uint32_t> fileIndex;
    std::optional<uint64_t> uncompressedLength; // default: the content's size
    bool hashIsSha1 = true;                     // else algorithm 2 with a 20-byte digest
    std::optional<uint32_t> targetLengthField;  // the target's length as stored
};

struct Package;

struct Block;
// An If and its ElseIfs, each with a condition of `conditionDepth` nested expressions.
struct If {
    std::vector<Block> branches; // the If's block, then one per ElseIf
    int conditionDepth = 2;
    // When given, branch k tests LANGUAGE = languageTests[k] instead, as
    // makesis writes a {"a" "b"}-"target" line.
    std::vector<uint32_t> languageTests;
};

struct Block {
    std::vector<File> files;
    std::vector<Package> embedded;
    std::vector<If> ifs;
};

struct Package {
    uint32_t uid = 0x10001234;
    std::vector<std::string> names = {"Demo"}; // one per language
    std::vector<uint32_t> languages = {1};
    int32_t versionMajor = 1;
    int32_t versionMinor = 0;
    int32_t versionBuild = 0;
    uint8_t installType = 0;
    uint8_t installFlags = 0;
    uint32_t targetDevices = 1;
    uint32_t dependencies = 0;
    bool logo = false;
    std::vector<std::string> chains; // each chain's signature algorithm identifier
    Block block;
    // Relative to the parent's unit; by default units are numbered depth first
    // from 0 at the top, and each package stores the difference from its parent's.
    std::optional<uint32_t> dataIndex;
};

struct Sisx {
    Package package;
    bool compressController = true;
    std::optional<uint32_t> controllerAlgorithm;
    std::optional<uint64_t> declaredControllerSize;
    bool controllerChecksum = true;
    bool dataChecksum = true;
    bool longLengths = false;        // every field and element length in the 12-byte-header form
    std::optional<size_t> dataUnits; // keep only the first n units (0: no data at all)
    // Zero bytes at the very end of the last data unit: packages too large to
    // hold in memory, written sparse by writeFile. Needs longLengths past 2 GB.
    uint64_t zeroTail = 0;
    std::optional<uint32_t> uid3;
    // Applied last: bytes replaced at an offset.
    std::vector<std::pair<size_t, Bytes>> patches;
};

struct Built {
    Bytes bytes;
    uint64_t zeroTail = 0;      // zero bytes that follow `bytes` in the file
    size_t controllerStart = 0; // of the controller's Compressed field
    size_t dataStart = 0;       // of the Data field
    Bytes controller;           // the controller field as inflated
};

Built build(const Sisx& description);
// Writes the package; the zero tail becomes a hole where the file system allows.
bool writeFile(const std::filesystem::path& path, const Built& built);

// Little-endian bytes of a value, for patches.
Bytes le32(uint32_t value);

} // namespace sisxbuild
