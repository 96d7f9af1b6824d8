// The Ext2/3/4 structure parsers on small hand-made blocks: what a damaged or hostile
// field must not get past.

#include "base/bytes.h"
#include "vfs/ext/ext_dir.h"
#include "vfs/ext/ext_extent.h"
#include "vfs/ext/ext_super.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Appends a directory record of the given length to block.
void Record(std::vector<std::uint8_t>& block, std::uint32_t inode, std::uint16_t length,
            const std::string& name) {
    const std::size_t at = block.size();
    block.resize(at + length);
    bytes::PutLe32(&block[at], inode);
    bytes::PutLe16(&block[at + 4], length);
    block[at + 6] = std::uint8_t(name.size());
    std::copy(name.begin(), name.end(), block.begin() + at + 8);
}

std::vector<std::string> Names(const std::vector<std::uint8_t>& block) {
    std::vector<std::string> names;
    ext::WalkDirBlock(block, [&](const ext::cDirRecord& record) {
        names.emplace_back(record.name.begin(), record.name.end());
        return true;
    });
    return names;
}

TEST(ExtDirBlock, InodeZeroRecordsAreSkippedNotTakenAsTheEnd) {
    std::vector<std::uint8_t> block;
    Record(block, 2, 12, ".");
    Record(block, 0, 16, "gone"); // a deleted entry
    Record(block, 0, 8, "");      // an empty record, as hashed folders' index blocks hold
    Record(block, 15, 16, "kept");
    Record(block, 0, 12, ""); // the checksum tail of a metadata_csum block
    EXPECT_EQ(Names(block), (std::vector<std::string>{".", "kept"}));
}

TEST(ExtDirBlock, BrokenRecordsEndTheBlock) {
    std::vector<std::uint8_t> block;
    Record(block, 11, 12, "a");
    Record(block, 12, 12, "b");
    std::vector<std::uint8_t> zeroLength = block;
    bytes::PutLe16(&zeroLength[16], 0);
    EXPECT_EQ(Names(zeroLength), std::vector<std::string>{"a"});
    std::vector<std::uint8_t> pastTheBlock = block;
    bytes::PutLe16(&pastTheBlock[16], 13);
    EXPECT_EQ(Names(pastTheBlock), std::vector<std::string>{"a"});
    std::vector<std::uint8_t> longName = block;
    longName[18] = 5; // a name longer than its record
    EXPECT_EQ(Names(longName), std::vector<std::string>{"a"});
    // The callback's no stops the walk and is the answer.
    EXPECT_FALSE(ext::WalkDirBlock(block, [](const ext::cDirRecord&) { return false; }));
}

TEST(ExtExtents, HeaderChecksAndUnwrittenLengths) {
    std::vector<std::uint8_t> node(60);
    bytes::PutLe16(&node[0], 0xF30A);
    bytes::PutLe16(&node[2], 4);
    ASSERT_TRUE(ext::ParseExtentHeader(node));
    bytes::PutLe16(&node[2], 5); // a fifth entry would run past the 60 bytes
    EXPECT_FALSE(ext::ParseExtentHeader(node));
    bytes::PutLe16(&node[2], 2);
    bytes::PutLe16(&node[0], 0xF30B);
    EXPECT_FALSE(ext::ParseExtentHeader(node));
    bytes::PutLe16(&node[0], 0xF30A);

    bytes::PutLe32(&node[12], 7);
    bytes::PutLe16(&node[16], 32768); // the longest written extent
    bytes::PutLe16(&node[18], 1);
    bytes::PutLe32(&node[20], 5);
    bytes::PutLe16(&node[28], 32768 + 10); // unwritten, ten blocks
    const ext::cExtent written = ext::ExtentAt(node, 0);
    EXPECT_EQ(written.logical, 7u);
    EXPECT_EQ(written.length, 32768u);
    EXPECT_FALSE(written.unwritten);
    EXPECT_EQ(written.physical, (1ull << 32) + 5);
    const ext::cExtent unwritten = ext::ExtentAt(node, 1);
    EXPECT_TRUE(unwritten.unwritten);
    EXPECT_EQ(unwritten.length, 10u);
}

