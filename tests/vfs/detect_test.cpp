// Detection over real and patched images, the partition search's superblock tests and
// the alternative file systems of a partition.

#include "base/bytes.h"
#include "fat_volume.h"
#include "io/flat_io.h"
#include "part/build_tree.h"
#include "stub_vfs.h"
#include "support/mem_io.h"
#include "vfs/alt_fs.h"
#include "vfs/detect.h"
#include "vfs/probes.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Image(const char* name) {
    return fattest::ReadFile(fattest::FixtureFolder() + "/" + name);
}

TEST(Detect, NtfsTextOnAFatBootSectorFallsBackToFat) {
    std::vector<std::uint8_t> bytes = Image("fat16.img");
    std::memcpy(&bytes[3], "NTFS    ", 8);
    fattest::Mounted mounted = fattest::MountStorage(std::make_unique<cMemIO>(bytes));
    EXPECT_TRUE(probe::Ntfs(probe::SourceOf(*mounted.record))); // the NTFS probe says yes first
    ASSERT_TRUE(mounted.fs);
    EXPECT_EQ(mounted.fs->GetFSType(), fstype::kFat);
}

TEST(Detect, Fat32BackupBootSectorMustNameItself) {
    std::vector<std::uint8_t> bytes = Image("fat32-wiped.img");
    EXPECT_TRUE(fattest::MountStorage(std::make_unique<cMemIO>(bytes)).fs);
    bytes::PutLe16(&bytes[6 * 512 + 50], 0);
    EXPECT_FALSE(fattest::MountStorage(std::make_unique<cMemIO>(bytes)).fs);
}

TEST(Detect, NothingOnABlankOrUnreadablePartition) {
    EXPECT_FALSE(
        fattest::MountStorage(std::make_unique<cMemIO>(std::vector<std::uint8_t>(1 << 20))).fs);
    auto failing = std::make_unique<cMemIO>(Image("fat12.img"));
    failing->FailSectors(0, 8);
    EXPECT_FALSE(fattest::MountStorage(std::move(failing)).fs);
}

