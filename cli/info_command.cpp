// info: the header panel's boxes, labelled as the window labels them, and the
// package's details.
#include <cstring>

#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_text.h"
#include "cli/opened_package.h"
#include "cli/texts.h"
#include "common/string_ids.h"
#include "package/details/details.h"

namespace {

// The boxes group by group as the window shows them, the empty ones left out.
std::string headerText(const std::string& path, const Package& package) {
    std::string text = std::string(kBoxLabels[0].group) + "\nFile: " + path + "\n";
    const char* group = kBoxLabels[0].group;
    for (const BoxLabel& label : kBoxLabels) {
        const std::string value = boxText(package, label.box);
        if (value.empty()) {
            continue;
        }
        if (std::strcmp(group, label.group) != 0) {
            group = label.group;
            text += std::string("\n") + group + "\n";
        }
        text += std::string(label.label) + ": " + value + "\n";
    }
    return text;
}

Json headerJson(const Package& package) {
    Json header = Json::object();
    for (const BoxLabel& label : kBoxLabels) {
        header[label.label] = boxText(package, label.box);
    }
    return header;
}

Json detailsJson(const PackageDetails& details) {
    Json sections = Json::array();
    for (const DetailSection& section : details.sections) {
        Json lines = Json::array();
        for (const DetailLine& line : section.lines) {
            lines.push_back({{"label", line.label}, {"value", line.value}});
        }
        sections.push_back({{"heading", section.heading}, {"lines", lines}});
    }
    return sections;
}

} // namespace

int infoCommand(const InfoOptions& options) {
    const OpenedPackage opened(options.package);
    const Package* package = opened.package();
    if (package == nullptr) {
        writeText(Stream::Err,
                  options.package + ": " + messageText(openMessage(opened.state())) + "\n");
        return kExitDamaged;
    }
    const PackageDetails details = describePackage(*package, nowSeconds());
    if (options.json) {
        writeText(Stream::Out, jsonLine({{"path", options.package},
                                         {"header", headerJson(*package)},
                                         {"details", detailsJson(details)}}));
    } else {
        writeText(Stream::Out, headerText(options.package, *package) + "\n" + detailsText(details));
    }
    // Only the boxes of its first bytes could be filled, as in the window.
    if (!package->readable()) {
        writeText(Stream::Err, options.package + ": " + messageText(IdsCantRead) + "\n");
        return kExitDamaged;
    }
    return kExitIntact;
}
