#pragma once
// The SHA-1 compression of whole 64-byte blocks: the portable one, and the one
// of the processor's SHA instructions where it has them.
#include <cstddef>
#include <cstdint>

void sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks);

// True when this processor has the SHA extensions (and SSE4.1 beside them).
bool sha1HardwareAvailable();
// Only where sha1HardwareAvailable() said so.
void sha1BlocksHardware(uint32_t state[5], const unsigned char* data, size_t blocks);
