#include "disk_builder.h"
#include "part/gpt.h"

#include <array>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

TEST(Mbr, VolumeBootRecordsRetypeTheWholeStorage) {
    const struct {
        std::size_t offset;
        std::string_view text;
        std::uint16_t type;
    } cases[] = {
        {0x52, "TFAT32", 0x0B},   {0x52, "FAT32   ", 0x0B}, {0x36, "FAT12   ", 0x01},
        {0x36, "FAT16   ", 0x04}, {3, "NTFS    ", 0x07},
    };
    for (const auto& c : cases) {
        DiskBuilder disk(64);
        // A boot sector's bytes at the entry table must not become partitions.
        disk.Text(0, c.offset, c.text).MbrEntry(0, 0, 0x83, 8, 8);
        BuiltTree built(disk.Storage());
        EXPECT_TRUE(built.result);
        EXPECT_EQ(Listing(built.tree),
                  Lines{"0 0+64 0x" +
                        (std::stringstream() << std::uppercase << std::hex << c.type).str()})
            << c.text;
    }
}

TEST(Mbr, EntriesInEntryOrderSkippingEmptyOnesAndZeroCounts) {
    DiskBuilder disk(256);
    disk.MbrEntry(0, 1, 0x83, 100, 50).MbrEntry(0, 3, 0x07, 10, 20).MbrEntry(0, 2, 0x0B, 200, 0);
    disk.U8(0, 0, 0xEB);
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+256 0x7FFC", "1 100+50 0x83", "2 10+20 0x7"}));
    EXPECT_EQ(built.ParserOf("0"), parser_id::kMbr);
    EXPECT_TRUE(built.Node("0").Parser()->IsMbrMap());
    const auto* boot = built.Node("0").FindExtensionAs<cPartLegacyBoot>(part_ext::kLegacyBoot);
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->Bytes().size(), 446u);
    EXPECT_EQ(boot->Bytes()[0], 0xEB);
}

TEST(Mbr, ExtendedChainWithBootCodeOnlyWhereTheEbrHasSome) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x0F, 100, 900);
    // EBR at 100: logical at 100+10, next EBR at 100+300. That one has boot code and
    // only entry 0.
    disk.MbrEntry(100, 0, 0x83, 10, 50).MbrEntry(100, 1, 0x05, 300, 100);
    disk.MbrEntry(400, 0, 0x07, 20, 60).U8(400, 17, 0x90);
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+1024 0x7FFC", "1 100+900 0xF", "1.1 110+50 0x83", "1.2 420+60 0x7"}));
    EXPECT_EQ(built.Node("1.1").FindExtension(part_ext::kLegacyBoot), nullptr);
    const auto* boot = built.Node("1.2").FindExtensionAs<cPartLegacyBoot>(part_ext::kLegacyBoot);
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->Bytes()[17], 0x90);
}

TEST(Mbr, ChainThatLinksBackStopsAtTheRepeatedEbr) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x05, 100, 900);
    disk.MbrEntry(100, 0, 0x83, 10, 50).MbrEntry(100, 1, 0x05, 200, 100);
    disk.MbrEntry(300, 0, 0x83, 10, 50).MbrEntry(300, 1, 0x05, 0, 100); // back to the first EBR
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+1024 0x7FFC", "1 100+900 0x5", "1.1 110+50 0x83", "1.2 310+50 0x83"}));
}

TEST(Mbr, LongChainIsCutAfterAFewHundredLogicalPartitions) {
    DiskBuilder disk(2048);
    disk.MbrEntry(0, 0, 0x05, 1, 2000);
    for (std::uint32_t i = 0; i < 1000; ++i) {
        disk.MbrEntry(1 + i, 0, 0x83, 0, 1).MbrEntry(1 + i, 1, 0x05, i + 1, 1);
    }
    BuiltTree built(disk.Storage());
    EXPECT_EQ(built.Node("1").Children().size(), 256u);
}

TEST(Mbr, BrokenChainFailsTheParseButKeepsWhatWasFound) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x05, 100, 400).MbrEntry(0, 1, 0x83, 600, 100);
    disk.MbrEntry(100, 0, 0x83, 10, 50)
        .MbrEntry(100, 1, 0x05, 200, 100); // next EBR has no signature
    BuiltTree built(disk.Storage());
    EXPECT_FALSE(built.result);
    // The primary partition after the broken chain is still listed.
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+1024 0x7FFC", "1 100+400 0x5", "1.1 110+50 0x83", "2 600+100 0x83"}));
    EXPECT_EQ(built.Node("0").FindExtension(part_ext::kLegacyBoot), nullptr);
}

