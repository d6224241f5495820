#pragma once
// A package inside another, as a package file of its own: what "Save package
// as..." writes and what the package source saves beside its .pkg.
#include <cstdint>
#include <vector>

#include "package/package.h"

// The package that line `entry` of `outer` names, as a package file of its own.
struct InnerPackageImage {
    InnerResult result = InnerResult::NoPackage;
    std::vector<unsigned char> bytes; // when result is InnerResult::Opened
};
InnerPackageImage innerPackageImage(const Package& outer, uint32_t entry);
