// source: the package's source (.pkg) below a folder, with every file it
// names, its packages inside saved with their own sources, and its
// certificates; existing files are kept and counted, or replaced with
// --overwrite, as extract does.

#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/quiet_host.h"
#include "cli/texts.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/extract_files.h"
#include "package/opened_package.h"
#include "package/source/source_writer.h"

namespace {

// The line of something that was not written as it should be.
std::string problemLine(const SourceProblem& problem) {
    const std::string name = escapedText(problem.path);
    if (problem.outcome.result == FileResult::Skipped) {
        return name + messageText(IdsAlreadyExists) + "\n";
    }
    const std::string text = messageText(problem.outcome.message);
    return text[0] == ' ' ? name + text + "\n" : name + ": " + text + "\n";
}

} // namespace

int sourceCommand(const SourceOptions& options) {
    const OpenedPackage opened(options.package);
    const Package* package = opened.package().get();
    if (opened.result() != OpenResult::Opened) {
        writeText(Stream::Err,
                  options.package + ": " + messageText(openMessage(opened.result())) + "\n");
        return kExitDamaged;
    }
    if (!makeDestination(options.destination)) {
        return kExitUsage;
    }
    SourceSettings settings;
    settings.overwriteFiles = options.overwrite;
    settings.now = nowSeconds();
    QuietHost host;
    const SourceRun run =
        writePackageSource(*package, opened.path(), options.destination, settings, host);
    for (const SourceProblem& problem : run.problems) {
        writeText(Stream::Out, problemLine(problem));
    }
    if (const int refused = refusalMessage(opened)) {
        writeText(Stream::Err, options.package + ": " + messageText(refused) + "\n");
    } else if (!holdsFileData(*package)) {
        writeText(Stream::Out, std::string(programText(IdsStubHoldsNoData)) + "\n");
    }
    std::string summary = std::to_string(run.written) + messageText(IdsFilesExtracted);
    if (run.skipped != 0) {
        summary +=
            " " + std::to_string(run.skipped) + " kept as they were (--overwrite replaces them).";
    }
    writeText(Stream::Out, summary + "\n");
    if (!run.sources.empty()) {
        writeText(Stream::Out,
                  escapedText(run.sources.front()) + messageText(IdsSourceWritten) + "\n");
    }
    if (run.stopped) {
        return kExitStopped;
    }
    const bool failed = run.failed != 0 || refusalMessage(opened) != 0 || run.sources.empty();
    return failed ? kExitDamaged : kExitIntact;
}
