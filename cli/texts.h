#pragma once
// The program's own words as the command line prints them.
#include <cstdint>
#include <string>
#include <vector>

#include "package/package.h"

// The first line of message `id` of the string table: "Read Error!" of
// "Read Error!\nPublic: ExtractFile".
std::string messageText(int id);

// A list line as the window shows it: the prefix of its kind, then its name.
std::string lineText(const Contents& contents, const PackageEntry& entry);

// The name of language `code` in a package of `kind`, as the window names it;
// "" for a code it has no name for.
std::string languageName(PackageKind kind, uint32_t code);

// The texts one after another, `separator` between them.
std::string joined(const std::vector<std::string>& texts, const char* separator);
// Text from a package as a line of the terminal may show it: every control
// character (below 0x20, and 0x7F) written as \xHH, so that a name can neither
// break a line nor send the terminal an escape sequence.
std::string escapedText(const std::string& text);

// The labels of the header panel's boxes, as the main window shows them.
struct BoxLabel {
    int box;           // the box's control id
    const char* group; // the group box it stands in
    const char* label; // without its colon
};
extern const BoxLabel kBoxLabels[28];
const char* boxLabel(int box);
// The text of a header box as the window fills it for `package`.
std::string boxText(const Package& package, int box);
