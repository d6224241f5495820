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

// Loads string `id` into a wide buffer of `size` characters (at most size - 1 of
// them and a terminator); an id without a string leaves the buffer empty.
void loadStringWide(int id, wchar_t* buffer, size_t size);

// Appends `text` to the terminated wide text in a buffer of `size` characters,
// cutting what does not fit but never between the halves of a surrogate pair.
void appendBounded(wchar_t* buffer, size_t size, const wchar_t* text);

// UTF-16 to UTF-8 only when the whole text fits `size` bytes with its terminator:
// a cut path would name another file. Returns false (buffer untouched) otherwise,
// and for an empty text.
bool narrowWhole(const wchar_t* text, char* buffer, size_t size);
