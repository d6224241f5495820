// list: the file list's lines, as the window shows them, and with --long its columns.
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_text.h"
#include "cli/opened_package.h"
#include "cli/texts.h"
#include "common/string_ids.h"
#include "package/details/capabilities.h"

namespace {

// An embedded Symbian OS 9 package's line is no file of its own: it has no sizes.
bool hasSizes(const PackageEntry& entry) {
    return entry.kind != FileComponent || entry.fileCount > 0;
}

std::vector<std::string> languagesOf(const Package& package, const PackageEntry& entry) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < entry.fileCount; ++i) {
        const uint32_t code = package.contents.variantLanguage(entry, i);
        if (code != kNoLanguage) {
            names.push_back(languageName(package.kind, code));
        }
    }
    return names;
}

std::string capabilitiesOf(const PackageEntry& entry) {
    return entry.hasCapabilities ? capabilityNames(entry.capabilities) : "";
}

std::string lineWithColumns(const Package& package, const PackageEntry& entry) {
    const std::string sizes = hasSizes(entry) ? std::to_string(entry.originalLength) + "\t" +
                                                    std::to_string(entry.storedLength)
                                              : "\t";
    return lineText(package.contents, entry) + "\t" + sizes + "\t" +
           joined(languagesOf(package, entry), ", ") + "\t" + capabilitiesOf(entry);
}

Json lineJson(const Package& package, const PackageEntry& entry) {
    Json line = {{"line", lineText(package.contents, entry)},
                 {"kind", entry.kind},
                 {"languages", languagesOf(package, entry)},
                 {"capabilities", capabilitiesOf(entry)}};
    if (hasSizes(entry)) {
        line["size"] = entry.originalLength;
        line["stored"] = entry.storedLength;
    }
    return line;
}

} // namespace

int listCommand(const ListOptions& options) {
    const OpenedPackage opened(options.package);
    const Package* package = opened.package();
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
