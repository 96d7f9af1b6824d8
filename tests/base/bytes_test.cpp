#include "base/bytes.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

TEST(Bytes, CursorStopsAtTheEndAndStaysFailed) {
    const std::uint8_t data[] = {1, 2, 3, 4, 5, 6};
    bytes::Cursor cursor(data);
    EXPECT_EQ(cursor.Le32(), 0x04030201u);
    EXPECT_EQ(cursor.Le32(), 0u);
    EXPECT_EQ(cursor.Le16(), 0u) << "a failed cursor must not resume reading";
    EXPECT_FALSE(cursor.Ok());
    EXPECT_TRUE(bytes::Fits(6, 2, 4));
    EXPECT_FALSE(bytes::Fits(6, 2, 5));
    EXPECT_FALSE(bytes::Fits(6, 7, 0));
    EXPECT_FALSE(bytes::Fits(6, 1, UINT64_MAX)) << "a huge size must not wrap the test";
}

TEST(Bytes, StructuresAndFieldsAreReadOnlyWhereTheyFit) {
    const std::vector<std::uint8_t> data = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const auto header = bytes::Slice<8>(data, 1);
    ASSERT_TRUE(header);
    EXPECT_EQ(bytes::Le16<0>(*header), 0x0201u);
    EXPECT_EQ(bytes::Be32<4>(*header), 0x05060708u);
    EXPECT_EQ(bytes::Le64<0>(*header), 0x0807060504030201u);
    EXPECT_FALSE(bytes::Slice<8>(data, 3)) << "two bytes short";
    EXPECT_FALSE(bytes::Slice<1>(data, SIZE_MAX)) << "an offset near the limit must not wrap";

    EXPECT_EQ(bytes::Le32At(data, 6), 0x09080706u);
    EXPECT_FALSE(bytes::Le32At(data, 7));
    EXPECT_NE(bytes::Be16At(data, 9), 0x0900u) << "an absent field equals no value";

    const std::array<std::uint8_t, 4> held = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(bytes::Be32<0>(held), 0x12345678u);
    EXPECT_EQ(bytes::Le16<2>(held), 0x7856u);
}

TEST(Bytes, CursorHandsOutStructuresOrZeros) {
    const std::uint8_t data[] = {1, 0, 2, 0, 3};
    bytes::Cursor cursor(data);
    EXPECT_EQ(bytes::Le16<2>(cursor.Next<4>()), 2u);
    const bytes::Fixed<4> past = cursor.Next<4>();
    EXPECT_EQ(bytes::Le32<0>(past), 0u) << "a short structure reads as zeros";
    EXPECT_FALSE(cursor.Ok());
    EXPECT_FALSE(bytes::Cursor(data, 6).Ok()) << "a start past the end fails at once";
}

#if DROVIK_CHECK_CURSORS
TEST(BytesDeathTest, CursorReadWithoutATestOfOkStopsTheProgram) {
    const std::uint8_t data[] = {1, 2, 3, 4};
    EXPECT_DEATH(
        {
            bytes::Cursor cursor(data);
            cursor.Le32();
        },
        "without a test of Ok");
    EXPECT_DEATH(
        {
            bytes::Cursor cursor(data);
            cursor.Le16();
            EXPECT_TRUE(cursor.Ok());
            cursor.Le16();
        },
        "without a test of Ok")
        << "every read after the last test counts";
    // Tested, the same reads are fine.
    bytes::Cursor cursor(data);
    cursor.Le32();
    EXPECT_TRUE(cursor.Ok());
}
#endif
