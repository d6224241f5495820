#pragma once
// Reading a package of the older format into its contents: the language codes,
// one entry per file record that has a list line, and the files an extraction
// writes, in record order. The record stream is walked once, here.
#include <string>
#include <vector>

#include "package/epoc/format.h"
#include "package/io/byte_source.h"
#include "package/model/contents.h"

// The record stream beyond the files' entries, as a package source needs it:
// every record in stored order (the reverse of the order the installer takes
// them), the options, and the conditions of the If and ElseIf records.
enum class EpocRecordKind : uint8_t { File, Options, If, ElseIf, Else, EndIf };

constexpr uint32_t kNoEntry = UINT32_MAX;

// One node of a condition as stored: a type, a number (an attribute, a value),
// a string, and the nodes of its operands.
struct EpocCondition {
    uint32_t type = 0;
    uint32_t value = 0;
    std::string text; // UTF-8
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
};

struct EpocRecord {
    EpocRecordKind kind = EpocRecordKind::File;
    uint32_t entry = kNoEntry; // a file's entry in the contents, when it has a line
    uint32_t fileType = 0;     // a file's type, as stored
    uint32_t details = 0;      // its details word: its options, or a component's UID
    // An If's or ElseIf's root in EpocScript::conditions, an Options record's
    // first option in EpocScript::options, or a text's entry in shownTexts.
    uint32_t at = kNoEntry;
    uint32_t count = 0;           // an Options record's options
    uint32_t mimeType = kNoEntry; // a file's, in EpocScript::mimeTypes
};

struct EpocScript {
    std::vector<EpocRecord> records;
    std::vector<EpocCondition> conditions;
    std::vector<std::vector<std::string>> options; // each option's text per language
    std::vector<std::string> mimeTypes;
    // A text shown during install is never extracted: where its data lies, as
    // an entry whose files a package source writes.
    std::vector<PackageEntry> shownTexts;
};

// Reads the contents and, when `script` is given, the record stream's script.
Contents readEpocContents(const ByteSource& package, const PackageHeader& header,
                          EpocScript* script = nullptr);

// What an older package says beyond its files: the component's name in each
// language (the block behind "Filenames:") and the packages and platforms it
// needs (the block behind "Dependencies:").
struct EpocRequisite {
    uint32_t uid = 0;
    uint16_t versionMajor = 0;
    uint16_t versionMinor = 0;
    uint32_t variant = 0;
    std::vector<std::string> names; // per language
};

struct EpocFacts {
    std::vector<std::string> componentNames; // per language
    std::vector<EpocRequisite> requisites;
};

// Reads what of those blocks lies in the package; a block cut short ends there.
EpocFacts readEpocFacts(const ByteSource& package, const PackageHeader& header);
