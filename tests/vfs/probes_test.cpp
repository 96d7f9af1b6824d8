// Probes of file systems the program recognises, over small volumes laid out in memory.

#include "base/bytes.h"
#include "part/part_tree.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/probes.h"
#include "vfs/volume_walk.h"

#include <gtest/gtest.h>

namespace {

probe::SectorSource Over(const std::vector<std::uint8_t>& bytes) {
    return [&bytes](std::uint64_t sector, std::uint32_t count, std::uint8_t* out) {
        if (!bytes::Fits(bytes.size(), sector * 512, std::uint64_t(count) * 512)) {
            return false;
        }
        std::memcpy(out, &bytes[sector * 512], std::size_t(count) * 512);
        return true;
    };
}

// An ext2 volume of 64 1-KiB blocks: superblock in block 1, descriptors in block 2.
std::vector<std::uint8_t> Ext2() {
    std::vector<std::uint8_t> v(64 * 1024);
    std::uint8_t* sb = &v[1024];
    bytes::PutLe32(sb + 0, 16);    // inodes
    bytes::PutLe32(sb + 4, 64);    // blocks
    bytes::PutLe32(sb + 20, 1);    // first data block
    bytes::PutLe32(sb + 32, 8192); // blocks per group
    bytes::PutLe32(sb + 40, 16);   // inodes per group
    bytes::PutLe16(sb + 56, 0xEF53);
    bytes::PutLe32(sb + 76, 1); // revision: the inode size field counts
    bytes::PutLe16(sb + 88, 128);
    bytes::PutLe32(&v[2048 + 0], 3);
    bytes::PutLe32(&v[2048 + 4], 4);
    bytes::PutLe32(&v[2048 + 8], 5);
    return v;
}

TEST(Probes, ExtChecksItsGroupDescriptors) {
    std::vector<std::uint8_t> v = Ext2();
    EXPECT_TRUE(probe::Ext(Over(v)));
    bytes::PutLe32(&v[2048 + 8], 65); // inode table beyond the volume
    EXPECT_FALSE(probe::Ext(Over(v)));
    v = Ext2();
    bytes::PutLe16(&v[1024 + 88], 100); // inode size not a power of two
    EXPECT_FALSE(probe::Ext(Over(v)));
    v = Ext2();
    bytes::PutLe32(&v[1024 + 40], 0);
    EXPECT_FALSE(probe::Ext(Over(v)));
    v = Ext2();
    bytes::PutLe32(&v[1024 + 0], 0xFFFFFFFF); // a descriptor table far larger than the volume
    bytes::PutLe32(&v[1024 + 40], 1);
    EXPECT_FALSE(probe::Ext(Over(v)));
}

TEST(Probes, NtfsBootSectorFields) {
    std::vector<std::uint8_t> v(4096);
    std::memcpy(&v[3], "NTFS    ", 8);
    bytes::PutLe16(&v[11], 512);
    v[13] = 8;
    bytes::PutLe64(&v[40], 1000);
    bytes::PutLe64(&v[48], 4);
    bytes::PutLe64(&v[56], 500);
    EXPECT_TRUE(probe::Ntfs(Over(v)));
    v[13] = 3;
    EXPECT_FALSE(probe::Ntfs(Over(v)));
    v[13] = 8;
    bytes::PutLe64(&v[48], 0);
    EXPECT_FALSE(probe::Ntfs(Over(v)));
}

TEST(Probes, NtfsBackupAtThePartitionEnd) {
    std::vector<std::uint8_t> v(16 * 512);
    std::uint8_t* backup = &v[15 * 512];
    std::memcpy(backup + 3, "NTFS    ", 8);
    bytes::PutLe16(backup + 11, 512);
    backup[13] = 1;
    bytes::PutLe64(backup + 40, 15); // the volume ends where its backup starts
    bytes::PutLe64(backup + 48, 4);
    bytes::PutLe64(backup + 56, 8);
    backup[64] = 0xF6;
    EXPECT_TRUE(probe::NtfsBackup(Over(v), 16));
    EXPECT_FALSE(probe::Ntfs(Over(v)));
    EXPECT_FALSE(probe::NtfsBackup(Over(v), 0)); // no partition length, no backup
    bytes::PutLe64(backup + 40, 16);             // a volume that would cover its own backup
    EXPECT_FALSE(probe::NtfsBackup(Over(v), 16));

    // With 4096-byte sectors the copy fills the last eight 512-byte sectors.
    std::fill(v.begin(), v.end(), 0);
    backup = &v[8 * 512];
    std::memcpy(backup + 3, "NTFS    ", 8);
    bytes::PutLe16(backup + 11, 4096);
    backup[13] = 1;
    bytes::PutLe64(backup + 40, 1);
    bytes::PutLe64(backup + 48, 4);
    bytes::PutLe64(backup + 56, 8);
    backup[64] = 0xF4;
    EXPECT_TRUE(probe::NtfsBackup(Over(v), 16));
}

TEST(Probes, HfsPlusInsideAnHfsWrapper) {
    std::vector<std::uint8_t> v(64 * 1024);
    std::uint8_t* mdb = &v[1024];
    std::memcpy(mdb, "BD", 2);
    bytes::PutLe32(mdb + 20, 0); // big-endian fields below
    mdb[22] = 0x02;              // allocation block size 512 (0x00000200)
    mdb[29] = 16;                // first allocation block: sector 16
    std::memcpy(mdb + 124, "H+", 2);
    mdb[127] = 4;                          // embedded volume starts at block 4: sector 16 + 4
    EXPECT_FALSE(probe::HfsPlus(Over(v))); // the embedded header is still missing
    EXPECT_FALSE(probe::Hfs(Over(v)));     // a wrapper is never plain HFS
    std::uint8_t* header = &v[(20 + 2) * 512];
    std::memcpy(header, "H+", 2);
    header[42] = 0x10; // block size 4096
    header[47] = 10;   // total blocks
    EXPECT_TRUE(probe::HfsPlus(Over(v)));
}

TEST(Probes, UdfNeedsTheThreeMainDescriptors) {
    std::vector<std::uint8_t> v(300 * 2048);
    const auto tag = [&](std::size_t block, std::uint16_t id) {
        std::uint8_t* t = &v[block * 2048];
        bytes::PutLe16(t, id);
        std::uint8_t sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum = std::uint8_t(sum + (i == 4 ? 0 : t[i]));
        }
        t[4] = sum;
    };
    tag(256, 2);
    bytes::PutLe32(&v[256 * 2048 + 16], 4 * 2048); // sequence length
    bytes::PutLe32(&v[256 * 2048 + 20], 32);       // sequence location
    tag(32, 1);
    tag(33, 5);
    tag(256, 2); // checksum again after the extent fields
    EXPECT_FALSE(probe::Udf(Over(v)));
    tag(34, 6);
    EXPECT_TRUE(probe::Udf(Over(v)));
    v[256 * 2048 + 4] ^= 1; // a broken anchor checksum
    EXPECT_FALSE(probe::Udf(Over(v)));
}