TEST(Mbr, DynamicDiskLinkGoesToTheLdmParserWithoutAProbe) {
    DiskBuilder disk(256);
    disk.MbrEntry(0, 0, 0x42, 63, 150);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(built.ParserOf("1"), parser_id::kLdm);
    EXPECT_FALSE(built.Node("1").HasChildren());
}

// A GPT header at sector headerSector whose sectors count from myLba, with its array
// right behind it.
void PutGptHeader(DiskBuilder& disk, std::uint64_t headerSector, std::uint64_t myLba,
                  std::uint32_t entries) {
    disk.Text(headerSector, 0, "EFI PART")
        .Le64(headerSector, 0x18, myLba)
        .Le64(headerSector, 0x48, myLba + 1);
    disk.Le32(headerSector, 0x50, entries).Le32(headerSector, 0x54, 128);
}

void PutGptEntry(DiskBuilder& disk, std::uint64_t arraySector, unsigned index,
                 const std::array<std::uint8_t, 16>& guid, std::uint64_t first,
                 std::uint64_t last) {
    const std::uint64_t sector = arraySector + index / 4;
    const std::size_t offset = 128 * (index % 4);
    for (std::size_t i = 0; i < 16; ++i) {
        disk.U8(sector, offset + i, guid[i]);
    }
    disk.Le64(sector, offset + 0x20, first).Le64(sector, offset + 0x28, last);
}

// EBD0A0A2-B9E5-4433-87C0-68B6B72699C7 and a GUID of no known type, as stored.
constexpr std::array<std::uint8_t, 16> kBasicData = {
    0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
constexpr std::array<std::uint8_t, 16> kOther = {1, 2,  3,  4,  5,  6,  7,  8,
                                                 9, 10, 11, 12, 13, 14, 15, 16};

TEST(Gpt, BehindAProtectiveEntryWithNestedMaps) {
    DiskBuilder disk(8192);
    disk.MbrEntry(0, 0, 0xEE, 1, 8191);
    PutGptHeader(disk, 1, 1, 8);
    PutGptEntry(disk, 2, 0, kBasicData, 2048, 4095);
    PutGptEntry(disk, 2, 2, kOther, 4096, 6143);
    PutGptEntry(disk, 2, 3, kOther, 7000, 6999); // ends before it starts
    // A BSD disklabel inside the unknown partition: unknown types are parsed too.
    disk.Le32(4097, 0, 0x82564557)
        .Le32(4097, 132, 0x82564557)
        .Le32(4097, 148, 100)
        .Le32(4097, 152, 4200)
        .U8(4097, 160, 7);
    BuiltTree built(disk.Storage());
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree),
              (Lines{"0 0+8192 0x7FFC", "1 1+8191 0xEE", "1.1 2048+2048 0x5F83",
                     "1.2 4096+2048 0x7FFF", "1.2.1 4200+100 0x107"}));
    EXPECT_EQ(built.ParserOf("1"), parser_id::kGpt);
    EXPECT_EQ(built.Node("1.1").TypeName(), u"GPT Basic");
    const auto* saved = built.Node("1").FindExtensionAs<cPartLegacyData>(part_ext::kLegacyData);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->Bytes().size(), 3u * 512) << "two array sectors, then the header";
    EXPECT_EQ(saved->Bytes()[2 * 512], 'E');
}

TEST(Gpt, HeaderInSectorZeroIsReadRelativeToItself) {
    DiskBuilder disk(4096);
    PutGptHeader(disk, 0, 1, 4); // written for a disk that started one sector earlier
    PutGptEntry(disk, 1, 0, kBasicData, 100, 199);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+4096 0x7FFC", "1 99+100 0x5F83"}));
}

