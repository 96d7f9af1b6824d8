#include "base/utf.h"
#include "disk_builder.h"
#include "io/flat_io.h"
#include "support/fixtures.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using Lines = std::vector<std::string>;

// ---- Apple ----

// A driver descriptor and a map of the given entries with 512-byte blocks.
struct AppleEntry {
    std::string_view signature, name, type;
    std::uint32_t first, count;
};
void PutAppleMap(DiskBuilder& disk, std::uint32_t mapBlocks,
                 const std::vector<AppleEntry>& entries) {
    disk.Text(0, 0, "ER").Be16(0, 2, 512);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const AppleEntry& e = entries[i];
        disk.Text(1 + i, 0, e.signature)
            .Be32(1 + i, 4, mapBlocks)
            .Be32(1 + i, 8, e.first)
            .Be32(1 + i, 12, e.count);
        disk.Text(1 + i, 16, e.name).Text(1 + i, 48, e.type);
    }
}

TEST(Apple, EntriesUntilTheFirstWithoutASignature) {
    DiskBuilder disk(256);
    PutAppleMap(disk, 4,
                {{"PM", "", "Apple_partition_map", 1, 4},
                 {"PM", "Macintosh HD", "Apple_HFS", 10, 100},
                 {"XX", "", "Apple_HFS", 110, 10},
                 {"PM", "", "apple_free", 120, 10}});
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+256 0x7FFC", "1 1+4 0x120", "2 10+100 0x124"}));
    EXPECT_EQ(built.Node("1").TypeName(), u"Apple Partitions Map");
    EXPECT_EQ(built.Node("2").TypeName(), u"Macintosh HD (Apple HFS)");
    EXPECT_EQ(built.Node("0").Parser()->ParsedNode(), &built.Node("0"));
}

TEST(Apple, MapCountRunningPastTheDiskIsCut) {
    DiskBuilder disk(8);
    PutAppleMap(disk, 0x7FFFFFFF,
                {{"PM", "", "Apple_partition_map", 1, 63}, {"TS", "", "Linux", 5, 3}});
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+8 0x7FFC", "1 1+63 0x120", "2 5+3 0x83"}));
    const auto* saved = built.Node("0").FindExtensionAs<cPartLegacyData>(part_ext::kLegacyData);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->Bytes().size(), 8u * 512) << "every sector of the disk is map";
}

TEST(Apple, WriteMapPutsTheSavedBlocksBackOnAWritableTarget) {
    DiskBuilder disk(64);
    PutAppleMap(disk, 2, {{"PM", "", "Apple_partition_map", 1, 2}, {"PM", "", "Apple_HFS", 8, 8}});
    BuiltTree built(disk.Storage());
    cPartParser* parser = built.Node("0").Parser();
    EXPECT_FALSE(parser->WriteMap(nullptr));
    EXPECT_FALSE(parser->WriteMap(built.storage.get()))
        << "the storage the map was read from is read-only";

    // A file of this test's own, never the storage that was read.
    const std::string path = fixtures::ScratchDir() + "/restored.img";
    const cNamedFileResource resource(utf::FromUtf8(path));
    cFlatIO target;
    ASSERT_EQ(target.Create(&resource, 64, true), 64u);
    EXPECT_TRUE(parser->WriteMap(&target));
    target.Close();
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(written.size(), 64u * 512);
    EXPECT_TRUE(std::equal(written.begin(), written.begin() + 3 * 512, disk.Bytes().begin()))
        << "descriptor block and both map entries";
    EXPECT_TRUE(std::all_of(written.begin() + 3 * 512, written.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

// ---- BSD, Snap ----

TEST(Bsd, WholeDiskAndUnusedEntriesAddNothing) {
    DiskBuilder disk(512);
    disk.MbrEntry(0, 0, 0xA5, 100, 400);
    disk.Le32(101, 0, 0x82564557).Le32(101, 132, 0x82564557);
    const struct {
        std::uint32_t size, offset;
        std::uint8_t type;
    } entries[] = {{50, 100, 7}, {20, 150, 1}, {400, 100, 7}, {30, 170, 0}, {40, 200, 27}};
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        disk.Le32(101, 148 + 16 * i, entries[i].size)
            .Le32(101, 152 + 16 * i, entries[i].offset)
            .U8(101, 160 + 16 * i, entries[i].type);
    }
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+512 0x7FFC", "1 100+400 0xA5", "1.1 100+50 0x107",
                                          "1.2 150+20 0x101", "1.3 200+40 0x11B"}));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kBsd);
}