TEST(Superblocks, EachTestAndItsDistance) {
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> make;
        std::uint32_t type;
        std::uint64_t distance;
    };
    const auto text = [](std::size_t at, const char* value) {
        return
            [=](std::vector<std::uint8_t>& d) { std::memcpy(&d[at], value, std::strlen(value)); };
    };
    const auto fat = [](std::size_t at, const char* type) {
        return [=](std::vector<std::uint8_t>& d) {
            std::memcpy(&d[at], type, std::strlen(type));
            bytes::PutLe16(&d[11], 512);
            bytes::PutLe32(&d[32], 1000);
        };
    };
    const auto ufs = [](std::uint32_t magic, bool swapped) {
        return [=](std::vector<std::uint8_t>& d) {
            const auto put = [&](std::size_t at, std::uint32_t v) {
                swapped ? (void)(d[at] = std::uint8_t(v >> 24), d[at + 1] = std::uint8_t(v >> 16),
                                 d[at + 2] = std::uint8_t(v >> 8), d[at + 3] = std::uint8_t(v))
                        : bytes::PutLe32(&d[at], v);
            };
            bytes::PutLe32(&d[1372], magic);
            put(48, 8192);
            put(52, 1024);
            put(56, 8);
        };
    };
    const Case cases[] = {
        {"ntfs", text(3, "NTFS    "), fstype::kNtfs, 0},
        {"ext", [](auto& d) { bytes::PutLe16(&d[56], 0xEF53); }, fstype::kExt, 2},
        {"ufs1", ufs(0x00011954, false), fstype::kUfs, 16},
        {"ufs2", ufs(0x19540119, false), fstype::kUfs, 128},
        {"ufs1 big endian", ufs(0x54190100, true), fstype::kUfsBigEndian, 16},
        {"ufs2 big endian", ufs(0x19015419, true), fstype::kUfsBigEndian, 128},
        {"fat12", fat(54, "FAT12"), fstype::kFat, 0},
        {"fat16", fat(54, "FAT16"), fstype::kFat, 0},
        {"tfat16", fat(54, "TFAT16"), fstype::kFat, 0},
        {"tfat32", fat(82, "TFAT32"), fstype::kFat32, 0},
        {"fat32",
         [](auto& d) {
             std::memcpy(&d[82], "FAT32", 5);
             bytes::PutLe16(&d[11], 4096);
             bytes::PutLe16(&d[19], 8);
         },
         fstype::kFat32, 0},
        {"xfs", text(0, "XFSB"), fstype::kXfs, 0},
        {"jfs", text(0, "JFS1"), fstype::kJfs, 64},
        {"reiser", text(52, "ReIsEr2Fs"), fstype::kReiser, 128},
        {"hfs+",
         [](auto& d) {
             std::memcpy(&d[0], "H+", 2);
             d[42] = 0x10; // block size 4096, big-endian
             d[47] = 100;  // total blocks
             d[51] = 100;  // free blocks
         },
         fstype::kHfsPlus, 2},
        {"hfsx",
         [](auto& d) {
             std::memcpy(&d[0], "HX", 2);
             d[42] = 0x10;
             d[47] = 100;
             d[51] = 100;
         },
         fstype::kHfsPlus, 2},
        {"udf anchor",
         [](auto& d) {
             d[0] = 2;
             std::uint8_t sum = 0;
             for (int i = 0; i < 16; ++i) {
                 sum = std::uint8_t(sum + (i == 4 ? 0 : d[i]));
             }
             d[4] = sum;
         },
         fstype::kUdf, 1024},
        {"iso9660", text(1, "CD001"), fstype::kIso9660, 64},
        {"high sierra", text(9, "CDROM"), fstype::kIso9660, 64},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> data(2048, 0);
        c.make(data);
        const cSuperblockHit hit = MatchSuperblock(5000, data, nullptr);
        EXPECT_EQ(hit.typeCode, c.type) << c.name;
        EXPECT_EQ(hit.start, 5000 - c.distance) << c.name;
        // A superblock closer to the storage start than its distance starts nowhere.
        if (c.distance > 0) {
            EXPECT_EQ(MatchSuperblock(c.distance - 1, data, nullptr).typeCode, 0u) << c.name;
        }
    }
    // A boot sector in the storage's last sector comes with nothing behind it.
    std::vector<std::uint8_t> lastSector(512, 0);
    std::memcpy(&lastSector[3], "NTFS    ", 8);
    EXPECT_EQ(MatchSuperblock(5000, lastSector, nullptr).typeCode, fstype::kNtfs);
    std::vector<std::uint8_t> blank(2048, 0);
    EXPECT_EQ(MatchSuperblock(5000, blank, nullptr).typeCode, 0u);
    EXPECT_EQ(MatchSuperblock(5000, std::span(blank).first(10), nullptr).typeCode, 0u);
}

class RefuseFat : public cVFSFilter {
public:
    bool Wants(std::uint32_t type) const override { return type != fstype::kFat; }
};

TEST(Superblocks, CandidatesAreMountedOnceAndFiltered) {
    auto storage = std::make_unique<cMemIO>(Image("disk.img"));
    cBaseIO& io = *storage;
    std::vector<std::uint8_t> sector(2048);
    ASSERT_TRUE(io.ReadBytes(sector.data(), 2048ull * 512, 2048));

    // The storage's own tree already holds this file system.
    cPartTree tree;
    ASSERT_TRUE(BuildTree(tree, io));
    DetectLeafFileSystems(tree, VFSLeafDetector());
    EXPECT_EQ(cVFSDetectManager::Instance().RecogniseSuperblock(*tree.First(), 2048, sector),
              nullptr);
    EXPECT_EQ(tree.NodeCount(), 2u);

    // A search's found list starts with a node spanning the storage.
    cPartTree found;
    auto top = std::make_unique<cPartTreeItem>();
    top->SetRecord(&io, 0, io.GetSectorCount(), 0x7FFC);
    cPartTreeItem& owner = found.AddChild(nullptr, std::move(top));
    const RefuseFat refuseFat;
    EXPECT_EQ(cVFSDetectManager::Instance().RecogniseSuperblock(owner, 2048, sector, &refuseFat),
              nullptr);
    cPartTreeItem* candidate =
        cVFSDetectManager::Instance().RecogniseSuperblock(owner, 2048, sector);
    ASSERT_TRUE(candidate);
    EXPECT_EQ(candidate->Parent(), &owner);
    EXPECT_EQ(candidate->Start(), 2048u);
    const auto* fs = candidate->FindExtensionAs<cVFS>(part_ext::kFileSystem);
    ASSERT_TRUE(fs);
    EXPECT_EQ(fs->GetFSType(), fstype::kFat);
    // As long as the volume's own boot record says: its clusters would overshoot it.
    EXPECT_EQ(candidate->Length(),
              std::min<std::uint64_t>(fs->GetVolumeSectors(), io.GetSectorCount() - 2048));
    // A second copy of the same superblock is no new candidate.
    EXPECT_EQ(cVFSDetectManager::Instance().RecogniseSuperblock(owner, 2048, sector), nullptr);
    EXPECT_EQ(found.NodeCount(), 2u);
}

