#include "package/details/details.h"

#include <cstdio>
#include <ctime>

#include "package/details/capabilities.h"
#include "package/details/details_facts.h"
#include "package/details/known_uids.h"
#include "package/sisx/sisx_texts.h"
#include "package/texts/language_names.h"

namespace {

// "Name" for a package of one language, "Name (French)" for one of several.
std::string perLanguage(const char* label, PackageKind kind, const std::vector<uint32_t>& languages,
                        size_t i) {
    if (languages.size() < 2 || i >= languages.size()) {
        return label;
    }
    return std::string(label) + " (" + languageLabel(kind, languages[i]) + ")";
}

void addPerLanguage(DetailSection& section, const char* label, PackageKind kind,
                    const std::vector<std::string>& texts, const std::vector<uint32_t>& languages) {
    for (size_t i = 0; i < texts.size(); ++i) {
        section.lines.push_back({perLanguage(label, kind, languages, i), texts[i]});
    }
}

std::string versionText(const sisx::Version& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build);
}

std::string rangeText(const sisx::VersionRange& range) {
    if (!range.hasFrom) {
        return "any version";
    }
    if (!range.hasTo) {
        return "version " + versionText(range.from) + " or later";
    }
    return "versions " + versionText(range.from) + " to " + versionText(range.to);
}

std::string namesText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!name.empty()) {
            text += (text.empty() ? "\"" : ", \"") + name + "\"";
        }
    }
    return text;
}

std::string createdText(const sisx::DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", t.year, t.month + 1u,
                  static_cast<unsigned>(t.day), static_cast<unsigned>(t.hours),
                  static_cast<unsigned>(t.minutes), static_cast<unsigned>(t.seconds));
    return text;
}

DetailSection sisxPackageSection(const Package& package) {
    DetailSection section{"Package", {}};
    const SisxSummary& summary = package.sisx->summary();
    if (!package.readable()) {
        section.lines.push_back(
            {"UID", hexUid(summary.uid3) + " (" + uidRangeText(summary.uid3) + ")"});
        section.lines.push_back({"Contents", "not readable"});
        return section;
    }
    const sisx::Controller& c = package.sisx->controller();
    if (package.kind == PackageKind::SisxStub) {
        section.lines.push_back(
            {"Kind", "a stub of an installed or built-in package: it holds no file data"});
    }
    addPerLanguage(section, "Name", package.kind, c.names, c.languages);
    addPerLanguage(section, "Vendor", package.kind, c.vendorNames, c.languages);
    section.lines.push_back({"Unique vendor name", c.uniqueVendorName});
    section.lines.push_back({"UID", hexUid(c.uid) + " (" + uidRangeText(c.uid) + ")"});
    section.lines.push_back(
        {"Version", sisxVersionText(c.versionMajor, c.versionMinor, c.versionBuild)});
    section.lines.push_back({"Type", sisxTypeText(c.installType)});
    section.lines.push_back({"Install flags", sisxFlagsText(c.installFlags)});
    section.lines.push_back({"Created", createdText(c.created)});
    return section;
}

DetailSection epocPackageSection(const Package& package) {
    DetailSection section{"Package", {}};
    const PackageHeader& header = package.epocHeader;
    section.lines.push_back({"Format", isRelease5(header)
                                           ? "the older format of EPOC Release 5"
                                           : "the older format of Symbian OS 6 to 8"});
    section.lines.push_back({"UID", hexUid(header.appUid())});
    section.lines.push_back({"Version", std::to_string(header.versionMajor()) + "." +
                                            std::to_string(header.versionMinor()) + " build " +
                                            std::to_string(header.versionBuild())});
    addPerLanguage(section, "Component name", package.kind, package.epocFacts.componentNames,
                   package.contents.languages);
    return section;
}

std::string deviceText(uint32_t uid, const std::string& range,
                       const std::vector<std::string>& names) {
    const std::string known = platformName(uid);
    std::string text =
        hexUid(uid) + " " + (known.empty() ? "(not a known platform or phone)" : known);
    if (!range.empty()) {
        text += ", " + range;
    }
    const std::string named = namesText(names);
    return named.empty() ? text : text + ", named " + named;
}

DetailSection platformsSection(const Package& package) {
    DetailSection section{"Platforms and dependencies", {}};
    if (package.sisx && package.readable()) {
        const sisx::Controller& c = package.sisx->controller();
        for (const sisx::Dependency& device : c.targetDevices) {
            section.lines.push_back(
                {"Target device", deviceText(device.uid, rangeText(device.range), device.names)});
        }
        for (const sisx::Dependency& other : c.dependencies) {
            const std::string named = namesText(other.names);
            section.lines.push_back({"Needs package", hexUid(other.uid) +
                                                          (named.empty() ? "" : " " + named) +
                                                          ", " + rangeText(other.range)});
        }
    } else if (!package.sisx) {
        for (const EpocRequisite& r : package.epocFacts.requisites) {
            const std::string version =
                "version " + std::to_string(r.versionMajor) + "." + std::to_string(r.versionMinor);
            const bool platform = platformName(r.uid)[0] != '\0';
            section.lines.push_back({platform ? "Target device" : "Needs package",
                                     deviceText(r.uid, version, r.names)});
        }
    }
    if (section.lines.empty()) {
        section.lines.push_back({"Target devices", "none given"});
    }
    return section;
}

} // namespace

PackageDetails describePackage(const Package& package, int64_t now) {
    PackageDetails details;
    details.sections.push_back(package.sisx ? sisxPackageSection(package)
                                            : epocPackageSection(package));
    details.sections.push_back(platformsSection(package));
    const PackageFacts facts = gatherFacts(package, now);
    details.sections.push_back(signaturesSection(package, facts, &details.certificates));
    details.sections.push_back(capabilitiesSection(package, facts));
    details.sections.push_back(findingsSection(package, facts));
    return details;
}

std::string detailsText(const PackageDetails& details) {
    std::string text;
    for (const DetailSection& section : details.sections) {
        text += (text.empty() ? "" : "\n") + section.heading + "\n";
        for (const DetailLine& line : section.lines) {
            text += line.label + ": " + line.value + "\n";
        }
    }
    return text;
}

std::string dateTimeText(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc = {};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

std::string dateText(int64_t seconds) {
    return dateTimeText(seconds).substr(0, 10);
}
