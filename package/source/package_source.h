#pragma once
// A package's source: the .pkg text that makesis of the package's era reads to
// build the package again, printed from the package model alone. The files it
// names are where a source run wrote them (SourcePlaces); what the syntax
// cannot say is a comment at its line.
#include <cstdint>
#include <string>
#include <vector>

#include "package/package.h"

// Who signed one chain of a package, and until when its signer's certificate holds.
struct ChainSigner {
    size_t chain = 0; // from 1
    std::string subject;
    int64_t notAfter = 0;           // seconds since 1970-01-01 UTC
    std::vector<std::string> files; // its certificates as written beside the .pkg
};

// What the comments at the top say of where the source came from.
struct SourceOrigin {
    std::string packageName; // the package file's name
    std::string sha256;      // of its bytes, in hex
    std::vector<ChainSigner> signers;
};

// Where a source run put the files the .pkg names: paths relative to the
// .pkg, "" for a file that was not written, with the message that says why.
struct PlacedFile {
    std::string path;
    int message = 0;
};

struct SourcePlaces {
    // Per entry of the contents: its files in the order filesOf gives them.
    std::vector<std::vector<PlacedFile>> entries;
    // Per entry: the package file saved for a line that names a package inside.
    std::vector<PlacedFile> innerPackages;
    // The older format: per text shown during install (EpocScript::shownTexts).
    std::vector<std::vector<PlacedFile>> shownTexts;
};

// The .pkg text (UTF-8, lines ended by "\n") of `package`.
std::string packageSource(const Package& package, const SourceOrigin& origin,
                          const SourcePlaces& places);

// The path below the .pkg that a file of install name `name` goes to, as
// extraction writes it: its drive and leading separators dropped, backslashes
// between its elements; "" for a name that extraction refuses.
std::string placeOfName(const std::string& name);
