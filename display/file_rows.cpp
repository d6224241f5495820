#include "display/file_rows.h"

#include <algorithm>
#include <numeric>

#include "common/string_ids.h"
#include "display/language_names.h"
#include "display/sorted_lines.h"
#include "display/text.h"
#include "package/details/capabilities.h"

namespace {

// A line is cut at 249 characters, as the list has always shown it.
constexpr size_t kLineSize = 250;
constexpr uint32_t kLastPrefixedKind = 5;

// An embedded Symbian OS 9 package's line is no file of its own: it has no sizes.
bool hasSizes(const PackageEntry& entry) {
    return entry.kind != FileComponent || entry.fileCount > 0;
}

uint64_t sizeIn(const PackageEntry& entry, int column) {
    return column == ColumnSize ? entry.originalLength : entry.storedLength;
}

} // namespace

std::wstring capabilityColumnText(uint32_t capabilities) {
    return widen(capabilityNames(capabilities).c_str());
}

void FileRows::show(std::shared_ptr<const Package> package, bool sortedByLine, LCID locale) {
    package_ = std::move(package);
    for (uint32_t kind = 1; kind <= kLastPrefixedKind; ++kind) {
        wchar_t prefix[kLineSize] = {};
        loadStringWide(IdsPrefixBase + static_cast<int>(kind), prefix, kLineSize);
        prefixes_[kind] = prefix;
    }
    sortColumn_ = kNoSortColumn;
    descending_ = false;
    if (sortedByLine) {
        sortBy(ColumnLine, locale);
        return;
    }
    rows_.resize(package_ ? package_->contents.entries.size() : 0);
    std::iota(rows_.begin(), rows_.end(), 0u);
}

void FileRows::clear() {
    package_.reset();
    std::vector<uint32_t>().swap(rows_);
    sortColumn_ = kNoSortColumn;
    descending_ = false;
}

size_t FileRows::rowOf(uint32_t entry) const {
    return static_cast<size_t>(std::find(rows_.begin(), rows_.end(), entry) - rows_.begin());
}

int FileRows::columnCount() const {
    return package_ && package_->sisx ? kFileColumns : ColumnCapabilities;
}

void FileRows::cellText(size_t row, int column, wchar_t* buffer, size_t size) const {
    if (buffer == nullptr || size == 0)
        return;
    buffer[0] = L'\0';
    if (row < rows_.size())
        appendBounded(buffer, size, entryText(rows_[row], column).c_str());
}

std::wstring FileRows::cell(size_t row, int column) const {
    return row < rows_.size() ? entryText(rows_[row], column) : std::wstring();
}

std::wstring FileRows::entryText(uint32_t index, int column) const {
    const PackageEntry& entry = package_->contents.entries[index];
    switch (column) {
    case ColumnLine:
        return lineText(entry);
    case ColumnSize:
    case ColumnStored:
        return hasSizes(entry) ? std::to_wstring(sizeIn(entry, column)) : std::wstring();
    case ColumnLanguage:
        return languagesText(entry);
    case ColumnCapabilities:
        return entry.hasCapabilities ? capabilityColumnText(entry.capabilities) : std::wstring();
    default:
        return std::wstring();
    }
}

std::wstring FileRows::lineText(const PackageEntry& entry) const {
    wchar_t line[kLineSize] = {};
    // Only the five installer actions have a prefix; an unknown file type from a
    // damaged package must not pick up an unrelated string as its prefix.
    if (entry.kind != 0 && entry.kind <= kLastPrefixedKind)
        appendBounded(line, kLineSize, prefixes_[entry.kind].c_str());
    appendBounded(line, kLineSize, widen(package_->contents.text(entry.name)).c_str());
    return line;
}

std::wstring FileRows::languagesText(const PackageEntry& entry) const {
    std::wstring names;
    const Contents& contents = package_->contents;
    for (uint32_t i = 0; i < entry.fileCount; ++i) {
        const uint32_t code = contents.variantLanguage(entry, i);
        if (code == kNoLanguage)
            continue;
        if (!names.empty())
            names += L", ";
        names += languageName(package_->kind, code);
    }
    return names;
}

void FileRows::sortBy(int column, LCID locale) {
    if (!package_ || column < 0 || column >= columnCount())
        return;
    if (column == sortColumn_) {
        std::reverse(rows_.begin(), rows_.end());
        descending_ = !descending_;
        return;
    }
    rows_ = orderBy(column, locale);
    sortColumn_ = column;
    descending_ = false;
}

// Sizes sort as numbers, lines without sizes first; texts as a sorted list box
// orders them. Lines that sort alike keep their package order.
std::vector<uint32_t> FileRows::orderBy(int column, LCID locale) const {
    const std::vector<PackageEntry>& entries = package_->contents.entries;
    std::vector<uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    if (column == ColumnSize || column == ColumnStored) {
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const bool sizedA = hasSizes(entries[a]);
            const bool sizedB = hasSizes(entries[b]);
            if (sizedA != sizedB)
                return sizedB;
            return sizedA && sizeIn(entries[a], column) < sizeIn(entries[b], column);
        });
        return order;
    }
    std::vector<std::wstring> texts;
    texts.reserve(entries.size());
    for (uint32_t entry : order)
        texts.push_back(entryText(entry, column));
    const std::vector<size_t> sorted = sortedListOrder(locale, texts);
    for (size_t i = 0; i < sorted.size(); ++i)
        order[i] = static_cast<uint32_t>(sorted[i]);
    return order;
}
