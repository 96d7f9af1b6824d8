// The NetWare reader on a volume made in memory from the published layout of its tables,
// and on copies of it whose tables are damaged.

#include "nwfs_volume.h"
#include "part/disk_builder.h"
#include "vfs/detect.h"
#include "vfs/nwfs/vnwfs.h"
#include "vfs/volume_walk.h"

#include <gtest/gtest.h>

using namespace nwfs_test;
using namespace vfs_test;

namespace {

class NwfsReader : public ::testing::Test {
protected:
    // The volume mounted by detection; null when nothing mounted it as NetWare.
    cVNWFS* Mount(std::uint32_t sectorsPerBlock = kBlock / 512) {
        partition_ = std::make_unique<NwfsPartition>(volume_.bytes, sectorsPerBlock);
        reader_ = cVFSDetectManager::Instance().Detect(partition_->record);
        return dynamic_cast<cVNWFS*>(reader_.get());
    }
    std::vector<std::uint8_t> ReadPath(cVNWFS& fs, std::u16string_view path) {
        auto entry = fs.FindByPath(path, fs.GetRootId());
        auto handle = entry ? fs.OpenObject(*entry) : nullptr;
        return handle ? ReadToEnd(*handle) : std::vector<std::uint8_t>{};
    }

    NwfsVolume volume_;
    std::unique_ptr<NwfsPartition> partition_;
    std::unique_ptr<cVFS> reader_;
};

TEST_F(NwfsReader, ListsTheDosNameSpaceTreeAndReadsFilesAlongTheirChains) {
    cVNWFS* fs = Mount();
    ASSERT_TRUE(fs);
    EXPECT_EQ(fs->GetBlockSize(), kBlock);
    EXPECT_EQ(fs->GetBlockCount(), kBlocks);
    EXPECT_EQ(fs->GetIdentity(),
              (std::vector<std::uint8_t>{fstype::kNwfs, 0, 0, 0, 0, 0, 0, 0, 0}));
    bool ok = true;
    const auto listed = WalkTree(*fs, &ok);
    ASSERT_TRUE(ok);
    std::vector<std::string> paths;
    for (const auto& [path, what] : listed) {
        paths.push_back(path + (what.kind == fskind::kFolder ? "/" : ""));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/DOCS/", "/DOCS/BIG.BIN", "/DOCS/EMPTY",
                                               "/DOCS/SUB/", "/DOCS/SUB/DEEP.TXT", "/README.TXT"}));
    EXPECT_EQ(listed.at("/DOCS/BIG.BIN").size, 3u * kBlock + 100);

    const std::vector<std::uint8_t> big = ReadPath(*fs, u"/docs/big.bin");
    ASSERT_EQ(big.size(), 3u * kBlock + 100);
    EXPECT_EQ(big[0], 11);
    EXPECT_EQ(big[kBlock], 21);
    EXPECT_EQ(big[2 * kBlock], 12);
    EXPECT_EQ(big.back(), 31);
    EXPECT_EQ(ReadPath(*fs, u"/README.TXT"), std::vector<std::uint8_t>(13, 5));
    auto empty = fs->FindByPath(u"/DOCS/EMPTY", 0);
    ASSERT_TRUE(empty && fs->OpenObject(*empty));
    EXPECT_EQ(fs->OpenObject(*empty)->GetSize(), 0u);

    auto deep = fs->FindByPath(u"/DOCS/SUB/DEEP.TXT", 0);
    ASSERT_TRUE(deep);
    EXPECT_EQ(fs->BuildPath(*deep), u"/DOCS/SUB/DEEP.TXT");
}

TEST_F(NwfsReader, FreeBlocksAreThoseWhoseTableEntryIsZero) {
    cVNWFS* fs = Mount();
    ASSERT_TRUE(fs);
    std::vector<std::uint64_t> used;
    for (std::uint64_t block = 0; block < kBlocks; ++block) {
        if (fs->IsBlockUsed(block)) {
            used.push_back(block);
        }
    }
    EXPECT_EQ(used, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 10, 11, 20, 30}));
    // The table's one block has entries for 512 blocks; what lies beyond counts as used.
    EXPECT_FALSE(fs->IsBlockUsed(511));
    EXPECT_TRUE(fs->IsBlockUsed(512));
}

TEST_F(NwfsReader, WithoutNetWarePartitionDataOrWithBadTablesThereIsNoVolume) {
    {
        cMemIO io(volume_.bytes);
        cPartRecord record;
        record.SetRecord(&io, 0, io.GetSectorCount(), 0x6200);
        EXPECT_FALSE(cVFSDetectManager::Instance().Detect(record));
    }
    EXPECT_FALSE(Mount(0)) << "no block size";
    EXPECT_FALSE(Mount(3)) << "blocks of three sectors";
    EXPECT_FALSE(Mount(256)) << "blocks of 128 KiB";
    const std::vector<std::uint8_t> clean = volume_.bytes;
    struct Case {
        const char* what;
        std::uint32_t block, sequence, next;
    } cases[] = {
        {"the table's own entry at the wrong position", kFatBlock, 1, kEnd},
        {"the directory's first block at the wrong position", kDirBlock, 1, 3},
        {"the directory's second block at the wrong position", 3, 0, kEnd},
        {"the directory chain past the volume", kDirBlock, 0, 1u << 31},
    };
    for (const Case& c : cases) {
        volume_.bytes = clean;
        volume_.Link(c.block, c.sequence, c.next);
        EXPECT_FALSE(Mount()) << c.what;
    }
}

