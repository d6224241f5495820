#include "package/view/file_lines.h"

#include <array>

#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/details/capabilities.h"
#include "package/texts/language_names.h"

namespace {

constexpr uint32_t kLastPrefixedKind = 5;

// The prefix of each line kind, looked up once: a listing asks for every line's.
const std::string& prefixOf(uint32_t kind) {
    static const std::array<std::string, kLastPrefixedKind + 1> prefixes = [] {
        std::array<std::string, kLastPrefixedKind + 1> texts;
        for (uint32_t k = 1; k <= kLastPrefixedKind; ++k) {
            texts[k] = programText(IdsPrefixBase + static_cast<int>(k));
        }
        return texts;
    }();
    // Only the five installer actions have a prefix; an unknown file type from a
    // damaged package must not pick up an unrelated string as its prefix.
    return prefixes[kind <= kLastPrefixedKind ? kind : 0];
}

} // namespace

int fileColumnCount(const Package& package) {
    return package.sisx ? kFileColumns : ColumnCapabilities;
}

std::string lineText(const Contents& contents, const PackageEntry& entry) {
    return prefixOf(entry.kind) + contents.text(entry.name);
}

bool hasSizes(const PackageEntry& entry) {
    return entry.kind != FileComponent || entry.fileCount > 0;
}

uint64_t sizeIn(const PackageEntry& entry, int column) {
    return column == ColumnSize ? entry.originalLength : entry.storedLength;
}

std::vector<std::string> lineLanguages(const Package& package, const PackageEntry& entry) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < entry.fileCount; ++i) {
        const uint32_t code = package.contents.variantLanguage(entry, i);
        if (code != kNoLanguage) {
            names.push_back(languageName(package.kind, code));
        }
    }
    return names;
}

std::string lineCapabilities(const PackageEntry& entry) {
    return entry.hasCapabilities ? capabilityNames(entry.capabilities) : "";
}

std::string cellText(const Package& package, const PackageEntry& entry, int column) {
    switch (column) {
    case ColumnLine:
        return lineText(package.contents, entry);
    case ColumnSize:
    case ColumnStored:
        return hasSizes(entry) ? std::to_string(sizeIn(entry, column)) : "";
    case ColumnLanguage: {
        std::string joined;
        for (const std::string& name : lineLanguages(package, entry)) {
            joined += (joined.empty() ? "" : ", ") + name;
        }
        return joined;
    }
    case ColumnCapabilities:
        return lineCapabilities(entry);
    default:
        return "";
    }
}
