// Adler-32 against zlib's own, over the lengths where the sums step and reduce,
// at every alignment, and over the bytes that bring the sums nearest overflow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "package/checks/adler32.h"

TEST(Adler32, AgreesWithZlibAtEveryLengthThatMatters) {
    std::vector<unsigned char> noise(70000 + 3);
    uint32_t seed = 11;
    for (unsigned char& byte : noise) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
    const std::vector<unsigned char> full(noise.size(), 0xFF);
    const std::vector<unsigned char>& noisy = noise;
    const size_t lengths[] = {0, 1, 31, 32, 33, 5535, 5536, 5537, 5552, 5553, 11072, 70000};
    for (const std::vector<unsigned char>* bytes : {&noisy, &full}) {
        for (size_t length : lengths) {
            for (size_t offset = 0; offset < 3; ++offset) {
                const unsigned char* data = bytes->data() + offset;
                // From a start with both sums high as well as from the usual start.
                for (uint32_t start : {kAdler32Start, (65520u << 16) | 65520u}) {
                    const uint32_t expected =
                        static_cast<uint32_t>(adler32(start, data, static_cast<uInt>(length)));
                    const std::string where = std::to_string(length) + " bytes at " +
                                              std::to_string(offset) +
                                              (bytes == &full ? " of 0xFF" : " of noise");
                    EXPECT_EQ(adler32Update(start, data, length), expected) << where;
                    EXPECT_EQ(adler32Portable(start, data, length), expected) << where;
                }
            }
        }
    }
}
