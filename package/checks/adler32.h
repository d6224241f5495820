#pragma once
// Adler-32, the check a zlib stream ends with, taken a piece at a time. zlib
// sums a byte a step; with SSSE3 this sums 32, so checking what is inflated
// costs little beside inflating it.
#include <cstddef>
#include <cstdint>

constexpr uint32_t kAdler32Start = 1;

uint32_t adler32Update(uint32_t adler, const unsigned char* data, size_t count);

// The byte-a-step sum, which the other must always agree with.
uint32_t adler32Portable(uint32_t adler, const unsigned char* data, size_t count);
