#pragma once
// Composing the path an extracted file is written to, with no file-system access:
// the destination folder, then the install name's folders and file name below it.
#include <cstddef>

enum class OutputPath {
    Composed,
    TooLong,   // the whole path would take more than kPathUnits UTF-16 units
    Unsafe,    // an element below the folder would climb out, name a device or be empty
    IsPackage, // the path names the package being read
};

// Writes `base` + "\" + `installName` (its drive dropped, its leading separators
// dropped, runs of separators folded into one) to `out` (kPathSize bytes) and
// judges the result. Nothing is ever cut: a path that does not fit is refused,
// and `out` then holds the empty text.
OutputPath composeOutputPath(const char* base, const char* installName, const char* packagePath,
                             char* out);

// The folder part of `path`: everything before its last separator (empty when
// it has none), written to `out` of kPathSize bytes.
void folderOf(const char* path, char* out);
