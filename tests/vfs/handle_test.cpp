#include "stub_vfs.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

// Just enough of a file system to own handles over a memory storage.
class cBareVFS final : public cStubVFS {
public:
    explicit cBareVFS(cPartRecord& record) : cStubVFS(fstype::kReconstructed, 4) {
        BindPartition(&record);
    }
    using cVFS::cBlockSpan;
    using cVFS::ReadBlocksIn;
};

// Unit n holds bytes n*16 + 0..3; units listed in failing cannot be read.
class cPatternHandle final : public cRLDrivenObjectHandle {
public:
    using cRLDrivenObjectHandle::cRLDrivenObjectHandle;
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t unit) override {
        ++reads;
        if (unit == failing) {
            return false;
        }
        for (std::uint32_t i = 0; i < UnitSize(); ++i) {
            buffer[i] = std::uint8_t(unit * 16 + i);
        }
        return true;
    }
    // With contiguous set, runs are read whole, as a reader whose units lie back to
    // back on the storage does.
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override {
        if (!contiguous || (failing >= first && failing - first < count)) {
            return false;
        }
        directReads.emplace_back(first, count);
        for (std::uint64_t unit = first; unit < first + count; ++unit, buffer += UnitSize()) {
            for (std::uint32_t i = 0; i < UnitSize(); ++i) {
                buffer[i] = std::uint8_t(unit * 16 + i);
            }
        }
        return true;
    }
    std::uint64_t failing = ~0ull;
    int reads = 0;
    bool contiguous = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> directReads;
};

class Handles : public ::testing::Test {
protected:
    Handles() : storage_(Bytes()) { record_.SetRecord(&storage_, 0, storage_.GetSectorCount(), 0); }
    static std::vector<std::uint8_t> Bytes() {
        std::vector<std::uint8_t> bytes(4096);
        std::iota(bytes.begin(), bytes.end(), 0);
        return bytes;
    }
    cMemIO storage_;
    cPartRecord record_;
    cBareVFS fs_{record_};
};

TEST_F(Handles, RunListReadSpansHolesAndUnitsInOneCall) {
    cPatternHandle handle(&fs_);
    handle.SetUnitSize(4);
    ASSERT_TRUE(handle.AppendRun(10, 1));
    ASSERT_TRUE(handle.AppendRun(cRun::kSparse, 2));
    ASSERT_TRUE(handle.AppendRun(3, 1));
    handle.SetSize(15);
    std::uint8_t out[20] = {};
    EXPECT_EQ(handle.Seek(2), 2u);
    ASSERT_EQ(handle.Read(out, 20), 13u);
    const std::uint8_t expected[13] = {162, 163, 0, 0, 0, 0, 0, 0, 0, 0, 48, 49, 50};
    EXPECT_TRUE(std::equal(expected, expected + 13, out));
    EXPECT_EQ(handle.Read(out, 20), 0u);
    EXPECT_EQ(handle.Seek(100), 15u);
}

TEST_F(Handles, OneCachedUnitAndRetryAfterAFailedRead) {
    cPatternHandle handle(&fs_);
    handle.SetUnitSize(4);
    ASSERT_TRUE(handle.AppendRun(0, 3));
    handle.SetSize(12);
    std::uint8_t out[12];
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(handle.Read(out + i, 1), 1u);
    }
    EXPECT_EQ(handle.reads, 1);
    handle.failing = 1;
    EXPECT_EQ(handle.Read(out, 8), 0u); // stops at the unreadable unit, position kept
    handle.failing = ~0ull;
    ASSERT_EQ(handle.Read(out, 8), 8u);
    EXPECT_EQ(out[0], 16);
    EXPECT_EQ(out[7], 35);
}

