#pragma once
// The one loop of an extraction over a package's files, whoever starts it:
// Extract Files, Extract selected, and the command line's extract.
#include <cstdint>
#include <functional>
#include <vector>

#include "package/extract/extraction_run.h"
#include "package/package.h"

// Which files a run takes; an empty choice takes every file.
using FileChoice = std::function<bool(const PackageFile&)>;
// Hears of each file the run took, with what became of it.
using FileReport = std::function<void(const PackageFile&, const FileOutcome&)>;

// The files of the lines `entries` of a package.
FileChoice filesOfLines(std::vector<uint32_t> entries);

// Extracts the files of `package` that `chosen` takes, in package order, until
// the run is ended; whether it went to the end.
bool extractFiles(ExtractionRun& run, const Package& package, const FileChoice& chosen,
                  const FileReport& report = nullptr);

// Whether a package holds the data of its files: a stub lists them only.
bool holdsFileData(const Package& package);
