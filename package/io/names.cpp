#include "package/io/names.h"

#include <algorithm>
#include <cstring>

#include "package/io/little_endian.h"
#include "package/io/platform.h"

namespace {

constexpr uint16_t kReplacement = 0xFFFD;

// 0x80 to 0x9F of Windows-1252. The five unassigned bytes map to the C1 control
// of the same value, as Windows' own conversion does.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

size_t encodeCodePoint(uint32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

size_t utf16ToUtf8(const uint16_t* units, size_t count, char* out, size_t size) {
    if (size == 0) {
        return 0;
    }
    size_t length = 0;
    for (size_t i = 0; i < count && units[i] != 0; ++i) {
        uint32_t cp = units[i];
        if (cp < 0x80 && length + 1 < size) {
            out[length++] = static_cast<char>(cp); // most names are ASCII
            continue;
        }
        if (isHighSurrogate(units[i]) && i + 1 < count && isLowSurrogate(units[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
            ++i;
        } else if (isHighSurrogate(units[i]) || isLowSurrogate(units[i])) {
            cp = kReplacement;
        }
        char encoded[4];
        size_t n = encodeCodePoint(cp, encoded);
        if (n > size - 1 - length) {
            break; // a whole character or nothing
        }
        for (size_t k = 0; k < n; ++k) {
            out[length++] = encoded[k];
        }
    }
    out[length] = '\0';
    return length;
}

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
    platformUtf16ToUtf8(units, unitCount, dest, destSize);
    if (!unicode) {
        return std::memchr(raw, 0, count) != nullptr;
    }
    return std::find(units, units + unitCount, 0) != units + unitCount;
}
