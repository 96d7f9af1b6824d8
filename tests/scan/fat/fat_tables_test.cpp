// The pieces of a FAT reconstruction on crafted bytes: folder starts measuring the
// cluster size, the folder-cluster test, and the two table checkers choosing and mending
// copies.

#include "scan/fat/fat1x_checker.h"
#include "scan/fat/fat32_checker.h"
#include "scan/fat/fat_detect.h"
#include "scan/fat/fat_dir_test.h"
#include "support/mem_io.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Sector = std::array<std::uint8_t, 512>;

void PutEntry(std::uint8_t* at, const char* name11, std::uint8_t attributes, std::uint32_t cluster,
              std::uint32_t size = 0) {
    std::memcpy(at, name11, 11);
    at[11] = attributes;
    at[20] = std::uint8_t(cluster >> 16);
    at[21] = std::uint8_t(cluster >> 24);
    at[26] = std::uint8_t(cluster);
    at[27] = std::uint8_t(cluster >> 8);
    std::memcpy(at + 28, &size, 4);
}

void PutLongPiece(std::uint8_t* at, std::uint8_t sequence) {
    std::memset(at, 0, 32);
    at[0] = sequence;
    at[1] = 'a';
    at[11] = 0x0F;
}

Sector FolderStart(std::uint32_t cluster) {
    Sector sector{};
    PutEntry(sector.data(), ".          ", 0x10, cluster);
    PutEntry(sector.data() + 32, "..         ", 0x10, 0);
    return sector;
}

TEST(FatFolderStarts, TwoStartsMeasureAPowerOfTwoClusterSize) {
    fatscan::cFolderStartTracker tracker(2048);
    // "." naming cluster 0 or 1 belongs to no data cluster.
    EXPECT_FALSE(tracker.Feed(50, FolderStart(1)));
    EXPECT_EQ(tracker.Geometry().state, 0u);
    EXPECT_FALSE(tracker.Feed(400, FolderStart(10)));
    EXPECT_EQ(tracker.Geometry().state, 1u);
    EXPECT_EQ(tracker.Geometry().dataStart, 400u - 4 * 8);
    // 48 sectors for two clusters is 12288 bytes, not a power of two.
    EXPECT_FALSE(tracker.Feed(448, FolderStart(12)));
    EXPECT_TRUE(tracker.Feed(464, FolderStart(12)));
    EXPECT_EQ(tracker.Geometry().state, 2u);
    EXPECT_EQ(tracker.Geometry().clusterBytes, 16384u);
    EXPECT_EQ(tracker.Geometry().dataStart, 464u - 32 * 10);
}

TEST(FatFolderStarts, AStartThatPutsClusterTwoBeforeThePartitionIsSkipped) {
    fatscan::cFolderStartTracker tracker(4096);
    EXPECT_FALSE(tracker.Feed(10, FolderStart(100)));
    EXPECT_EQ(tracker.Geometry().state, 0u);
}

TEST(FatLayout, FindsTheTwoCopiesInFrontOfTheData) {
    // FAT16: reserved 4 sectors, tables of 20 sectors, root area of 32, data at 76.
    std::vector<Sector> disk(200);
    const Sector start = {0xF8, 0xFF, 0xFF, 0xFF};
    disk[4] = disk[24] = start;
    fatscan::cFATGeometry geometry;
    geometry.dataStart = 76;
    geometry.clusterBytes = 2048;
    const fatscan::cSectorReader read = [&](std::uint64_t at, std::uint8_t* out) {
        std::memcpy(out, disk[at].data(), 512);
        return true;
    };
    ASSERT_TRUE(fatscan::FindFATLayout(read, disk.size(), true, geometry));
    EXPECT_EQ(geometry.fatType, fatscan::FatType::kFat16);
    EXPECT_EQ(geometry.firstFatSector, 4u);
    EXPECT_EQ(geometry.fatSectors, 20u);
    EXPECT_EQ(geometry.rootEntries, 512u);
    // The table could address 36 × 256 entries; the partition holds 31 clusters.
    EXPECT_EQ(geometry.clusterCount, (200u - 76) / 4 + 2);
    // Without the second copy there is no layout.
    disk[24] = {};
    EXPECT_FALSE(fatscan::FindFATLayout(read, disk.size(), true, geometry));
}

