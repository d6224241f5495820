#include "package/extract_files.h"

#include <algorithm>

FileChoice filesOfLines(std::vector<uint32_t> entries) {
    std::sort(entries.begin(), entries.end());
    return [entries = std::move(entries)](const PackageFile& file) {
        return std::binary_search(entries.begin(), entries.end(), file.entry);
    };
}

bool extractFiles(ExtractionRun& run, const Package& package, const FileChoice& chosen,
                  const FileReport& report) {
    return forEachFile(package.source, package.contents, [&](const PackageFile& file) {
        if (chosen && !chosen(file)) {
            return true;
        }
        const FileOutcome outcome = run.extract(file);
        if (outcome.result == FileResult::RunEnded) {
            return false;
        }
        if (report) {
            report(file, outcome);
        }
        return true;
    });
}

bool holdsFileData(const Package& package) {
    return package.kind != PackageKind::SisxStub;
}