TEST_F(Handles, WholeUnitsOfARunAreReadInOnePieceAndPartsThroughTheCache) {
    cPatternHandle handle(&fs_);
    handle.contiguous = true;
    handle.SetUnitSize(4);
    ASSERT_TRUE(handle.AppendRun(2, 3));
    ASSERT_TRUE(handle.AppendRun(cRun::kSparse, 1));
    ASSERT_TRUE(handle.AppendRun(9, 2));
    handle.SetSize(22);
    std::uint8_t out[24] = {};
    ASSERT_EQ(handle.Seek(2), 2u);
    ASSERT_EQ(handle.Read(out, 24), 20u);
    // Head of unit 0 through the cache, units 1-2 in one piece, the hole as zeros, unit 5
    // whole, and the file's last two bytes of unit 6 through the cache again.
    const std::uint8_t expected[20] = {34, 35, 48, 49, 50,  51,  64,  65,  66,  67,
                                       0,  0,  0,  0,  144, 145, 146, 147, 160, 161};
    EXPECT_TRUE(std::equal(expected, expected + 20, out));
    EXPECT_EQ(handle.directReads,
              (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{3, 2}, {9, 1}}));
    EXPECT_EQ(handle.reads, 2);

    handle.failing = 3; // a failed direct read falls back to the unit path, which stops there
    ASSERT_EQ(handle.Seek(4), 4u);
    EXPECT_EQ(handle.Read(out, 8), 0u);
}

TEST_F(Handles, ReadsNothingWithoutUnitSizeOrFileSystemOrRuns) {
    std::uint8_t out[8];
    cPatternHandle noUnit(&fs_);
    noUnit.SetSize(8);
    EXPECT_EQ(noUnit.Read(out, 8), 0u);
    cPatternHandle closed(nullptr);
    closed.SetUnitSize(4);
    closed.SetSize(8);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.Read(out, 8), 0u);
    cPatternHandle shortHandle(&fs_); // size beyond the runs
    shortHandle.SetUnitSize(4);
    ASSERT_TRUE(shortHandle.AppendRun(2, 1));
    shortHandle.SetSize(8);
    EXPECT_EQ(shortHandle.Read(out, 8), 4u);
}

TEST_F(Handles, LinearHandleIsAllOrNothing) {
    cLinearObjectHandle handle(&fs_, 1000, 100);
    std::uint8_t out[200];
    ASSERT_EQ(handle.Read(out, 200), 100u);
    EXPECT_EQ(out[0], std::uint8_t(1000));
    EXPECT_EQ(handle.Read(out, 1), 0u);
    handle.Seek(50);
    storage_.FailSector(2);
    EXPECT_EQ(handle.Read(out, 50), 0u);
    EXPECT_EQ(handle.Seek(50), 50u);
}

TEST_F(Handles, BlockSpansReadOnlyWhatLiesInside) {
    // Blocks of two sectors from sector 2 on, three of them: sectors 2 to 7.
    const cBareVFS::cBlockSpan span{2, 2, 3};
    std::vector<std::uint8_t> out(3 * 1024);
    ASSERT_TRUE(fs_.ReadBlocksIn(span, out.data(), 1, 2));
    EXPECT_EQ(storage_.Reads().back(), std::make_pair(std::uint64_t(4), 4u));
    EXPECT_EQ(out[0], std::uint8_t(4 * 512));
    EXPECT_FALSE(fs_.ReadBlocksIn(span, out.data(), 1, 0));
    EXPECT_FALSE(fs_.ReadBlocksIn(span, out.data(), 2, 2));
    EXPECT_FALSE(fs_.ReadBlocksIn(span, out.data(), ~0ull, 1));
    // Block numbers whose sector would not fit in 64 bits, and spans of empty blocks.
    EXPECT_FALSE(fs_.ReadBlocksIn({0, 1ull << 40, ~0ull}, out.data(), 1ull << 30, 1));
    EXPECT_FALSE(fs_.ReadBlocksIn({~0ull, 1, 4}, out.data(), 1, 1));
    EXPECT_FALSE(fs_.ReadBlocksIn({0, 0, 4}, out.data(), 1, 1));
    storage_.FailSector(7);
    EXPECT_FALSE(fs_.ReadBlocksIn(span, out.data(), 2, 1));
}

} // namespace
