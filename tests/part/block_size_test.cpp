// Partition maps count in the disk's logical blocks: on a drive with 4096-byte logical
// sectors every LBA in them is eight of the program's 512-byte sectors.

#include "base/utf.h"
#include "disk_builder.h"
#include "io/flat_io.h"
#include "io/storage_source.h"
#include "support/fixtures.h"
#include "support/loop_device.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Written by sgdisk and sfdisk on a 4096-byte-sector loop device: partitions at blocks
// 256+256 and 512+1024, the protective entry from block 1 to the last of 2048.
const Lines kGptTree = {"0 0+16384 0x7FFC", "1 8+16376 0xEE", "1.1 2048+2048 0x7FFF",
                        "1.2 4096+8192 0x5F83"};
const Lines kMbrTree = {"0 0+16384 0x7FFC", "1 2048+2048 0x83", "2 4096+8192 0x7"};

void PutGptHeader(DiskBuilder& disk, std::uint64_t sector, std::uint64_t arrayLba) {
    disk.Text(sector, 0, "EFI PART").Le64(sector, 0x18, 1).Le64(sector, 0x48, arrayLba);
    disk.Le32(sector, 0x50, 4).Le32(sector, 0x54, 128);
}

void PutGptEntry(DiskBuilder& disk, std::uint64_t sector, std::uint64_t first, std::uint64_t last) {
    disk.U8(sector, 0, 0xA2).Le64(sector, 0x20, first).Le64(sector, 0x28, last);
}

TEST(BlockSize, ImageWithAGptHeaderOnlyAtByte4096CountsIn4096ByteBlocks) {
    DiskBuilder disk(4096);
    disk.MbrEntry(0, 0, 0xEE, 1, 511);
    PutGptHeader(disk, 8, 2);
    PutGptEntry(disk, 16, 100, 149);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(built.tree.BlockSectors(), 8u);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+4096 0x7FFC", "1 8+4088 0xEE", "1.1 800+400 0x7FFF"}));
}

TEST(BlockSize, ImageWithAGptHeaderAt512StaysIn512ByteBlocks) {
    DiskBuilder disk(4096);
    disk.MbrEntry(0, 0, 0xEE, 1, 4095);
    PutGptHeader(disk, 1, 2);
    PutGptEntry(disk, 2, 100, 149);
    // A stray copy where a 4Kn disk keeps its header changes nothing.
    PutGptHeader(disk, 8, 2);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(built.tree.BlockSectors(), 1u);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+4096 0x7FFC", "1 1+4095 0xEE", "1.1 100+50 0x7FFF"}));
}

class FourKn : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the maps are written on a loop device";
        }
    }
    static std::string Image(const std::string& name) {
        return fixtures::Image("disk-4kn.sh", name);
    }
    // The storage as the program opens a path: a loop device as a drive.
    static std::unique_ptr<cBaseIO> Open(const std::string& path) {
        std::string error;
        const auto source = ResolveStorageSource(path, error);
        EXPECT_TRUE(source) << error;
        return source ? OpenStorageSource(*source) : nullptr;
    }
};

TEST_F(FourKn, GptImageFileShowsItsPartitionsAtTheirTruePlaces) {
    BuiltTree built(Open(Image("gpt.img")));
    EXPECT_EQ(Listing(built.tree), kGptTree);
}

TEST_F(FourKn, LoopDeviceMapsCountInItsLogicalBlocks) {
    for (const auto& [name, expected] : {std::pair{"gpt.img", kGptTree}, {"mbr.img", kMbrTree}}) {
        fixtures::LoopDevice loop(Image(name), 4096);
        ASSERT_TRUE(loop.Attached());
        auto storage = Open(loop.Path());
        ASSERT_TRUE(storage) << loop.Path();
        cDiskGeometry geometry;
        ASSERT_TRUE(storage->GetGeometry(geometry));
        EXPECT_EQ(geometry.bytesPerSector, 4096u) << name;
        BuiltTree built(std::move(storage));
        EXPECT_EQ(built.tree.BlockSectors(), 8u) << name;
        EXPECT_EQ(Listing(built.tree), expected) << name;
    }
}

} // namespace