TEST(FatDirectoryTest, EntriesAndTheirEnd) {
    Bytes cluster(512);
    for (std::size_t at = 0; at < cluster.size(); at += 32) {
        PutEntry(cluster.data() + at, "FILE    TXT", 0x20, 5);
    }
    // A cluster full of entries goes on in the next one.
    auto test = fatscan::TestDirectoryCluster(cluster, 100, false);
    EXPECT_TRUE(test.isDirectory);
    EXPECT_FALSE(test.endsDirectory);
    std::memset(cluster.data() + 64, 0, cluster.size() - 64);
    test = fatscan::TestDirectoryCluster(cluster, 100, false);
    EXPECT_TRUE(test.isDirectory);
    EXPECT_TRUE(test.endsDirectory);
    // After the end entry only zeros.
    cluster[300] = 1;
    EXPECT_FALSE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    cluster[300] = 0;
    // First clusters beyond the count, with the high word on FAT32 only.
    PutEntry(cluster.data() + 32, "BIG     BIN", 0x20, 0x10005);
    EXPECT_TRUE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(cluster, 100, true).isDirectory);
    EXPECT_TRUE(fatscan::TestDirectoryCluster(cluster, 0, true).isDirectory);
    // Forbidden name bytes and attributes above 63 fail a live entry, not a deleted one.
    PutEntry(cluster.data() + 32, "*AB     TXT", 0x20, 5);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    cluster[32] = 0xE5;
    EXPECT_TRUE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    // Deletion changes the first byte only: the rest of the name must still be one.
    cluster[34] = '*';
    EXPECT_FALSE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    cluster[34] = 'B';
    cluster[32 + 11] = 0x40;
    EXPECT_FALSE(fatscan::TestDirectoryCluster(cluster, 100, false).isDirectory);
    // Nothing but the end entry is no folder.
    EXPECT_FALSE(fatscan::TestDirectoryCluster(Bytes(512), 100, false).isDirectory);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(Bytes(16, 0x41), 100, false).isDirectory);
}

// A long name of `pieces` entries numbered from `first` down by one, but `skip` left out.
Bytes LongName(std::vector<std::uint8_t> sequence) {
    Bytes cluster(1024);
    std::size_t at = 0;
    for (const std::uint8_t number : sequence) {
        PutLongPiece(cluster.data() + at, number);
        at += 32;
    }
    PutEntry(cluster.data() + at, "LONGNA~1TXT", 0x20, 5);
    return cluster;
}

TEST(FatDirectoryTest, LongNamePiecesCountDownToOne) {
    std::vector<std::uint8_t> twenty{0x40 | 20};
    for (std::uint8_t n = 19; n >= 1; --n) {
        twenty.push_back(n);
    }
    EXPECT_TRUE(fatscan::TestDirectoryCluster(LongName(twenty), 100, false).isDirectory);
    EXPECT_TRUE(fatscan::TestDirectoryCluster(LongName({0x43, 2, 1}), 100, false).isDirectory);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(LongName({0x45, 4, 2}), 100, false).isDirectory);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(LongName({0x40 | 21}), 100, false).isDirectory);
    EXPECT_FALSE(fatscan::TestDirectoryCluster(LongName({0x40}), 100, false).isDirectory);
    // Piece 1 must be followed by the short entry, not by another name.
    EXPECT_FALSE(fatscan::TestDirectoryCluster(LongName({0x41, 0x41}), 100, false).isDirectory);
    // A cluster may begin inside a name that started in the folder's previous cluster.
    EXPECT_TRUE(fatscan::TestDirectoryCluster(LongName({2, 1}), 100, false).isDirectory);
}

// FAT16 copies of `count` entries.
Bytes Fat16(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& links,
            std::size_t count = 64) {
    Bytes table(count * 2);
    table[0] = 0xF8;
    table[1] = table[2] = table[3] = 0xFF;
    for (const auto& [cluster, next] : links) {
        table[cluster * 2] = std::uint8_t(next);
        table[cluster * 2 + 1] = std::uint8_t(next >> 8);
    }
    return table;
}

TEST(Fat1xChecker, TheCopyWithFewerBrokenChainsIsChosenAndMended) {
    // A chain 2 → 3 → 4 → end and 10 → 11 → end.
    const Bytes good = Fat16({{2, 3}, {3, 4}, {4, 0xFFFF}, {10, 11}, {11, 0xFFFF}});
    // The first copy lost 3's link (free) and has 10 pointing past the table.
    const Bytes bad = Fat16({{2, 3}, {4, 0xFFFF}, {10, 900}, {11, 0xFFFF}});
    cFAT1xChecker table;
    ASSERT_TRUE(table.LoadCopies(bad, good, false, 64));
    EXPECT_EQ(table.Primary(), 2u);
    EXPECT_EQ(table.BrokenChains(1), 2u);
    EXPECT_EQ(table.BrokenChains(2), 0u);
    EXPECT_EQ(table.GetNext(3), 4u);
    EXPECT_EQ(table.GetNext(4), 0xFFF8u);
    EXPECT_EQ(table.GetNext(64), 0u);

    // Equal counts keep the first copy; its breaks are mended from the second.
    const Bytes other = Fat16({{2, 3}, {3, 4}, {4, 0xFFFF}, {10, 900}, {11, 0xFFFF}});
    const Bytes first = Fat16({{2, 3}, {3, 0}, {4, 0xFFFF}, {10, 11}, {11, 0xFFFF}});
    ASSERT_TRUE(table.LoadCopies(first, other, false, 64));
    EXPECT_EQ(table.Primary(), 1u);
    EXPECT_EQ(table.GetNext(3), 4u);
    EXPECT_EQ(table.GetNext(10), 11u);
    EXPECT_EQ(table.Repairs(1), 1u);
}

