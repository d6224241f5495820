// extract: the files of a package below a folder, as the window extracts them,
// without a question: existing files are kept and counted, or replaced with
// --overwrite.
#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "cli/console.h"
#include "package/opened_package.h"
#include "cli/quiet_host.h"
#include "cli/texts.h"
#include "cli/wildcard.h"
#include "common/destinations.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/extract_files.h"

namespace {

struct RunCounts {
    int32_t written = 0;
    int32_t skipped = 0;
    int32_t failed = 0; // files not written whole, or whose size or digest differs
    bool stopped = false;
};

// The line of a file that was not extracted as it should be; "" for one that was.
std::string fileLine(const std::string& rawName, const FileOutcome& outcome) {
    const std::string name = escapedText(rawName);
    if (outcome.result == FileResult::Skipped) {
        return name + messageText(IdsAlreadyExists) + "\n";
    }
    if (outcome.message == 0) {
        return "";
    }
    const std::string text = messageText(outcome.message);
    return text[0] == ' ' ? name + text + "\n" : name + ": " + text + "\n";
}

RunCounts extractFiles(const OpenedPackage& opened, const ExtractOptions& options) {
    const Package& package = *opened.package();
    ExtractSettings settings;
    settings.overwriteFiles = options.overwrite;
    settings.defaultDest = DestFixedFolder;
    settings.destDir = options.destination;
    QuietHost host;
    ExtractionRun run(package.source, package.contents, opened.path().c_str(), settings, host);
    const FileChoice chosen = [&](const PackageFile& file) {
        return selected(options.select, package.contents.text(file.name));
    };
    RunCounts counts;
    counts.stopped = !extractFiles(
        run, package, chosen, [&](const PackageFile& file, const FileOutcome& outcome) {
            writeText(Stream::Out, fileLine(package.contents.extractionName(file), outcome));
            counts.written += outcome.result == FileResult::Written ? 1 : 0;
            counts.skipped += outcome.result == FileResult::Skipped ? 1 : 0;
            counts.failed += outcome.message != 0 ? 1 : 0;
        });
    return counts;
}

} // namespace

bool makeDestination(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::u8path(folder), error);
    if (error) {
        writeText(Stream::Err, "vorandeck-cli: " + folder +
                                   " cannot be made a folder: " + error.message() + "\n");
    }
    return !error;
}

int extractCommand(const ExtractOptions& options) {
    const OpenedPackage opened(options.package);
    const Package* package = opened.package().get();
    if (const int refused = refusalMessage(opened)) {
        writeText(Stream::Err, options.package + ": " + messageText(refused) + "\n");
        return kExitDamaged;
    }
    if (!holdsFileData(*package)) {
        writeText(Stream::Out, std::string(programText(IdsStubHoldsNoData)) + "\n");
        return kExitIntact;
    }
    if (!makeDestination(options.destination)) {
        return kExitUsage;
    }
    const RunCounts counts = extractFiles(opened, options);
    std::string summary = std::to_string(counts.written) + messageText(IdsFilesExtracted);
    if (counts.skipped != 0) {
        summary += " " + std::to_string(counts.skipped) +
                   " kept as they were (--overwrite replaces them).";
    }
    writeText(Stream::Out, summary + "\n");
    if (counts.stopped) {
        return kExitStopped;
    }
    return counts.failed != 0 ? kExitDamaged : kExitIntact;
}