TEST(Snap, LabelInTheFirstSector) {
    DiskBuilder disk(512);
    disk.Le32(0, 0, 0x82564557).Le32(0, 244, 0x82564557);
    disk.Le32(0, 288, 100).Le32(0, 292, 10).U8(0, 300, 7);               // entry 0
    disk.Le32(0, 288 + 32, 500).Le32(0, 292 + 32, 0).U8(0, 300 + 32, 7); // entry 2: whole disk
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+512 0x7FFC", "1 10+100 0x107"}));
    EXPECT_EQ(built.ParserOf("0"), parser_id::kSnap);
}

// ---- Solaris ----

TEST(Solaris, SliceTypes) {
    DiskBuilder disk(2048);
    disk.MbrEntry(0, 0, 0xBF, 100, 1900);
    disk.Le16(101, 508, 0xDABE).Le16(101, 28, 512).Le16(101, 30, 6);
    const std::uint32_t slices[][2] = {{0, 16},    {16, 100},  {0, 1900},
                                       {200, 300}, {600, 100}, {800, 0}};
    for (std::size_t i = 0; i < std::size(slices); ++i) {
        disk.Le32(101, 76 + 12 * i, slices[i][0]).Le32(101, 80 + 12 * i, slices[i][1]);
    }
    disk.Le32(100 + 200 + 16, 1372, 0x11954); // slice 3 holds UFS
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+2048 0x7FFC", "1 100+1900 0xBF", "1.1 100+16 0x6110", "1.2 116+100 0x101",
                     "1.3 300+300 0x107", "1.4 700+100 0x7FFF"}));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kSolaris);
}

// ---- LVM2 ----

// A physical-volume label at sector labelAt naming labelSector, with its header's data
// areas (byte offset, byte size) and device size.
void PutLvmLabel(DiskBuilder& disk, std::uint64_t labelAt, std::uint64_t labelSector,
                 std::uint64_t deviceSize,
                 const std::vector<std::pair<std::uint64_t, std::uint64_t>>& areas) {
    disk.Text(labelAt, 0, "LABELONE")
        .Le64(labelAt, 8, labelSector)
        .Le32(labelAt, 20, 32)
        .Text(labelAt, 24, "LVM2 001");
    disk.Le64(labelAt, 32 + 32, deviceSize);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        disk.Le64(labelAt, 72 + 16 * i, areas[i].first).Le64(labelAt, 80 + 16 * i, areas[i].second);
    }
}

TEST(Lvm, LabelWhereItSaysKeepsTheNodeInPlace) {
    DiskBuilder disk(4096);
    disk.MbrEntry(0, 0, 0x8E, 1000, 2000);
    PutLvmLabel(disk, 1001, 1, 2000 * 512, {{1024 * 512, 512 * 512}});
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+4096 0x7FFC", "1 1000+2000 0x8E", "1.1 2024+512 0x5FA0"}));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kLvm);
    const auto* saved = built.Node("1").FindExtensionAs<cPartLegacyData>(part_ext::kLegacyData);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->Bytes().size(), 16384u);
}

TEST(Lvm, LabelFoundEarlierThanItSaysMovesTheNode) {
    DiskBuilder disk(4096);
    disk.MbrEntry(0, 0, 0x8E, 1000, 2000);
    PutLvmLabel(disk, 1000, 1, 2000 * 512, {{0x100000, 0x10000}});
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+4096 0x7FFC", "1 999+2000 0x8E", "1.1 3047+128 0x5FA0"}));
}

TEST(Lvm, DataAreaOfSizeZeroEndsWithTheDevice) {
    // The device claims more than the storage holds: the area stops at the storage's end.
    const struct {
        std::uint64_t deviceSectors, wantLength;
    } cases[] = {{2000, 1000}, {100000, 2096}, {500, 0}};
    for (const auto& c : cases) {
        DiskBuilder disk(4096);
        disk.MbrEntry(0, 0, 0x8E, 1000, 2000);
        PutLvmLabel(disk, 1001, 1, c.deviceSectors * 512, {{1000 * 512, 0}});
        BuiltTree built(disk.Storage());
        if (c.wantLength == 0) {
            EXPECT_FALSE(built.Node("1").HasChildren());
            continue;
        }
        EXPECT_EQ(built.Node("1.1").Start(), 2000u);
        EXPECT_EQ(built.Node("1.1").Length(), c.wantLength) << c.deviceSectors;
    }
}

// ---- NT LDM ----

// A dynamic disk of 4096 sectors: logical disk 63..3063, configuration 3072..4095.
class Ldm : public ::testing::Test {
protected:
    static constexpr const char* kDiskGuid = "6a8b2c3d-4e5f-4061-8273-9a4b5c6d7e8f";
    static constexpr std::uint64_t kConfig = 3072;
    static constexpr std::uint64_t kRecords = kConfig + 18; // VMDB + 512 bytes

