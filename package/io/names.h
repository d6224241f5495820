#pragma once
// Package names to UTF-8. Names come as UTF-16LE or, in packages without the
// Unicode flag, as 8-bit Windows-1252 text; both end at their first zero.
#include <cstddef>
#include <cstdint>

#include "common/utf16.h"

// A name is kept whole up to this many UTF-16 units, far above any real install
// path; a longer one is listed cut to it and never written.
constexpr uint32_t kMaxNameUnits = 1024;
// The UTF-8 bytes such a name can take, with its terminator.
constexpr size_t kMaxNameBytes = 3 * kMaxNameUnits + 1;

// Cuts UTF-8 text of `length` bytes so that it fits `size` bytes with its
// terminator, never inside a character; terminates it. Returns the new length.
size_t cutUtf8(char* text, size_t length, size_t size);

// Copies terminated UTF-8 text into a buffer of `size` bytes, cut so that it
// fits with its terminator and never inside a character.
void copyUtf8Bounded(char* dest, size_t size, const char* text);

// Windows-1252 bytes (up to `count` or the first zero) as UTF-16 units; writes
// at most `maxUnits` units and returns how many.
size_t windows1252ToUtf16(const unsigned char* bytes, size_t count, uint16_t* units,
                          size_t maxUnits);

// A name as read from the package (`count` raw bytes, of at most kMaxNameUnits
// characters) to terminated UTF-8 in `dest` of `destSize` bytes. Returns whether
// a zero character ended the name within those bytes.
bool decodeName(const unsigned char* raw, size_t count, bool unicode, char* dest, size_t destSize);
