#pragma once
// The rows of the file list: which line of the listed package each row shows,
// in the order the user sorted them by, and the text of each of their cells.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/package.h"
#include "package/view/file_lines.h"

constexpr int kNoSortColumn = -1;

class FileRows {
  public:
    // Lists the lines of `package`: in package order, or by their first
    // column as a sorted list box orders it.
    void show(std::shared_ptr<const Package> package, bool sortedByLine, LCID locale);
    void clear();

    const Package* package() const { return package_.get(); }
    size_t count() const { return rows_.size(); }
    uint32_t entryAt(size_t row) const { return rows_[row]; }
    // The row that shows line `entry`; count() when none does.
    size_t rowOf(uint32_t entry) const;
    // The listed package's columns: the capabilities only for Symbian OS 9.
    int columnCount() const;

    // The text of one cell into a buffer of `size` characters, cut to fit.
    void cellText(size_t row, int column, wchar_t* buffer, size_t size) const;
    std::wstring cell(size_t row, int column) const;

    // Sorts by `column`, ascending; sorted by that column already, reversed.
    void sortBy(int column, LCID locale);
    int sortColumn() const { return sortColumn_; }
    bool descending() const { return descending_; }

  private:
    std::wstring entryText(uint32_t entry, int column) const;
    std::vector<uint32_t> orderBy(int column, LCID locale) const;

    std::shared_ptr<const Package> package_;
    std::vector<uint32_t> rows_;
    int sortColumn_ = kNoSortColumn;
    bool descending_ = false;
};
