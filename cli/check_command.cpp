// check: every package read whole and checked without writing, one line each,
// then how many were intact.
#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_text.h"
#include "cli/ordered_jobs.h"
#include "cli/package_check.h"
#include "cli/package_paths.h"
#include "cli/texts.h"

namespace {

Verdict verdictOf(const OpenedPackage& opened, const PackageCheck& check) {
    if (check.stopped) {
        return Verdict::Stopped;
    }
    if (opened.package() == nullptr) {
        return Verdict::NotAPackage;
    }
    return check.problems.empty() ? Verdict::Intact : Verdict::Damaged;
}

const char* verdictWord(Verdict verdict) {
    switch (verdict) {
    case Verdict::Intact:
        return "ok";
    case Verdict::Damaged:
        return "damaged";
    default:
        return "not a package";
    }
}

std::string lineOf(const std::string& path, const PackageCheck& check) {
    std::string line = path + ": " + (check.problems.empty() ? "ok" : joined(check.problems, "; "));
    for (const std::string& note : check.notes) {
        line += "; note: " + note;
    }
    return escapedText(line) + "\n";
}

JobResult checkOne(const FoundPath& found, bool json, int64_t now) {
    const std::string& path = found.path;
    if (!found.unreadable.empty()) {
        return {json ? jsonLine({{"path", path}, {"result", found.unreadable}})
                     : escapedText(path) + ": " + found.unreadable + "\n",
                Verdict::NotAPackage};
    }
    const OpenedPackage opened(path);
    const PackageFacts facts =
        opened.package() != nullptr ? gatherFacts(*opened.package(), now) : PackageFacts();
    const PackageCheck check = checkPackage(opened, facts, false);
    JobResult result;
    result.verdict = verdictOf(opened, check);
    result.text = json ? jsonLine({{"path", path},
                                   {"result", verdictWord(result.verdict)},
                                   {"problems", check.problems},
                                   {"notes", check.notes}})
                       : lineOf(path, check);
    return result;
}

std::string summaryOf(size_t packages, const JobCounts& counts, bool json) {
    if (json) {
        return jsonLine({{"summary",
                          {{"packages", packages},
                           {"ok", counts.intact},
                           {"damaged", counts.damaged},
                           {"notPackages", counts.notPackages},
                           {"stopped", counts.stopped}}}});
    }
    return std::to_string(packages) + " packages: " + std::to_string(counts.intact) + " ok, " +
           std::to_string(counts.damaged) + " damaged, " + std::to_string(counts.notPackages) +
           " not read as packages" + (counts.stopped ? "; stopped before the end" : "") + "\n";
}

} // namespace

int checkCommand(const CheckOptions& options) {
    const std::vector<FoundPath> packages = findPackages(options.paths);
    const int64_t now = nowSeconds();
    const JobCounts counts = runInOrder(
        packages.size(), options.jobs,
        [&](size_t i) { return checkOne(packages[i], options.json, now); },
        [](const JobResult& result) { writeText(Stream::Out, result.text); });
    writeText(Stream::Out, summaryOf(packages.size(), counts, options.json));
    return exitStatusOf(counts);
}