TEST(Fat1xChecker, LoopsAndTheMediaMarker) {
    // 2 → 3 → 2 loops: broken in the first copy only.
    const Bytes looping = Fat16({{2, 3}, {3, 2}});
    const Bytes ending = Fat16({{2, 3}, {3, 0xFFFF}});
    cFAT1xChecker table;
    ASSERT_TRUE(table.LoadCopies(looping, ending, false, 64));
    EXPECT_EQ(table.Primary(), 2u);
    EXPECT_EQ(table.GetNext(3), 0xFFF8u);
    // Identical copies without the media marker count one repair each.
    Bytes blank = Fat16({});
    blank[0] = blank[1] = 0;
    ASSERT_TRUE(table.LoadCopies(blank, blank, false, 64));
    EXPECT_EQ(table.Repairs(1), 1u);
    EXPECT_EQ(table.Repairs(2), 1u);
    // FAT12 counts beyond 4096 clusters cannot be addressed.
    EXPECT_FALSE(table.LoadCopies(blank, blank, true, 4097));
    EXPECT_FALSE(table.IsLoaded());
}

TEST(Fat1xChecker, Fat12EntriesAreUnpacked) {
    // Clusters 2 → 3 → end, packed three bytes per pair.
    Bytes fat12 = {0xF0, 0xFF, 0xFF, 0x03, 0xF0, 0xFF, 0, 0, 0};
    cFAT1xChecker table;
    ASSERT_TRUE(table.LoadCopies(fat12, fat12, true, 6));
    EXPECT_EQ(table.GetNext(2), 3u);
    EXPECT_EQ(table.GetNext(3), 0xFF8u);
    EXPECT_EQ(table.GetNext(4), 0u);
}

// A FAT32 volume in memory: tables of 2 sectors (256 entries) from sector 1 and 3.
struct Fat32Disk {
    Fat32Disk() : bytes(8 * 512) {
        geometry.fatType = fatscan::FatType::kFat32;
        geometry.firstFatSector = 1;
        geometry.fatSectors = 2;
        geometry.clusterCount = 256;
    }
    void Set(int copy, std::uint32_t cluster, std::uint32_t value) {
        std::memcpy(bytes.data() + (1 + 2 * copy) * 512 + cluster * 4, &value, 4);
    }
    Bytes bytes;
    fatscan::cFATGeometry geometry;
};

TEST(Fat32Checker, IdenticalCopiesNeverReadTheSecond) {
    Fat32Disk disk;
    for (int copy : {0, 1}) {
        disk.Set(copy, 2, 3);
        disk.Set(copy, 3, 0x0FFFFFFF);
    }
    cMemIO io(disk.bytes);
    cFAT32Checker table;
    ASSERT_TRUE(table.Load(io, 0, disk.geometry, nullptr));
    EXPECT_FALSE(table.CopiesDiffer());
    EXPECT_EQ(table.GetNext(2), 3u);
    EXPECT_EQ(table.GetNext(3), cFAT32Checker::kEndMarker);
    EXPECT_EQ(table.GetNext(200), 0u); // 0 in both: the second is not asked
    EXPECT_EQ(table.GetNext(300), 0u);
    // The checker's duplicate shares these bytes: a link put into the second copy now
    // would show if a free entry of the first sent GetNext there.
    const std::uint32_t link = 201;
    std::memcpy(io.Bytes().data() + 3 * 512 + 200 * 4, &link, 4);
    EXPECT_EQ(table.GetNext(200), 0u);
}

TEST(Fat32Checker, TheFullerCopyLeadsAndTheOtherFillsItsGaps) {
    Fat32Disk disk;
    disk.Set(0, 2, 3);
    disk.Set(0, 3, 0x0FFFFFFF);
    disk.Set(1, 2, 3);
    disk.Set(1, 3, 4);
    disk.Set(1, 4, 0x0FFFFFFF);
    disk.Set(1, 10, 0x0FFFFFFF);
    cMemIO io(disk.bytes);
    cFAT32Checker table;
    ASSERT_TRUE(table.Load(io, 0, disk.geometry, nullptr));
    EXPECT_TRUE(table.CopiesDiffer());
    EXPECT_EQ(table.Primary(), 2u);
    EXPECT_EQ(table.GetNext(3), 4u);
    // Where the leader has nothing, the other copy answers.
    disk.Set(0, 20, 21);
    cMemIO second(disk.bytes);
    ASSERT_TRUE(table.Load(second, 0, disk.geometry, nullptr));
    EXPECT_EQ(table.GetNext(20), 21u);
}

TEST(Fat32Checker, AnUnreadableSectorHandsThePrimaryToTheOtherCopy) {
    Fat32Disk disk;
    cMemIO io(disk.bytes);
    io.FailSector(2); // the first copy's second sector
    cFAT32Checker table;
    ASSERT_TRUE(table.Load(io, 0, disk.geometry, nullptr));
    EXPECT_EQ(table.Primary(), 2u);
    cMemIO other(disk.bytes);
    other.FailSector(4); // the second copy's
    ASSERT_TRUE(table.Load(other, 0, disk.geometry, nullptr));
    EXPECT_EQ(table.Primary(), 1u);
}

} // namespace
