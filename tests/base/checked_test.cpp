#include "base/checked.h"

#include <cstdint>
#include <gtest/gtest.h>

TEST(Checked, WrapsBecomeNothingOrTheLimit) {
    EXPECT_EQ(checked::Add<std::uint64_t>(UINT64_MAX - 1, 1), UINT64_MAX);
    EXPECT_FALSE(checked::Add<std::uint64_t>(UINT64_MAX, 1));
    EXPECT_EQ(checked::Sub<std::uint64_t>(5, 5), 0u);
    EXPECT_FALSE(checked::Sub<std::uint64_t>(4, 5));
    EXPECT_EQ(checked::Mul<std::uint32_t>(0x10000, 0xFFFF), 0xFFFF0000u);
    EXPECT_FALSE(checked::Mul<std::uint32_t>(0x10000, 0x10000));
    // 2^55 blocks of 1 KiB: the wrapped product would be 0 sectors.
    EXPECT_EQ(checked::SaturatingMul<std::uint64_t>(1ull << 55, 1024), UINT64_MAX);
    EXPECT_EQ(checked::SaturatingAdd<std::uint64_t>(UINT64_MAX, 7), UINT64_MAX);
    EXPECT_EQ(checked::SaturatingAdd<std::uint64_t>(2, 7), 9u);
}
