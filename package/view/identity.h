#pragma once
// What names a package, in either format: its format, UID, names, vendor and
// the platforms it is for.
#include <string>
#include <vector>

#include "package/package.h"

// "sis", "sis-er5" (EPOC Release 5), "sisx" or "sisx-stub".
std::string formatName(const Package& package);
// The package UID as 0x and eight hex digits.
std::string packageUid(const Package& package);
// Its names, one per language, leaving out empty ones.
std::vector<std::string> packageNames(const Package& package);
// The vendor: the unique vendor name, else the first localised one; "" for the older format.
std::string packageVendor(const Package& package);
// The devices it is for, each its UID and the platform's name when known.
std::vector<std::string> packagePlatforms(const Package& package);
