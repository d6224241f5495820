#include "display/file_rows.h"

#include <algorithm>
#include <numeric>

#include "display/sorted_lines.h"
#include "display/text.h"
#include "package/view/file_lines.h"

namespace {

// A line is cut at 249 characters, as the list has always shown it.
constexpr size_t kLineSize = 250;

} // namespace

void FileRows::show(std::shared_ptr<const Package> package, bool sortedByLine, LCID locale) {
    package_ = std::move(package);
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
    return package_ ? fileColumnCount(*package_) : ColumnCapabilities;
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
    const std::wstring text = widen(::cellText(*package_, entry, column).c_str());
    if (column != ColumnLine || text.size() < kLineSize)
        return text;
    wchar_t line[kLineSize] = {};
    appendBounded(line, kLineSize, text.c_str());
    return line;
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
