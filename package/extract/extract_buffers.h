#pragma once
// The buffers an extraction run reads and writes its files through. They are
// made at the run's first file and kept to its end: making megabytes anew for
// every file, and touching them anew, cost more than inflating a small file,
// under Wine most of all.
#include <cstdint>

// One chunk of stored data; not 65536, so every chunk length fits the 16-bit
// counts the original tool worked with.
constexpr uint32_t kChunk = 65535;
// Stored data is read four chunks at a time: fewer reads, each a system call
// (several under Wine), while what is read still stays in the processor's cache.
constexpr uint32_t kInputChunk = 4 * kChunk;
// What is inflated goes out in larger pieces: fewer calls into zlib, each with
// its copy into the window, and fewer writes.
constexpr uint32_t kOutputChunk = 16 * kChunk;

// Two of each kind of chunk: one being written while the other is filled.
struct ExtractBuffers {
    unsigned char input[2][kInputChunk];
    unsigned char output[2][kOutputChunk];
};
