#pragma once
// A file written whole or not at all, for what the program saves in one piece.
#include <cstddef>
#include <string>

enum class SaveResult {
    Saved,
    CannotCreate, // the file, or a temporary one beside it, could not be made
    DiskFull,
    WriteFailed,
};

// Writes `size` bytes to `path` (UTF-8). A new file is created under its own
// name; a file that is there (or a link of that name, itself replaced) is left
// as it was until a temporary file in its folder holds every byte and takes
// its name. Whatever fails, no cut file is left under either name.
SaveResult saveWholeFile(const std::string& path, const unsigned char* data, size_t size);
