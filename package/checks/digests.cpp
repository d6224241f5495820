#include "package/checks/digests.h"

#include <vector>

std::string hexText(const unsigned char* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::string sha256Hex(const ByteSource& source) {
    Sha256 sha256;
    std::vector<unsigned char> piece(1u << 20);
    for (uint64_t at = 0; at < source.size();) {
        const size_t got = source.readSome(at, piece.data(), piece.size());
        if (got == 0) {
            return "";
        }
        sha256.update(piece.data(), got);
        at += got;
    }
    const std::array<unsigned char, 32> digest = sha256.final();
    return hexText(digest.data(), digest.size());
}
