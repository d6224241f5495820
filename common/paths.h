#pragma once
// Paths as the program keeps them: UTF-8 in buffers of kPathSize bytes, so at
// most kPathSize - 1 bytes of text and a terminator.
#include <cstddef>

constexpr size_t kPathSize = 260;

// Windows takes either slash between the elements of a path.
inline bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}
