#pragma once
// SHA-256 of a byte string or a file, as lowercase hex, for comparing extracted
// files with their expected digests.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

// Bytes as lowercase hex.
std::string hexOf(const unsigned char* bytes, size_t count);

std::string sha256Hex(const void* data, size_t size);
// Empty when the file cannot be read.
std::string sha256File(const std::filesystem::path& path);

} // namespace testsupport
