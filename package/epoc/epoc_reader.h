#pragma once
// Reading a package of the older format into its contents: the language codes,
// one entry per file record that has a list line, and the files an extraction
// writes, in record order. The record stream is walked once, here.
#include <string>
#include <vector>

#include "package/epoc/format.h"
#include "package/io/byte_source.h"
#include "package/model/contents.h"

Contents readEpocContents(const ByteSource& package, const PackageHeader& header);

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
