#pragma once
// The words of a package source (.pkg) as makesis reads them: quoted text,
// numbers, language codes and the attributes its conditions test, and the
// file's own encoding (UTF-16LE after a byte-order mark, CRLF line ends).
#include <cstdint>
#include <string>
#include <vector>

// `text` (UTF-8) as a quoted .pkg string. A double quote or a control
// character cannot stand inside the quotes: it is written as its character
// code between < and >, outside them ("a"<34>"b").
std::string quoted(const std::string& text);
// A list of quoted texts in braces: {"a","b"}.
std::string quotedList(const std::vector<std::string>& texts);
// A UID as 0x and eight hex digits.
std::string uidText(uint32_t uid);
// A number as a condition compares it: decimal, or hex from 0x10000 up.
std::string numberText(int64_t value);

// The two-letter code of a language, or "" for one without: codes 1 to 98
// (99 and others have none).
const char* languageCode(uint32_t language);

// The name a condition uses for a device attribute (a HAL attribute below
// 0x1000, LANGUAGE 0x1000, REMOTEINSTALL 0x1001), or "" for one without.
// Symbian OS 9 writes them in capitals, the older format as they are named.
std::string attributeName(uint32_t attribute, bool capitals);

// The bytes of a .pkg file: a byte-order mark, then `text` (UTF-8) in
// UTF-16LE, each line end written as CR LF.
std::vector<unsigned char> pkgFileBytes(const std::string& text);
