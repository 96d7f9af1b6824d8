#include "io/base_io.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using Calls = std::vector<std::pair<std::uint64_t, std::uint32_t>>;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(i * 7 + i / 512);
    }
    return bytes;
}

class Bits final : public cSectorBits {
public:
    explicit Bits(std::vector<bool> bits) : bits_(std::move(bits)) {}
    bool Get(std::uint64_t index) const override { return index < bits_.size() && bits_[index]; }

private:
    std::vector<bool> bits_;
};

} // namespace

TEST(StorageKindText, NamesKnownKindsAndUnknownOtherwise) {
    EXPECT_EQ(StorageKindText(storage_kind::kDiskImage), u"Disk image");
    EXPECT_EQ(StorageKindText(storage_kind::kWindowsDisk), u"Windows disk");
    EXPECT_EQ(StorageKindText(storage_kind::kStoragePartition), u"Storage partition");
    for (std::uint32_t kind : {0u, 17u, 19u, 0xFFFFFFFFu}) {
        EXPECT_EQ(StorageKindText(kind), u"Unknown") << kind;
    }
}

TEST(BaseReadBytes, WalksHeadMiddleAndTailSectors) {
    struct Case {
        std::uint64_t offset;
        std::uint32_t length;
        Calls reads;
    };
    const Case cases[] = {
        {1020, 10, {{1, 1}, {2, 1}}}, // 4 bytes at the end of sector 1, 6 of sector 2
        {512, 1024, {{1, 2}}},        // aligned: one request
        {100, 1500, {{0, 1}, {1, 2}, {3, 1}}},
        {0, 100, {{0, 1}}},
        {300, 100, {{0, 1}}},
    };
    const auto bytes = Pattern(8 * 512);
    for (const auto& c : cases) {
        cMemIO io(bytes);
        std::vector<std::uint8_t> out(c.length);
        ASSERT_TRUE(io.ReadBytes(out.data(), c.offset, c.length)) << c.offset;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + c.offset)) << c.offset;
        EXPECT_EQ(io.Reads(), c.reads) << c.offset;
    }
}

TEST(BaseReadBytes, EmptyAndNullBuffers) {
    cMemIO io(Pattern(1024));
    EXPECT_TRUE(io.ReadBytes(nullptr, 5, 0));
    EXPECT_TRUE(io.Reads().empty());
    EXPECT_FALSE(io.ReadBytes(nullptr, 5, 1));
}

TEST(BaseReadBytes, FailsWhenAnyPartCannotBeRead) {
    std::uint8_t out[1500];
    for (std::uint64_t bad : {0u, 1u, 2u, 3u}) {
        cMemIO io(Pattern(8 * 512));
        io.FailSector(bad);
        EXPECT_FALSE(io.ReadBytes(out, 100, 1500)) << bad;
    }
    cMemIO io(Pattern(8 * 512));
    io.FailSector(4);
    EXPECT_TRUE(io.ReadBytes(out, 100, 1500));
    EXPECT_FALSE(io.ReadBytes(out, 3 * 512, 600)); // reaches past the end of the storage
}

TEST(BaseWriteBytes, PatchesPartialSectorsAndKeepsTheirOtherBytes) {
    const auto before = Pattern(8 * 512);
    cMemIO io(before);
    ASSERT_TRUE(io.SetReadOnly(false));
    std::vector<std::uint8_t> data(1500, 0xEE);
    ASSERT_TRUE(io.WriteBytes(data.data(), 100, 1500));
    auto expected = before;
    std::fill(expected.begin() + 100, expected.begin() + 1600, 0xEE);
    EXPECT_EQ(io.Bytes(), expected);
    EXPECT_EQ(io.Writes(), (Calls{{0, 1}, {1, 2}, {3, 1}}));
}

TEST(BaseWriteBytes, ReadOnlyStoreIsUntouched) {
    const auto before = Pattern(4 * 512);
    cMemIO io(before);
    std::uint8_t data[10] = {};
    EXPECT_FALSE(io.WriteBytes(data, 1020, 10));
    EXPECT_EQ(io.Bytes(), before);
}

TEST(WriteSelected, WritesEachRunOfSetBitsInOneCall) {
    struct Case {
        std::vector<bool> bits;
        Calls writes;
    };
    const Case cases[] = {
        {{true, true, false, true}, {{10, 2}, {13, 1}}},
        {{false, false, false, false}, {}},
        {{true, true, true, true}, {{10, 4}}},
        {{false, true, false, true}, {{11, 1}, {13, 1}}},
    };
    for (const auto& c : cases) {
        cMemIO io(Pattern(32 * 512));
        io.SetReadOnly(false);
        const auto data = Pattern(4 * 512);
        const Bits bits(c.bits);
        EXPECT_EQ(io.WriteSelected(10, data.data(), 4, &bits), 4u);
        EXPECT_EQ(io.Writes(), c.writes);
    }
}

TEST(WriteSelected, WithoutBitsWritesEverythingAndStopsAtAShortRun) {
    cMemIO io(Pattern(12 * 512));
    io.SetReadOnly(false);
    const auto data = Pattern(4 * 512);
    EXPECT_EQ(io.WriteSelected(2, data.data(), 4, nullptr), 4u);
    EXPECT_EQ(io.Writes(), (Calls{{2, 4}}));
    // Sectors 8..11 exist, 12 does not: the second run comes back short.
    const Bits bits({true, false, true, true});
    EXPECT_EQ(io.WriteSelected(9, data.data(), 4, &bits), 2u);
}