    Ldm() : disk_(4096) {
        disk_.MbrEntry(0, 0, 0x42, 63, 4033);
        disk_.Text(6, 0, "PRIVHEAD").Text(6, 0x30, kDiskGuid);
        disk_.Be64(6, 0x11B, 63).Be64(6, 0x123, 3000).Be64(6, 0x12B, kConfig).Be64(6, 0x133, 1024);
        disk_.Text(kConfig + 2, 0, "TOCBLOCK");
        disk_.Text(kConfig + 2, 0x24, "config")
            .Be64(kConfig + 2, 0x2E, 17)
            .Be64(kConfig + 2, 0x36, 100);
        disk_.Text(kConfig + 2, 0x46, "log")
            .Be64(kConfig + 2, 0x50, 200)
            .Be64(kConfig + 2, 0x58, 100);
        disk_.Text(kConfig + 17, 0, "VMDB").Be32(kConfig + 17, 8, 128).Be32(kConfig + 17, 12, 512);
    }

    // Record n of the database (128 bytes each, four to a sector): the VBLK header, the
    // object id and name, then body.
    void Record(unsigned n, std::uint8_t type, std::uint8_t objectId, std::string_view name,
                const std::vector<std::uint8_t>& body) {
        const std::uint64_t sector = kRecords + n / 4;
        const std::size_t at = 128 * (n % 4);
        disk_.Text(sector, at, "VBLK").Be16(sector, at + 14, 1).U8(sector, at + 19, type);
        disk_.U8(sector, at + 24, 1)
            .U8(sector, at + 25, objectId)
            .U8(sector, at + 26, std::uint8_t(name.size()));
        disk_.Text(sector, at + 27, name);
        for (std::size_t i = 0; i < body.size(); ++i) {
            disk_.U8(sector, at + 27 + name.size() + i, body[i]);
        }
    }
    static std::vector<std::uint8_t> Partition(std::uint64_t start, std::uint32_t size,
                                               std::uint8_t diskId) {
        std::vector<std::uint8_t> body(12, 0);
        for (int i = 7; i >= 0; --i) {
            body.push_back(std::uint8_t(start >> (8 * i)));
        }
        body.resize(body.size() + 8, 0); // volume offset
        body.insert(body.end(), {4, std::uint8_t(size >> 24), std::uint8_t(size >> 16),
                                 std::uint8_t(size >> 8), std::uint8_t(size), 1, 0x40, 1, diskId});
        return body;
    }
    static std::vector<std::uint8_t> TextDisk(std::string_view guid) {
        std::vector<std::uint8_t> body{std::uint8_t(guid.size())};
        body.insert(body.end(), guid.begin(), guid.end());
        return body;
    }

    DiskBuilder disk_;
};

