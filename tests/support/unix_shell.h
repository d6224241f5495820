#pragma once
// What a test needs of the machine under the program: links made and files
// removed as the user's own shell would, also while Wine holds them open.
#include <filesystem>
#include <string>

// The path the machine's own shell names `path` by ("" when there is none).
std::string unixPathOf(const std::filesystem::path& path);

// Runs `script` in /bin/sh and waits for it; false when it could not be run or
// failed. On Windows outside Wine there is no such shell: always false.
bool runUnixShell(const std::string& script);
