#pragma once
// String building that cuts silently at the buffer's size and always terminates.
#include <cstddef>
#include <cstring>

// Appends at most `count` bytes of `text` (stopping at its end) to `dest`, a
// buffer of `size` bytes. Returns false when something was cut off.
inline bool appendBounded(char* dest, size_t size, const char* text, size_t count) {
    size_t length = std::strlen(dest);
    bool whole = true;
    for (size_t i = 0; i < count && text[i] != '\0'; ++i) {
        if (length + 1 >= size) {
            whole = false;
            break;
        }
        dest[length++] = text[i];
    }
    dest[length] = '\0';
    return whole;
}

inline bool appendBounded(char* dest, size_t size, const char* text) {
    return appendBounded(dest, size, text, static_cast<size_t>(-1));
}
