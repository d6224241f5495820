#include "package/extract/safe_name.h"

#include <cstddef>
#include <cstring>

#include "common/paths.h"

namespace {

bool equalsIgnoringCase(const char* text, size_t length, const char* word) {
    size_t i = 0;
    for (; i < length && word[i] != '\0'; ++i) {
        if (asciiLower(text[i]) != asciiLower(word[i])) {
            return false;
        }
    }
    return i == length && word[i] == '\0';
}

// "." and ".." climb or stay; Windows also drops trailing dots and blanks, so an
// element of nothing else names the folder above or this one.
bool isDotsAndBlanks(const char* element, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (element[i] != '.' && element[i] != ' ') {
            return false;
        }
    }
    return length > 0;
}

// Windows opens the device whatever extension follows, and ignores blanks
// before the extension.
bool isReservedDevice(const char* element, size_t length) {
    size_t stem = 0;
    while (stem < length && element[stem] != '.') {
        ++stem;
    }
    while (stem > 0 && element[stem - 1] == ' ') {
        --stem;
    }
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (equalsIgnoringCase(element, stem, device)) {
            return true;
        }
    }
    // COM1 to COM9 and LPT1 to LPT9, and their superscript-digit spellings.
    if (stem >= 4 &&
        (equalsIgnoringCase(element, 3, "COM") || equalsIgnoringCase(element, 3, "LPT"))) {
        const unsigned char* tail = reinterpret_cast<const unsigned char*>(element + 3);
        if (stem == 4 && tail[0] >= '1' && tail[0] <= '9') {
            return true;
        }
        if (stem == 5 && tail[0] == 0xC2 &&
            (tail[1] == 0xB9 || tail[1] == 0xB2 || tail[1] == 0xB3)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool isSafePathElement(const char* element, size_t length) {
    if (length == 0 || std::memchr(element, ':', length) != nullptr) {
        return false;
    }
    return !isDotsAndBlanks(element, length) && !isReservedDevice(element, length);
}

bool isSafeInstallName(const char* name) {
    if (name == nullptr) {
        return false;
    }
    const char* rest = withoutDrive(name).data();
    // \\server\share, \\?\ and \\.\ all start with two separators.
    if (isPathSeparator(rest[0]) && isPathSeparator(rest[1])) {
        return false;
    }
    if (std::strchr(rest, ':') != nullptr) {
        return false;
    }
    const char* element = rest;
    for (;;) {
        size_t length = 0;
        while (element[length] != '\0' && !isPathSeparator(element[length])) {
            ++length;
        }
        if (isDotsAndBlanks(element, length) || isReservedDevice(element, length)) {
            return false;
        }
        if (element[length] == '\0') {
            return true;
        }
        element += length + 1;
    }
}