TEST_F(NwfsReader, BrokenChainsOpenNothingAndShortOnesReadWhatTheyHold) {
    const std::vector<std::uint8_t> clean = volume_.bytes;
    struct Case {
        const char* what;
        std::uint32_t block, sequence, next;
        bool opens;
        std::size_t bytes;
    } cases[] = {
        {"a chain that turns back to its first block", 11, 2, 10, false, 0},
        {"a block at another position", 20, 5, 11, false, 0},
        {"a next block past the volume", 20, 1, 900, false, 0},
        {"a chain that ends after two blocks", 20, 1, kEnd, true, 2 * kBlock},
        {"a chain that ends at a zero link", 10, 0, 0, true, kBlock},
    };
    for (const Case& c : cases) {
        volume_.bytes = clean;
        volume_.Link(c.block, c.sequence, c.next);
        cVNWFS* fs = Mount();
        ASSERT_TRUE(fs) << c.what;
        auto big = fs->FindByPath(u"/DOCS/BIG.BIN", 0);
        ASSERT_TRUE(big) << c.what;
        auto handle = fs->OpenObject(*big);
        ASSERT_EQ(handle != nullptr, c.opens) << c.what;
        if (handle) {
            EXPECT_TRUE(handle->IsDamaged()) << c.what;
            EXPECT_EQ(ReadToEnd(*handle).size(), c.bytes) << c.what;
        }
    }
}

TEST_F(NwfsReader, EntriesThatNameThemselvesOrEachOtherAsParentsEnd) {
    // DOCS inside SUB inside DOCS; README.TXT its own parent; a name too long for its entry.
    volume_.Entry(1, 6, 0x10, "DOCS", 0, 0);
    volume_.Entry(2, 2, 0x20, "README.TXT", 13, 4);
    volume_.Entry(8, 0, 0x20, std::string(40, 'X'), 1, 4);
    cVNWFS* fs = Mount();
    ASSERT_TRUE(fs);
    bool ok = true;
    EXPECT_TRUE(WalkTree(*fs, &ok).empty()) << "nothing is left under the root";
    EXPECT_TRUE(ok);
    auto deep = fs->GetObject(7);
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->name, u"DEEP.TXT");
    EXPECT_FALSE(fs->BuildPath(*deep)) << "the parents never reach the root";
    std::size_t inDocs = 0;
    EXPECT_TRUE(fs->EnumFolder(*fs->GetObject(1), [&](cFSObject&) { return ++inDocs != 0; }));
    EXPECT_EQ(inDocs, 3u);
    EXPECT_FALSE(fs->GetObject(8));
    EXPECT_FALSE(fs->GetObject(5000));
}

TEST(NwfsOnDisk, TheNetWareMapHandsTheVolumeItsTables) {
    // An MBR slice of type 0x65 at 100: a hotfix area of 200 sectors, the volume table
    // after it, and one volume segment 200 sectors past the hotfix area, of 64 blocks.
    DiskBuilder disk(1100);
    disk.MbrEntry(0, 0, 0x65, 100, 1000);
    disk.Text(100 + 64, 0, "HOTFIX00").Le32(100 + 64, 24, 200);
    const std::uint64_t table = 100 + 200 + 96;
    disk.Text(table, 0, std::string_view("NetWare Volumes\0", 16)).Le32(table, 16, 1);
    disk.Le32(table, 56, 200)
        .Le32(table, 60, kBlocks * kBlock / 512)
        .Le32(table, 64, kBlocks)
        .Le32(table, 72, kFatBlock)
        .Le32(table, 80, kDirBlock);
    const NwfsVolume volume;
    std::copy(volume.bytes.begin(), volume.bytes.end(), disk.Bytes().begin() + 500 * 512);
    BuiltTree built(disk.Storage());
    cPartTreeItem& segment = built.Node("1.1");
    ASSERT_EQ(segment.Start(), 500u);
    auto reader = cVFSDetectManager::Instance().Detect(segment);
    auto* fs = dynamic_cast<cVNWFS*>(reader.get());
    ASSERT_TRUE(fs);
    EXPECT_EQ(fs->GetBlockSize(), kBlock);
    EXPECT_TRUE(fs->FindByPath(u"/DOCS/SUB/DEEP.TXT", fs->GetRootId()));
}

} // namespace
