#include "package/io/names.h"

#include <algorithm>
#include <cstring>

#include "package/io/little_endian.h"

namespace {

// 0x80 to 0x9F of Windows-1252. The five unassigned bytes map to the C1 control
// of the same value, as Windows' own conversion does.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

size_t cutUtf8(char* text, size_t length, size_t size) {
    if (size == 0) {
        return 0;
    }
    if (length > size - 1) {
        length = size - 1;
        // Step back over continuation bytes to the start of the cut character.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    text[length] = '\0';
    return length;
}

void copyUtf8Bounded(char* dest, size_t size, const char* text) {
    if (size == 0) {
        return;
    }
    size_t length = 0;
    while (text[length] != '\0' && length + 1 < size) {
        ++length;
    }
    if (text[length] != '\0') {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    for (size_t i = 0; i < length; ++i) {
        dest[i] = text[i];
    }
    dest[length] = '\0';
}

size_t windows1252ToUtf16(const unsigned char* bytes, size_t count, uint16_t* units,
                          size_t maxUnits) {
    size_t n = 0;
    for (size_t i = 0; i < count && n < maxUnits && bytes[i] != 0; ++i) {
        unsigned char b = bytes[i];
        units[n++] = (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : static_cast<uint16_t>(b);
    }
    return n;
}

bool decodeName(const unsigned char* raw, size_t count, bool unicode, char* dest, size_t destSize) {
    // Only the units taken are read: a whole name's worth of zeros, cleared for
    // every name, cost more than the rest of reading a package's records.
    uint16_t units[kMaxNameUnits + 1];
    size_t unitCount;
    if (unicode) {
        unitCount = count / 2;
        if (unitCount > sizeof units / sizeof units[0]) {
            unitCount = sizeof units / sizeof units[0];
        }
        for (size_t i = 0; i < unitCount; ++i) {
            units[i] = le16(raw + 2 * i);
        }
        // An odd length leaves half a unit; its high byte is taken as zero.
        if ((count & 1) != 0 && unitCount < sizeof units / sizeof units[0]) {
            units[unitCount++] = raw[count - 1];
        }
    } else {
        unitCount = windows1252ToUtf16(raw, count, units, sizeof units / sizeof units[0]);
    }
    utf16ToUtf8(units, unitCount, dest, destSize);
    if (!unicode) {
        return std::memchr(raw, 0, count) != nullptr;
    }
    return std::find(units, units + unitCount, 0) != units + unitCount;
}
