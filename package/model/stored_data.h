#pragma once
// One file's stored data as a package describes it, in either package format:
// where its bytes are, how they are kept, and what the installed file must be.
#include <cstdint>

#include "package/io/byte_source.h"

enum class StoredCoding : uint8_t {
    AsIs,    // the bytes are the file
    Zlib,    // a zlib stream (RFC 1950) that inflates to the file
    Unknown, // a way of keeping data this program cannot undo
    Missing, // the package does not hold the data where it should be
};

struct StoredData {
    // The stored bytes as far as the package holds them: a range declared to
    // run past the end of the package is cut at the end.
    ByteSource bytes;
    StoredCoding coding = StoredCoding::Zlib;
    uint64_t originalLength = 0; // the installed file's size
    bool hasSha1 = false;        // whether sha1 holds the installed file's digest
    unsigned char sha1[20] = {};
};
