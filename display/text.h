#pragma once
// UTF-8 inside the program, UTF-16 at the window and file-system boundary.
#include <windows.h>

#include <cstddef>
#include <string>

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring widen(const char* utf8);

// UTF-16 to UTF-8 into a buffer of `size` bytes, cut at a character boundary and
// always terminated. Returns the bytes written without the terminator.
size_t narrowInto(const wchar_t* text, char* buffer, size_t size);

// Loads string `id` of the program's string table as UTF-8 into a buffer of
// `size` bytes (an id without a string gives the empty text).
void loadStringUtf8(int id, char* buffer, size_t size);

// Sets and reads a control's text as UTF-8.
void setItemText(HWND dialog, int id, const char* utf8);
void getItemText(HWND dialog, int id, char* buffer, size_t size);
