#pragma once
// The shared real packages and their expected results, read from where the
// shared test data lies; never copied into the repository.
#include <string>
#include <vector>

namespace testsupport {

// A folder of the shared test data ("real", "sisx", "sisx/damaged") as UTF-8,
// or "" when the shared data is absent.
std::string sharedPackageFolder(const std::string& below);

// The packages of `folder` that have expected results beside them, sorted by name.
std::vector<std::string> packageNamesIn(const std::string& folder);

// Every package file (.sis or .sisx, in any case) of the shared folders real,
// sisx, sisx/stubs and sisx/damaged, as UTF-8 paths; empty when the data is absent.
std::vector<std::string> allSharedPackages();

// The older real packages: sharedPackageFolder("real") and its names.
std::string realPackageFolder();
std::vector<std::string> realPackageNames();

} // namespace testsupport
