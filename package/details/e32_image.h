#pragma once
// What an installed executable says of itself in its first bytes: a Symbian
// OS 9 (EKA2) E32 image header with its secure ID, vendor ID and capabilities,
// or the "MZ" of a Windows executable built for the emulator.
#include <cstdint>

#include "package/io/byte_source.h"
#include "package/model/contents.h"

enum class ExecutableKind {
    NotAnImage, // neither: a data file, or bytes that could not be read
    E32Image,   // an E32 image with security information
    Emulator,   // a Windows executable: the emulator's build, not a phone's
};

struct ExecutableFacts {
    ExecutableKind kind = ExecutableKind::NotAnImage;
    uint32_t secureId = 0;
    uint32_t vendorId = 0;
    uint32_t capabilities = 0; // bits 0 to 31
};

// Reads the first bytes of `data` (inflating only as many as the header takes).
ExecutableFacts readExecutableFacts(const StoredLocation& data, const ByteSource& package);
