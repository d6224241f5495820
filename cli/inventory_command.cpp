// inventory: a record per package, and with --files per file, as JSON Lines or CSV.
#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/inventory_records.h"
#include "cli/ordered_jobs.h"
#include "cli/package_paths.h"

namespace {

std::string textOf(const Record& record, InventoryFormat format) {
    return format == InventoryFormat::Csv ? csvRecord(record) : jsonRecord(record);
}

JobResult recordsOf(const FoundPath& found, const InventoryOptions& options, int64_t now) {
    JobResult result;
    if (!found.unreadable.empty()) {
        result.text = textOf(folderRecord(found.path, found.unreadable), options.format);
        result.verdict = Verdict::NotAPackage;
        return result;
    }
    bool intact = false;
    const std::vector<Record> records = inventoryRecords(found.path, options.files, now, &intact);
    if (records.empty()) {
        result.verdict = Verdict::Stopped;
        return result;
    }
    result.verdict = intact ? Verdict::Intact : Verdict::Damaged;
    for (const Record& record : records) {
        result.text += textOf(record, options.format);
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
        [&](size_t i) { return recordsOf(packages[i], options, now); },
        [](const JobResult& result) { writeText(Stream::Out, result.text); });
    return exitStatusOf(counts);
}