TEST_F(Ldm, PartitionsOfThisDiskOnly) {
    Record(0, 0x34, 5, "Disk1", TextDisk("11111111-2222-3333-4444-555555555555"));
    Record(1, 0x34, 6, "Disk2", TextDisk(kDiskGuid));
    Record(2, 0x33, 9, "Disk1-01", Partition(0, 500, 5));
    Record(3, 0x33, 10, "Disk2-01", Partition(100, 400, 6));
    Record(4, 0x51, 11, "Volume1", {});
    Record(5, 0x33, 12, "Disk2-02", Partition(1000, 800, 6));
    disk_.Text(63 + 1000, 3, "NTFS    ");
    BuiltTree built(disk_.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+4096 0x7FFC", "1 163+400 0x7FFF", "2 1063+800 0x7"}));
    EXPECT_EQ(built.ParserOf("0"), parser_id::kLdm);
}

TEST_F(Ldm, BinaryDiskGuidAndUnmatchedDisksTakeEveryPartition) {
    Record(0, 0x44, 6, "Disk2",
           {0x6a, 0x8b, 0x2c, 0x3d, 0x4e, 0x5f, 0x40, 0x61, 0x82, 0x73, 0x9a, 0x4b, 0x5c, 0x6d,
            0x7e, 0x8f});
    Record(1, 0x33, 9, "Disk1-01", Partition(0, 500, 5));
    Record(2, 0x33, 10, "Disk2-01", Partition(600, 100, 6));
    BuiltTree matched(disk_.Storage());
    EXPECT_EQ(Listing(matched.tree), (Lines{"0 0+4096 0x7FFC", "1 663+100 0x7FFF"}));

    disk_.Text(6, 0x30, "00000000-0000-0000-0000-000000000000");
    BuiltTree unmatched(disk_.Storage());
    EXPECT_EQ(Listing(unmatched.tree),
              (Lines{"0 0+4096 0x7FFC", "1 63+500 0x7FFF", "2 663+100 0x7FFF"}));
}

TEST_F(Ldm, RecordsRunningOffTheirEndAreSkippedAndTheDatabaseEndsAtAForeignBlock) {
    Record(0, 0x33, 9, "P1", Partition(0, 10, 1));
    Record(1, 0x33, 10, std::string(100, 'n'), {}); // the name leaves no room for the fields
    Record(2, 0x33, 11, "P3", Partition(20, 10, 1));
    disk_.Text(kRecords, 3 * 128, "XXXX");
    Record(4, 0x33, 12, "P5", Partition(40, 10, 1));
    BuiltTree built(disk_.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+4096 0x7FFC", "1 63+10 0x7FFF", "2 83+10 0x7FFF"}));
}

TEST_F(Ldm, HeadersThatDisagreeAreNotADatabase) {
    const struct {
        const char* what;
        std::uint64_t sector;
        std::size_t offset;
        std::uint64_t value;
    } cases[] = {
        {"configuration past the disk", 6, 0x133, 2048},
        {"logical disk overlaps the configuration", 6, 0x123, 3010},
        {"bitmap outside the configuration", kConfig + 2, 0x36, 1024},
    };
    for (const auto& c : cases) {
        DiskBuilder saved = disk_;
        saved.Be64(c.sector, c.offset, c.value);
        BuiltTree built(saved.Storage());
        EXPECT_EQ(built.ParserOf("0"), parser_id::kMbr) << c.what;
        EXPECT_EQ(built.ParserOf("1"), parser_id::kLdm) << c.what << ": the link still hands over";
        EXPECT_FALSE(built.Node("1").HasChildren()) << c.what;
    }
}

// ---- NetWare ----

TEST(NetWare, VolumeSegmentsWithTheirTableData) {
    DiskBuilder disk(4096);
    disk.MbrEntry(0, 0, 0x65, 100, 3000);
    disk.Text(100 + 64, 0, "HOTFIX00").Le32(100 + 64, 24, 200);
    const std::uint64_t table = 100 + 200 + 96;
    disk.Text(table, 0, std::string_view("NetWare Volumes\0", 16)).Le32(table, 16, 2);
    // Segment 0: start 300, 800 sectors of 100 blocks; segment 1: 1200, 400, no blocks.
    disk.Le32(table, 56, 300)
        .Le32(table, 60, 800)
        .Le32(table, 64, 100)
        .Le32(table, 72, 7)
        .Le32(table, 80, 9);
    disk.Le32(table, 116, 1200)
        .Le32(table, 120, 400)
        .Le32(table, 124, 0)
        .Le32(table, 132, 3)
        .Le32(table, 140, 4);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+4096 0x7FFC", "1 100+3000 0x65",
                                          "1.1 600+800 0x6200", "1.2 1500+400 0x6200"}));
    const auto* data = built.Node("1.1").FindExtensionAs<cNWPartData>(part_ext::kNetWareData);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->FirstFatBlock(), 7u);
    EXPECT_EQ(data->SectorsPerBlock(), 8u);
    EXPECT_EQ(data->FirstDirectoryBlock(), 9u);
    EXPECT_EQ(
        built.Node("1.2").FindExtensionAs<cNWPartData>(part_ext::kNetWareData)->SectorsPerBlock(),
        0u);
}

TEST(NetWare, HugeVolumeCountStopsAtTheSectorEnd) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x65, 100, 900);
    disk.Text(100 + 32, 0, "HOTFIX00").Le32(100 + 32, 24, 0);
    disk.Text(100 + 64, 0, std::string_view("NetWare Volumes\0", 16))
        .Le32(100 + 64, 16, 0xFFFFFFFF);
    // Every entry that fits has a length; empty entries add nothing.
    for (std::size_t length = 60; length + 4 <= 512; length += 60) {
        disk.Le32(100 + 64, length, 10);
    }
    BuiltTree built(disk.Storage());
    EXPECT_EQ(built.ParserOf("1"), parser_id::kNetWare);
    EXPECT_EQ(built.Node("1").Children().size(), 8u) << "(512 - 80) / 60 + 1 entries fit";
}

TEST(Nss, WalkOfHeadersStopsAtSizeZero) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x69, 100, 900);
    disk.Text(100, 1, "Nw_PaRtItIoN").U8(100, 16, 0x69).Le32(100, 20, 200);
    disk.Text(300, 1, "Nw_PaRtItIoN").U8(300, 16, 0xF0).Le32(300, 20, 100);
    disk.Text(400, 1, "Nw_PaRtItIoN").U8(400, 16, 0x69).Le32(400, 20, 0);
    disk.Text(500, 1, "Nw_PaRtItIoN").U8(500, 16, 0x69).Le32(500, 20, 50);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+1024 0x7FFC", "1 100+900 0x69", "1.1 101+199 0x69", "1.2 301+99 0xF0"}));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kNss);
}

} // namespace