// A 64bit superblock with 64-byte descriptors and a descriptor table of two groups.
std::vector<std::uint8_t> WideVolume() {
    std::vector<std::uint8_t> v(16 * 1024);
    std::uint8_t* sb = &v[1024];
    bytes::PutLe32(sb + 0, 32);  // inodes
    bytes::PutLe32(sb + 4, 16);  // blocks (low half)
    bytes::PutLe32(sb + 20, 1);  // first data block
    bytes::PutLe32(sb + 32, 8);  // blocks per group
    bytes::PutLe32(sb + 40, 16); // inodes per group
    bytes::PutLe16(sb + 56, 0xEF53);
    bytes::PutLe32(sb + 76, 1);
    bytes::PutLe16(sb + 88, 256);
    bytes::PutLe32(sb + 96, 0x80); // 64bit
    bytes::PutLe16(sb + 254, 64);
    bytes::PutLe32(sb + 336, 1); // blocks (high half): 2^32 + 16
    for (int g = 0; g < 2; ++g) {
        std::uint8_t* d = &v[2048 + 64 * g];
        bytes::PutLe32(d + 0, 3 + g);
        bytes::PutLe32(d + 4, 5 + g);
        bytes::PutLe32(d + 8, 7 + g);
        bytes::PutLe32(d + 40, 1); // the inode table's high half
    }
    return v;
}

ext::SectorReader Over(const std::vector<std::uint8_t>& v) {
    return [&v](std::uint64_t sector, std::uint32_t count, std::uint8_t* out) {
        if (!bytes::Fits(v.size(), sector * 512, std::uint64_t(count) * 512)) {
            return false;
        }
        std::copy_n(&v[sector * 512], std::size_t(count) * 512, out);
        return true;
    };
}

TEST(ExtSuperblock, WideDescriptorsUseTheirOwnSizeAndHighHalves) {
    const std::vector<std::uint8_t> v = WideVolume();
    const auto sb = ext::LoadSuperblock(Over(v));
    ASSERT_TRUE(sb);
    EXPECT_EQ(sb->blocksCount, (1ull << 32) + 16);
    EXPECT_EQ(sb->descriptorSize, 64u);
    const auto groups = ext::LoadDescriptors(*sb, Over(v));
    ASSERT_TRUE(groups);
    ASSERT_EQ(groups->size(), 2u);
    EXPECT_EQ((*groups)[1].blockBitmap, 4u);
    EXPECT_EQ((*groups)[1].inodeTable, (1ull << 32) + 8);
}

TEST(ExtSuperblock, HostileFieldsFailTheChecks) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
    };
    for (const Case& c : {Case{"no inodes per group", 40, 0, 4},
                          Case{"blocks per group beyond a bitmap block", 32, 8 * 1024 + 1, 4},
                          Case{"block size of 128 KiB", 24, 7, 4},
                          Case{"descriptor size not a power of two", 254, 48, 2},
                          Case{"descriptor size beyond a block", 254, 2048, 2},
                          Case{"inode size above the block size", 88, 2048, 2},
                          Case{"a descriptor table of 2^32 groups", 0, 0xFFFFFFFF, 4}}) {
        std::vector<std::uint8_t> v = WideVolume();
        if (c.width == 2) {
            bytes::PutLe16(&v[1024 + c.offset], std::uint16_t(c.value));
        } else {
            bytes::PutLe32(&v[1024 + c.offset], c.value);
        }
        if (c.offset == 0) {
            bytes::PutLe32(&v[1024 + 40], 1);
        }
        const auto sb = ext::LoadSuperblock(Over(v));
        EXPECT_FALSE(sb && ext::LoadDescriptors(*sb, Over(v))) << c.what;
    }
    // A descriptor placing its inode table beyond the volume.
    std::vector<std::uint8_t> v = WideVolume();
    bytes::PutLe32(&v[2048 + 64 + 40], 2);
    EXPECT_FALSE(ext::LoadDescriptors(*ext::LoadSuperblock(Over(v)), Over(v)));
}

} // namespace
