// The packed extent list byte for byte: the forms the format allows, the fewest bytes for
// each field, and lists that end inside a record or break the tail rule.

#include "scan/packed_extents.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Extents = std::vector<cQORNFileAllocation>;

TEST(PackedExtents, TwoExtentsPackAsTheFormatShows) {
    const Extents extents{{100, 8, 0}, {500, 16, 0}};
    const auto packed = packedext::Encode(extents);
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, (Bytes{0x00, 0x64, 0x08, 0x01, 0xF4, 0x01, 0x10, 0x80}));
    EXPECT_EQ(packedext::Decode(*packed, 0), extents);
}

TEST(PackedExtents, SingleExtentTakesTheWholeFileForm) {
    const auto packed = packedext::Encode(Extents{{0x1234, 99, 0}});
    ASSERT_TRUE(packed);
    // Header, two start bytes, the count 0; no end marker.
    EXPECT_EQ(*packed, (Bytes{0x01, 0x34, 0x12, 0x00}));
    EXPECT_EQ(packedext::Decode(*packed, 5000), (Extents{{0x1234, 5000 / 512, 0}}));
    // A start of 0 still takes one byte.
    EXPECT_EQ(packedext::Encode(Extents{{0, 1, 0}}), (Bytes{0x00, 0x00, 0x00}));
}

TEST(PackedExtents, ByteOffsetsTakeOneOrTwoBytes) {
    // A tail alone: whole-file form with its offset.
    EXPECT_EQ(packedext::Encode(Extents{{7, 3, 200}}), (Bytes{0x08, 0x07, 0x00, 0xC8}));
    EXPECT_EQ(packedext::Encode(Extents{{7, 3, 0x1FF}}), (Bytes{0x88, 0x07, 0x00, 0xFF, 0x01}));
    const Extents withTail{{0x10000, 0x100, 0}, {0xFFFFFFFFFFFFFFFF, 2, 511}};
    const auto packed = packedext::Encode(withTail);
    ASSERT_TRUE(packed);
    EXPECT_EQ(*packed, (Bytes{0x12, 0x00, 0x00, 0x01, 0x00, 0x01, //
                              0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF,
                              0x01, 0x80}));
    EXPECT_EQ(packedext::Decode(*packed, 0), withTail);
}

TEST(PackedExtents, EncoderRefusesWhatCannotBeRead) {
    EXPECT_FALSE(packedext::Encode(Extents{}));
    EXPECT_FALSE(packedext::Encode(Extents{{1, 0, 0}, {2, 1, 0}}));
    EXPECT_FALSE(packedext::Encode(Extents{{1, 1, 5}, {2, 1, 0}}));
}

TEST(PackedExtents, DecoderRefusesBrokenLists) {
    const std::vector<Bytes> broken{
        {},                                         // nothing at all
        {0x01, 0x64},                               // the start needs two bytes
        {0x00, 0x64, 0x08},                         // several-extent form without an end marker
        {0x08, 0x07, 0x00},                         // the offset byte is missing
        {0x88, 0x07, 0x00, 0xFF},                   // the high offset byte is missing
        {0x00, 0x01, 0x01, 0x00, 0x02, 0x00, 0x80}, // a zero count after the first
        {0x08, 0x01, 0x01, 0x05, 0x00, 0x02, 0x01, 0x80}, // an extent after the tail
    };
    for (const Bytes& list : broken) {
        EXPECT_FALSE(packedext::Decode(list, 4096)) << ::testing::PrintToString(list);
    }
    EXPECT_EQ(packedext::Decode(Bytes{0x80}, 0), Extents{});
}

TEST(PackedExtents, RoundTripsEveryFieldWidth) {
    Extents extents;
    for (unsigned width = 0; width < 8; ++width) {
        const std::uint64_t value = std::uint64_t(0xA5) << (8 * width);
        extents.push_back({value, value | 1, 0});
    }
    extents.push_back({3, 1, 0x100});
    const auto packed = packedext::Encode(extents);
    ASSERT_TRUE(packed);
    EXPECT_LE(packed->size(), extents.size() * packedext::kMaxRecordBytes + 1);
    EXPECT_EQ(packedext::Decode(*packed, 0), extents);
}

} // namespace
