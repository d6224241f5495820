// list: the file list's lines, as the window shows them, and with --long its columns.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_text.h"
#include "cli/texts.h"
#include "package/opened_package.h"
#include "package/view/file_lines.h"

namespace {

// Every column, whatever the format: a column the format does not fill is empty.
std::string lineWithColumns(const Package& package, const PackageEntry& entry) {
    std::string line = cellText(package, entry, ColumnLine);
    for (int column = ColumnLine + 1; column < kFileColumns; ++column) {
        line += "\t" + cellText(package, entry, column);
    }
    return line;
}

Json lineJson(const Package& package, const PackageEntry& entry) {
    Json line = {{"line", lineText(package.contents, entry)},
                 {"kind", entry.kind},
                 {"languages", lineLanguages(package, entry)},
                 {"capabilities", lineCapabilities(entry)}};
    if (hasSizes(entry)) {
        line["size"] = entry.originalLength;
        line["stored"] = entry.storedLength;
    }
    return line;
}

} // namespace

int listCommand(const ListOptions& options) {
    const OpenedPackage opened(options.package);
    const Package* package = opened.package().get();
    if (const int refused = refusalMessage(opened)) {
        writeText(Stream::Err, options.package + ": " + messageText(refused) + "\n");
        return kExitDamaged;
    }
    std::string out;
    Json lines = Json::array();
    for (const PackageEntry& entry : package->contents.entries) {
        if (options.json) {
            lines.push_back(lineJson(*package, entry));
        } else {
            out += escapedText(options.columns ? lineWithColumns(*package, entry)
                                               : lineText(package->contents, entry)) +
                   "\n";
        }
    }
    if (options.json) {
        out = jsonLine({{"path", options.package}, {"lines", lines}});
    }
    writeText(Stream::Out, out);
    return kExitIntact;
}