TEST(Probes, ShortOrUnreadableVolumesAnswerNo) {
    const std::vector<std::uint8_t> tiny(100);
    const probe::SectorSource read = Over(tiny);
    EXPECT_FALSE(probe::NtfsBackup(read, 1));
    for (auto* test : {probe::Ntfs, probe::Ext, probe::UfsLittleEndian, probe::UfsBigEndian,
                       probe::Fat1216, probe::Fat32, probe::Xfs, probe::Reiser, probe::HfsPlus,
                       probe::Hfs, probe::Udf, probe::Iso9660, probe::SnapUfs, probe::Jfs}) {
        EXPECT_FALSE(test(read));
    }
}

TEST(Probes, SectorsPastTheLast64BitSectorAreUnreadable) {
    cMemIO io(std::vector<std::uint8_t>(64 * 512));
    cPartRecord record;
    record.SetRecord(&io, UINT64_MAX - 4, 8, 0x07);
    std::uint8_t sector[512];
    // Sector 8 of this record would wrap to sector 3 of the storage.
    EXPECT_FALSE(probe::SourceOf(record)(8, 1, sector));
}

} // namespace

namespace {

TEST(Probes, MakefsVolumesOfEveryGenerationAndByteOrderAreSeen) {
    const std::string folder = fixtures::Folder("ufs-images.sh");
    ASSERT_FALSE(folder.empty());
    for (const char* version : {"1", "2"}) {
        for (const bool big : {false, true}) {
            const std::string image = folder + "/ufs" + version + (big ? "-be" : "-le") + ".img";
            const std::vector<std::uint8_t> bytes = vfs_test::LoadFile(image);
            ASSERT_FALSE(bytes.empty()) << image;
            // makefs puts UFS2 at 8 KiB too, telling so in the superblock's location field.
            EXPECT_EQ(probe::UfsLittleEndian(Over(bytes)), !big) << image;
            EXPECT_EQ(probe::UfsBigEndian(Over(bytes)), big) << image;
            const std::span<const std::uint8_t> superblock(&bytes[8192], 2048);
            EXPECT_EQ(MatchSuperblock(16 + 100, superblock, nullptr).start, 100u) << image;
        }
    }
}

} // namespace