// A reader that believes whatever size its superblock claims: 2^63 + 64 blocks of two
// sectors, whose product in sectors wraps to 128.
class cHugeVFS final : public cStubVFS {
public:
    cHugeVFS() : cStubVFS(fstype::kXfs, 1024) { blockCount_ = (1ull << 63) + 64; }
};

class cHugeDetector final : public cVFSDetector {
public:
    std::unique_ptr<cVFS> Detect(cPartRecord&) override { return std::make_unique<cHugeVFS>(); }
};

TEST(Superblocks, AHugeVolumeIsCutAtTheStorageEndNotWrapped) {
    cMemIO io(std::vector<std::uint8_t>(1 << 20));
    cPartTree found;
    auto top = std::make_unique<cPartTreeItem>();
    top->SetRecord(&io, 0, io.GetSectorCount(), 0x7FFC);
    cPartTreeItem& owner = found.AddChild(nullptr, std::move(top));
    cVFSDetectManager manager;
    manager.AddDetector(std::make_unique<cHugeDetector>());
    std::vector<std::uint8_t> sector(512);
    std::memcpy(sector.data(), "XFSB", 4);
    cPartTreeItem* candidate = manager.RecogniseSuperblock(owner, 16, sector);
    ASSERT_TRUE(candidate);
    EXPECT_EQ(candidate->Length(), io.GetSectorCount() - 16);
}

TEST(AltFileSystems, AddSelectFind) {
    const std::vector<std::uint8_t> fat16 = Image("fat16.img");
    const std::vector<std::uint8_t> fat32 = Image("fat32.img");
    fattest::Mounted own = fattest::MountStorage(std::make_unique<cMemIO>(fat16));
    ASSERT_TRUE(own.fs);
    cPartRecord& record = *own.record;
    cVFS* ownReader = own.fs.get();
    record.AttachExtension(std::move(own.fs));

    fattest::Mounted sameType = fattest::MountStorage(std::make_unique<cMemIO>(fat16));
    altfs::Add(record, std::move(sameType.fs));
    EXPECT_EQ(record.FindExtension(part_ext::kAltFileSystems), nullptr);

    fattest::Mounted other = fattest::MountStorage(std::make_unique<cMemIO>(fat32));
    cVFS* otherReader = other.fs.get();
    altfs::Add(record, std::move(other.fs));
    ASSERT_NE(record.FindExtension(part_ext::kAltFileSystems), nullptr);
    EXPECT_EQ(altfs::Current(record), ownReader);
    EXPECT_EQ(altfs::Find(record, fstype::kFat32), otherReader);
    EXPECT_EQ(altfs::Find(record, fstype::kFat), ownReader);
    EXPECT_EQ(altfs::Find(record, fstype::kNtfs), nullptr);
    EXPECT_FALSE(altfs::Select(record, fstype::kNtfs));
    EXPECT_TRUE(altfs::Select(record, fstype::kFat32));
    EXPECT_EQ(altfs::Current(record), otherReader);
    EXPECT_TRUE(altfs::Select(record, fstype::kFat));
    EXPECT_EQ(altfs::Current(record), ownReader);
    record.DestroyExtensions(); // the readers go before the storages they read
}

} // namespace
