#pragma once
// A package's lines as every front end lists them: each line's cells, and the
// one rule for naming its languages.
#include <cstdint>
#include <string>
#include <vector>

#include "package/package.h"

// The columns, in their order in the list; a line's first cell is the line the
// list has always shown.
enum FileColumn : int {
    ColumnLine = 0,
    ColumnSize,
    ColumnStored,
    ColumnLanguage,
    ColumnCapabilities, // Symbian OS 9 only
};
constexpr int kFileColumns = 5;

// The columns a package's lines have: the capabilities only for Symbian OS 9.
int fileColumnCount(const Package& package);

// The line as the list shows it: the prefix of its kind, then its name (UTF-8).
std::string lineText(const Contents& contents, const PackageEntry& entry);
// An embedded Symbian OS 9 package's line is no file of its own: it has no sizes.
bool hasSizes(const PackageEntry& entry);
// The size column's number: the original or the stored size.
uint64_t sizeIn(const PackageEntry& entry, int column);
// The names of the line's languages, one per language variant.
std::vector<std::string> lineLanguages(const Package& package, const PackageEntry& entry);
// The names of the line's capabilities, or "" when it declares none.
std::string lineCapabilities(const PackageEntry& entry);
// The text of one cell (UTF-8): sizes in base 10, languages joined by ", ".
std::string cellText(const Package& package, const PackageEntry& entry, int column);
