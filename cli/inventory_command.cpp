// inventory: a record per package, and with --files per file, as JSON Lines or CSV.
#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/inventory_records.h"
#include "cli/ordered_jobs.h"
#include "cli/package_paths.h"

namespace {

JobResult recordsOf(const std::string& path, const InventoryOptions& options, int64_t now) {
    bool intact = false;
    const std::vector<Record> records = inventoryRecords(path, options.files, now, &intact);
    JobResult result;
    if (records.empty()) {
        result.verdict = Verdict::Stopped;
        return result;
    }
    result.verdict = intact ? Verdict::Intact : Verdict::Damaged;
    for (const Record& record : records) {
        result.text +=
            options.format == InventoryFormat::Csv ? csvRecord(record) : jsonRecord(record);
    }
    return result;
}

std::string csvHeader() {
    Record header;
    for (const std::string& column : kInventoryColumns) {
        header.push_back(Field{false, column});
    }
    return csvRecord(header);
}

} // namespace

int inventoryCommand(const InventoryOptions& options) {
    const std::vector<FoundPath> packages = findPackages(options.paths);
    const int64_t now = nowSeconds();
    if (options.format == InventoryFormat::Csv) {
        writeText(Stream::Out, csvHeader());
    }
    const JobCounts counts = runInOrder(
        packages.size(), options.jobs,
        [&](size_t i) { return recordsOf(packages[i].path, options, now); },
        [](const JobResult& result) { writeText(Stream::Out, result.text); });
    return exitStatusOf(counts);
}
