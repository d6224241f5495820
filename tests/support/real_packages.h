#pragma once
// The shared real packages and their expected results, read from where the
// shared test data lies; never copied into the repository.
#include <string>
#include <vector>

namespace testsupport {

// The folder of the real packages (UTF-8), or "" when the shared data is absent.
std::string realPackageFolder();

// The packages that have expected results beside them, sorted by name.
std::vector<std::string> realPackageNames();

} // namespace testsupport
