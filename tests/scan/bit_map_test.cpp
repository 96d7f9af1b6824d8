// The two bit maps: where each bit lives, and what happens at and past the end, where
// scans test units taken from damaged metadata.

#include "scan/bit_map.h"
#include "scan/inv_bit_map.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<bool> Bits(const cBitMap& map) {
    std::vector<bool> bits;
    for (std::uint64_t n = 0; n < map.BitCount(); ++n) {
        bits.push_back(map.Get(n));
    }
    return bits;
}

TEST(BitMapTest, BitsOutsideTheMapReadClearAndIgnoreWrites) {
    cBitMap map;
    ASSERT_TRUE(map.Create(40, true));
    EXPECT_TRUE(map.Get(39));
    // Bits 40..63 share the last word with the map's own bits.
    EXPECT_FALSE(map.Get(40));
    EXPECT_FALSE(map.Get(UINT64_MAX));
    map.Set(40, true);
    map.Set(UINT64_MAX, true);
    map.SetRange(40, 5, false);
    map.SetRange(UINT64_MAX, UINT64_MAX, false);
    EXPECT_EQ(Bits(map), std::vector<bool>(40, true));
}

TEST(BitMapTest, RangeRunningPastTheEndStopsThere) {
    cBitMap map;
    ASSERT_TRUE(map.Create(70, false));
    map.SetRange(60, UINT64_MAX, true);
    std::vector<bool> expected(70, false);
    std::fill(expected.begin() + 60, expected.end(), true);
    EXPECT_EQ(Bits(map), expected);
}

// Runs starting and ending inside words, covering whole words, and within one word, each
// compared with setting the same bits one by one.
TEST(BitMapTest, RangesMatchSettingEachBit) {
    const std::pair<std::uint64_t, std::uint64_t> runs[] = {
        {0, 0}, {0, 1}, {3, 5}, {31, 1}, {31, 2}, {32, 32}, {5, 100}, {0, 160}, {33, 94}};
    for (const bool value : {true, false}) {
        for (const auto& [first, count] : runs) {
            cBitMap ranged;
            cBitMap single;
            ASSERT_TRUE(ranged.Create(160, !value));
            ASSERT_TRUE(single.Create(160, !value));
            ranged.SetRange(first, count, value);
            for (std::uint64_t n = first; n < first + count; ++n) {
                single.Set(n, value);
            }
            EXPECT_EQ(Bits(ranged), Bits(single)) << first << "+" << count << " to " << value;
        }
    }
}

TEST(BitMapTest, BitZeroIsTheLowestBitOfTheFirstWord) {
    cBitMap map;
    ASSERT_TRUE(map.Create(64, false));
    map.Set(0, true);
    map.Set(33, true);
    EXPECT_EQ(Bits(map)[0], true);
    EXPECT_EQ(Bits(map)[33], true);
    map.Set(0, false);
    EXPECT_FALSE(map.Get(0));
    EXPECT_TRUE(map.Get(33));
}

TEST(BitMapTest, CreateRefusesMoreWordsThanACountHolds) {
    cBitMap map;
    ASSERT_TRUE(map.Create(10, true));
    EXPECT_FALSE(map.Create((std::uint64_t(1) << 32) * 32 + 1, false));
    EXPECT_EQ(map.BitCount(), 10u);
    EXPECT_TRUE(map.Get(9));
    ASSERT_TRUE(map.Create(0, true));
    EXPECT_FALSE(map.Get(0));
}

TEST(InvBitMapTest, BitZeroIsTheHighestBitOfTheFirstByte) {
    cInvBitMap map;
    ASSERT_TRUE(map.Create(2, false));
    map.Set(0, true);
    map.Set(9, true);
    EXPECT_EQ(map.Bytes()[0], 0x80);
    EXPECT_EQ(map.Bytes()[1], 0x40);
    map.Bytes()[1] = 0x01;
    EXPECT_TRUE(map.Get(15));
    EXPECT_FALSE(map.Get(9));
}

TEST(InvBitMapTest, UnitsPastTheBytesCountAsUsed) {
    cInvBitMap map;
    ASSERT_TRUE(map.Create(1, false));
    EXPECT_FALSE(map.Get(7));
    EXPECT_TRUE(map.Get(8));
    EXPECT_TRUE(map.Get(UINT64_MAX));
    map.Set(8, false);
    map.Set(UINT64_MAX, false);
    EXPECT_TRUE(map.Get(8));
    map.Fill(true);
    EXPECT_EQ(map.Bytes()[0], 0xFF);
    cInvBitMap empty;
    ASSERT_TRUE(empty.Create(0, false));
    EXPECT_TRUE(empty.Get(0));
}

} // namespace
