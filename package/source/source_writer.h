#pragma once
// One run of "write the package's source": the .pkg below a folder with every
// file it names, each package inside saved beside it with its own source in a
// folder of its own, and the certificates. Shared by the command line and the
// window; files are written by the one extraction run.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/extract/extraction_run.h"
#include "package/package.h"

struct SourceSettings {
    bool overwriteFiles = false; // replace existing files (else they are kept)
    int64_t now = 0;             // for the certificates' validity, seconds since 1970
};

// Something the run could not write as it should, by its path below the
// folder: the message that says why (Skipped: the file was kept).
struct SourceProblem {
    std::string path;
    FileOutcome outcome;
};

struct SourceRun {
    int32_t written = 0; // files the .pkg files name, written whole
    int32_t skipped = 0; // files that were there and were kept
    int32_t failed = 0;
    bool stopped = false;
    std::vector<std::string> sources; // every .pkg written, the package's own first
    std::vector<SourceProblem> problems;
};

// The source of `package`, read from the file `packagePath` (UTF-8), written
// into `folder` (UTF-8, created when missing) as <base name>.pkg.
SourceRun writePackageSource(const Package& package, const std::string& packagePath,
                             const std::string& folder, const SourceSettings& settings,
                             ExtractHost& host);

// The .pkg name of a package file: its base name with ".pkg".
std::string sourceFileName(const std::string& packagePath);
