#pragma once
// UTF-16 to UTF-8, the program's one conversion: package names, certificate
// names, the command line's arguments and the window's texts all come in as
// UTF-16 and are kept as UTF-8. It gives what Windows' own conversion gives
// (an unpaired surrogate becomes U+FFFD), on every platform.
#include <cstddef>
#include <cstdint>
#include <string>

inline bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Writes the UTF-8 of code point `cp` (at most four bytes) to `out`; returns
// how many. A surrogate or a value beyond U+10FFFF is written as U+FFFD.
inline size_t encodeUtf8(uint32_t cp, char* out) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
        cp = kReplacementCharacter;
    }
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

inline void appendUtf8(std::string& out, uint32_t cp) {
    char encoded[4];
    out.append(encoded, encodeUtf8(cp, encoded));
}

// The code point that starts at units[i] (of `count`), and in `taken` how many
// units it takes.
inline uint32_t codePointAt(const uint16_t* units, size_t count, size_t i, size_t* taken) {
    if (isHighSurrogate(units[i]) && i + 1 < count && isLowSurrogate(units[i + 1])) {
        *taken = 2;
        return 0x10000 + ((units[i] - 0xD800u) << 10) + (units[i + 1] - 0xDC00u);
    }
    *taken = 1;
    return units[i];
}

// `count` UTF-16 units, up to the first zero unit, as terminated UTF-8 in `out`
// of `size` bytes: a character that does not fit whole ends the text there.
// Returns the length written.
inline size_t utf16ToUtf8(const uint16_t* units, size_t count, char* out, size_t size) {
    if (size == 0) {
        return 0;
    }
    size_t length = 0;
    size_t taken = 1;
    for (size_t i = 0; i < count && units[i] != 0; i += taken) {
        if (units[i] < 0x80 && length + 1 < size) {
            out[length++] = static_cast<char>(units[i]); // most names are ASCII
            taken = 1;
            continue;
        }
        char encoded[4];
        const size_t n = encodeUtf8(codePointAt(units, count, i, &taken), encoded);
        if (n > size - 1 - length) {
            break;
        }
        for (size_t k = 0; k < n; ++k) {
            out[length++] = encoded[k];
        }
    }
    out[length] = '\0';
    return length;
}

// Every one of `count` units, zero units too, as Windows converts a counted text.
inline std::string utf16ToUtf8(const uint16_t* units, size_t count) {
    std::string out;
    out.reserve(count);
    size_t taken = 1;
    for (size_t i = 0; i < count; i += taken) {
        appendUtf8(out, codePointAt(units, count, i, &taken));
    }
    return out;
}

// A terminated wide string of Windows (wchar_t holds one UTF-16 unit there).
template <typename Wide> std::string utf16ToUtf8(const Wide* text) {
    static_assert(sizeof(Wide) == sizeof(uint16_t), "UTF-16 units");
    size_t count = 0;
    while (text[count] != 0) {
        ++count;
    }
    return utf16ToUtf8(reinterpret_cast<const uint16_t*>(text), count);
}
