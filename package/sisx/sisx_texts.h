#pragma once
// How a Symbian OS 9 package's install flags, type and version read, wherever
// they are shown: the header panel, the package details, the command line.
#include <cstdint>
#include <string>

std::string sisxFlagsText(uint8_t flags);
std::string sisxTypeText(uint8_t installType);
std::string sisxVersionText(int32_t major, int32_t minor, int32_t build);
