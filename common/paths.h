#pragma once
// Paths as the program keeps them: UTF-8 in buffers of kPathSize bytes. Windows
// counts a path in UTF-16 units, and so does the program's limit: at most
// kPathUnits units, which take at most three bytes each in UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

constexpr size_t kPathUnits = 259;
constexpr size_t kPathSize = kPathUnits * 3 + 1;

// Windows takes either slash between the elements of a path.
inline bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// The UTF-16 units that UTF-8 `text` takes: one for every character, two for
// one beyond the Basic Multilingual Plane (four bytes in UTF-8).
inline size_t utf16Units(const char* text) {
    size_t units = 0;
    for (; *text != '\0'; ++text) {
        const unsigned char c = static_cast<unsigned char>(*text);
        units += (c & 0xC0) == 0x80 ? 0 : (c >= 0xF0 ? 2 : 1);
    }
    return units;
}

// Windows and the phones compare paths without regard to ASCII case; other
// characters keep their case, as on both.
inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = asciiLower(c);
    }
    return lower;
}

// A path below its drive: any one character and a colon, as both Windows and
// a package's install paths ("!:\sys\bin\a.exe") write a drive.
inline std::string_view withoutDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}
