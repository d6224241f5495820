#pragma once
// The program's own words as the command line prints them.
#include <string>
#include <vector>

// The first line of message `id` of the string table: "Read Error!" of
// "Read Error!\nPublic: ExtractFile".
std::string messageText(int id);

// The texts one after another, `separator` between them.
std::string joined(const std::vector<std::string>& texts, const char* separator);
// Text from a package as a line of the terminal may show it: every control
// character (below 0x20, and 0x7F) written as \xHH, so that a name can neither
// break a line nor send the terminal an escape sequence.
std::string escapedText(const std::string& text);
