// info: the header panel's boxes, labelled as the window labels them, and the
// package's details.
#include "cli/clock.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/json_text.h"
#include "package/opened_package.h"
#include "cli/texts.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/details/details.h"
#include "package/view/header_view.h"

namespace {

// The boxes group by group as the window shows them, the empty ones left out.
std::string headerText(const std::string& path, const Package& package) {
    const HeaderBoxes boxes = headerBoxes(package);
    int group = kHeaderOrder[0].group;
    std::string text = std::string(programText(group)) + "\nFile: " + path + "\n";
    for (const HeaderPlace& place : kHeaderOrder) {
        const std::string& value = boxOf(boxes, place.field);
        if (value.empty()) {
            continue;
        }
        if (place.group != group) {
            group = place.group;
            text += std::string("\n") + programText(group) + "\n";
        }
        text += std::string(programText(headerLabel(place.field))) + ": " + value + "\n";
    }
    return text;
}

Json headerJson(const Package& package) {
    const HeaderBoxes boxes = headerBoxes(package);
    Json header = Json::object();
    for (const HeaderPlace& place : kHeaderOrder) {
        header[programText(headerLabel(place.field))] = boxOf(boxes, place.field);
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
    const Package* package = opened.package().get();
    if (package == nullptr) {
        writeText(Stream::Err,
                  options.package + ": " + messageText(openMessage(opened.result())) + "\n");
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
