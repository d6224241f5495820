#include <gtest/gtest.h>

#include "package/format.h"

TEST(UidChecksum, WorkedExample) {
    PackageHeader header = {};
    for (int i = 0; i < 12; ++i) {
        header.bytes[i] = static_cast<unsigned char>(i);
    }
    EXPECT_EQ(UidChecksum(header), 0x99541431u);
}
