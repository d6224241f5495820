#pragma once
// Language names from the program's strings (500 + language code).
#include <cstdint>
#include <string>

#include "package/package.h"

// The name of language `code` in a package of `kind`: the older format names
// codes below 100, Symbian OS 9 every code that has a name; empty otherwise.
std::wstring languageName(PackageKind kind, uint32_t code);