TEST(Gpt, EntryCoveringItsOwnHeaderIsNotParsedAgain) {
    DiskBuilder disk(4096);
    PutGptHeader(disk, 0, 0, 4);
    PutGptEntry(disk, 1, 0, kBasicData, 0, 4095);
    PutGptEntry(disk, 1, 1, kBasicData, 0, 99);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+4096 0x7FFC", "1 0+4096 0x5F83", "2 0+100 0x5F83"}));
    EXPECT_EQ(built.Node("1").Parser(), nullptr);
}

TEST(Gpt, EntriesWhoseArithmeticWouldWrapAreLeftOut) {
    DiskBuilder disk(4096);
    PutGptHeader(disk, 0, 1, 4);
    // Before the header: would start at sector 0 + (0 - 1), wrapped to the last sector of
    // a 2^64-sector disk.
    PutGptEntry(disk, 1, 0, kBasicData, 0, 99);
    PutGptEntry(disk, 1, 1, kOther, 200, 299);
    BuiltTree built(disk.Storage());
    EXPECT_EQ(Listing(built.tree), (Lines{"0 0+4096 0x7FFC", "1 199+100 0x7FFF"}));

    DiskBuilder whole(4096);
    PutGptHeader(whole, 0, 0, 4);
    // From LBA 0 to the last LBA: its length would wrap to 0.
    PutGptEntry(whole, 1, 0, kBasicData, 0, UINT64_MAX);
    PutGptEntry(whole, 1, 1, kOther, 200, 299);
    // Ending past any storage: maps nested in it would read at wrapped sectors.
    PutGptEntry(whole, 1, 2, kOther, UINT64_MAX - 10, UINT64_MAX - 1);
    BuiltTree wholeBuilt(whole.Storage());
    EXPECT_EQ(Listing(wholeBuilt.tree), (Lines{"0 0+4096 0x7FFC", "1 200+100 0x7FFF"}));
}

TEST(Gpt, HostileHeadersEndCleanly) {
    const struct {
        const char* what;
        std::uint32_t entries;
        std::uint32_t entrySize;
        std::uint64_t arrayLba;
    } cases[] = {
        {"0xFFFFFFFF entries", 0xFFFFFFFF, 128, 2},
        {"array past the end", 128, 128, 4090},
        {"array before the header", 4, 128, 0},
        {"64-byte entries", 4, 64, 2},
    };
    for (const auto& c : cases) {
        DiskBuilder disk(4096);
        disk.MbrEntry(0, 0, 0xEE, 1, 4095);
        PutGptHeader(disk, 1, 1, c.entries);
        disk.Le32(1, 0x54, c.entrySize).Le64(1, 0x48, c.arrayLba);
        PutGptEntry(disk, 2, 0, kBasicData, 100, 199);
        BuiltTree built(disk.Storage());
        EXPECT_TRUE(built.result) << c.what << ": the MBR itself was fine";
        EXPECT_FALSE(built.Node("1").HasChildren()) << c.what;
        EXPECT_EQ(built.ParserOf("1"), c.entrySize == 128 ? parser_id::kGpt : 0u) << c.what;
    }
}

TEST(Gpt, TypeGuidTable) {
    EXPECT_EQ(GptTypeCode(kBasicData), 0x5F83);
    EXPECT_EQ(GptTypeCode(kOther), 0x7FFF);
}

TEST(Mbr, UnreadableSectorsEndTheParseCleanly) {
    DiskBuilder disk(1024);
    disk.MbrEntry(0, 0, 0x05, 100, 400).MbrEntry(0, 1, 0x83, 600, 100);
    disk.MbrEntry(100, 0, 0x83, 10, 50).MbrEntry(100, 1, 0x05, 200, 100);
    disk.MbrEntry(300, 0, 0x83, 10, 50);
    {
        auto storage = disk.Storage();
        storage->FailSector(0);
        BuiltTree built(std::move(storage));
        EXPECT_TRUE(built.result) << "no map could be read: the storage is one node";
        EXPECT_EQ(Listing(built.tree), (Lines{"0 0+1024 0x7FFC"}));
    }
    {
        auto storage = disk.Storage();
        storage->FailSector(300);
        BuiltTree built(std::move(storage));
        EXPECT_FALSE(built.result);
        EXPECT_EQ(Listing(built.tree),
                  (Lines{"0 0+1024 0x7FFC", "1 100+400 0x5", "1.1 110+50 0x83", "2 600+100 0x83"}));
    }
}

} // namespace
