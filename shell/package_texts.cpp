#include "shell/package_texts.h"

#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/details/details.h"
#include "package/texts/language_names.h"
#include "package/view/header_view.h"
#include "package/view/identity.h"

namespace {

// The details of a hostile package may run to thousands of lines (65,535
// requisites, say): the summary keeps their first lines, so that the whole
// text, a carriage return added to each line, stays below the 32,767
// characters an edit box has always held (past them Wine's crashes the host).
constexpr size_t kDetailsLimit = 24576;

// A message's first line: the rest names where in the program it was raised.
std::string firstLine(int id) {
    const std::string text = programText(id);
    return text.substr(0, text.find('\n'));
}

std::string joined(const std::vector<std::string>& texts, const char* between) {
    std::string text;
    for (const std::string& part : texts) {
        text += (text.empty() ? "" : between) + part;
    }
    return text;
}

std::string titleOf(const Package& package) {
    const std::vector<std::string> names = packageNames(package);
    return names.empty() ? packageUid(package) : names.front();
}

std::string cutAtLine(const std::string& text, size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    return text.substr(0, text.rfind('\n', limit) + 1) + "...\n";
}

std::string languagesOf(const Package& package) {
    std::vector<std::string> names;
    for (uint32_t code : package.contents.languages) {
        names.push_back(languageLabel(package.kind, code));
    }
    return joined(names, ", ");
}

} // namespace

std::string previewSummary(const Package& package, int64_t now) {
    std::string text =
        titleOf(package) + "\n" + programText(IdsPreviewFormat) + ": " + formatName(package) + "\n";
    if (!package.readable()) {
        text += firstLine(IdsCantRead) + "\n";
    }
    text += "\n" + cutAtLine(detailsText(describePackage(package, now)), kDetailsLimit) + "\n" +
            programText(IdsPreviewNoWholeChecks) + "\n";
    return text;
}

std::string stoppedNote() {
    return std::string(programText(IdsPreviewStopped)) + "\n";
}

std::string openFailureLine(OpenResult result) {
    return firstLine(openMessage(result));
}

std::vector<PropertyText> packageProperties(const Package& package) {
    const std::vector<std::string> platforms = packagePlatforms(package);
    const std::string comment =
        formatName(package) + (platforms.empty() ? "" : ", " + joined(platforms, ", "));
    const PropertyText all[] = {
        {PackageProperty::Title, packageNames(package).empty() ? "" : titleOf(package)},
        {PackageProperty::Company, packageVendor(package)},
        {PackageProperty::Version, boxOf(headerBoxes(package), HeaderField::AppVersion)},
        {PackageProperty::Comment, comment},
        {PackageProperty::Language, languagesOf(package)},
    };
    std::vector<PropertyText> properties;
    for (const PropertyText& property : all) {
        if (!property.text.empty()) {
            properties.push_back(property);
        }
    }
    return properties;
}
