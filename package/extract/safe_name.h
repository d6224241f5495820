#pragma once
// Whether an install name may be extracted below the destination folder: after
// its drive is dropped it must not climb out of the folder, name a device or
// reach another volume. Slashes separate elements as backslashes do.
#include <cstddef>

bool isSafeInstallName(const char* name);

// Whether one element of a path (the `length` bytes at `element`, no separator
// among them) may stand below the destination folder: not empty, not only dots
// and blanks, no colon, no device name.
bool isSafePathElement(const char* element, size_t length);
