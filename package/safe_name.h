#pragma once
// Whether an install name may be extracted below the destination folder: after
// its drive is dropped it must not climb out of the folder, name a device or
// reach another volume. Slashes separate elements as backslashes do.
bool isSafeInstallName(const char* name);
