// The digests against the published test vectors, whole and fed in uneven pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "package/checks/digests.h"
#include "tests/support/sha256.h"

namespace {

using testsupport::hexOf;

std::string digestOf(const std::string& message, size_t piece) {
    Sha1 sha1;
    for (size_t at = 0; at < message.size(); at += piece) {
        sha1.update(message.data() + at, std::min(piece, message.size() - at));
    }
    unsigned char digest[Sha1::kDigestSize];
    sha1.final(digest);
    return hexOf(digest, sizeof digest);
}

} // namespace

TEST(Sha1, StandardVectorsInAnyPieces) {
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "mnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        // 55 and 64 bytes: the length fits the last block, and needs a block of its own.
        {std::string(55, 'x'), "cef734ba81a024479e09eb5a75b6ddae62e6abf1"},
        {std::string(64, 'x'), "bb2fa3ee7afb9f54c6dfb5d021f14b1ffe40c163"},
    };
    for (const Case& c : cases) {
        for (size_t piece :
             {static_cast<size_t>(1), static_cast<size_t>(63), c.message.size() + 1}) {
            EXPECT_EQ(digestOf(c.message, piece), c.digest)
                << c.message.size() << " bytes in pieces of " << piece;
        }
    }
}
