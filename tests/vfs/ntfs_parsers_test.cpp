// The NTFS structure parsers over byte spans: boot sector, record fix-up, attributes,
// mapping pairs, LZNT1, attribute lists, index nodes and file names.

#include "vfs/ntfs/attribute_list.h"
#include "vfs/ntfs/boot_sector.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/index_node.h"
#include "vfs/ntfs/lznt1.h"
#include "vfs/ntfs/mapping_pairs.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs_builder.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace ntfs_test;
using Runs = std::vector<ntfs::Run>;
using ntfs::kSparseLcn;

namespace {

Bytes BootSector(std::uint16_t bytesPerSector, std::uint8_t sectorsPerCluster,
                 std::uint8_t recordByte) {
    Bytes s(512);
    std::memcpy(&s[3], "NTFS    ", 8);
    bytes::PutLe16(&s[11], bytesPerSector);
    s[13] = sectorsPerCluster;
    bytes::PutLe64(&s[40], 20480);
    bytes::PutLe64(&s[48], 4);
    bytes::PutLe64(&s[56], 2);
    s[64] = recordByte;
    bytes::PutLe64(&s[72], 0x1122334455667788ull);
    return s;
}

} // namespace

TEST(NtfsBootSector, AcceptsOnlyConsistentGeometry) {
    struct Case {
        const char* what;
        std::uint16_t bytesPerSector;
        std::uint8_t sectorsPerCluster;
        std::uint8_t recordByte;
        std::uint32_t recordSize; // 0: rejected
    };
    const Case cases[] = {
        {"1 KiB records as 2^10", 512, 8, 0xF6, 1024},
        {"records of one 4 KiB cluster", 4096, 1, 0x01, 4096},
        {"records of two 512-byte clusters", 512, 1, 0x02, 1024},
        {"512-byte records", 512, 1, 0xF7, 512},
        {"sector size below 512", 256, 8, 0xF6, 0},
        {"sector size not a power of two", 768, 8, 0xF6, 0},
        {"sectors per cluster not a power of two", 512, 3, 0xF6, 0},
        {"no sectors per cluster", 512, 0, 0xF6, 0},
        {"record size zero", 512, 8, 0x00, 0},
        {"record size 256", 512, 8, 0xF8, 0},
        {"record size above the cap", 512, 8, 0xEF, 0},
        {"record size shift out of range", 512, 8, 0x81, 0},
        {"record size of 128 large clusters", 4096, 128, 0x7F, 0},
    };
    for (const Case& c : cases) {
        const auto g =
            ntfs::ParseBootSector(BootSector(c.bytesPerSector, c.sectorsPerCluster, c.recordByte));
        if (c.recordSize == 0) {
            EXPECT_FALSE(g) << c.what;
            continue;
        }
        ASSERT_TRUE(g) << c.what;
        EXPECT_EQ(g->recordSize, c.recordSize) << c.what;
        EXPECT_EQ(g->clusterSize, std::uint32_t(c.bytesPerSector) * c.sectorsPerCluster);
        EXPECT_EQ(g->serialNumber, 0x1122334455667788ull);
    }
    Bytes wrongName = BootSector(512, 8, 0xF6);
    wrongName[10] = 'X';
    EXPECT_FALSE(ntfs::ParseBootSector(wrongName));
    EXPECT_FALSE(ntfs::ParseBootSector(bytes::Span(wrongName).first(100)));
}

TEST(NtfsBootSector, MftSectorCountsIn512ByteUnitsAndRefusesOverflow) {
    auto g = ntfs::ParseBootSector(BootSector(4096, 2, 0xF6));
    ASSERT_TRUE(g);
    EXPECT_EQ(ntfs::MftSector(*g), 4u * 2 * 8);
    g->mftCluster = UINT64_MAX / 4;
    EXPECT_FALSE(ntfs::MftSector(*g));
}

TEST(NtfsRecord, FixupRestoresStrideEndsEvenWhenTheSequenceDoesNotMatch) {
    const Bytes value(700, 0xAB); // reaches across the first stride end
    Bytes record = Record({Resident(0x80, value)});
    ASSERT_EQ(bytes::unchecked::Le16(&record[510]), 0x0101);
    Bytes torn = record;
    bytes::PutLe16(&torn[1022], 0x0202); // the second stride was written by another update
    for (Bytes* r : {&record, &torn}) {
        ASSERT_TRUE(ntfs::FixupRecord(*r));
        const auto data = ntfs::FindAttribute(*r, 0x80, u"");
        ASSERT_TRUE(data);
        EXPECT_EQ(Bytes(data->value.begin(), data->value.end()), value);
    }
}

TEST(NtfsRecord, FixupRefusesInconsistentHeaders) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
    };
    const Case cases[] = {
        {"signature", 0, 0x454C4946 + 1, 4},
        {"nothing in use", 24, 0, 4},
        {"in use above allocated", 24, 1025, 4},
        {"allocated differs from the record size", 28, 2048, 4},
        {"first attribute past the end", 20, 1024, 2},
        {"update sequence array past the end", 4, 1020, 2},
    };
    for (const Case& c : cases) {
        Bytes record = Record({Resident(0x10, StandardInformation())});
        if (c.width == 4) {
            bytes::PutLe32(&record[c.offset], c.value);
        } else {
            bytes::PutLe16(&record[c.offset], std::uint16_t(c.value));
        }
        EXPECT_FALSE(ntfs::FixupRecord(record)) << c.what;
    }
    Bytes shortRecord(40, 0);
    std::memcpy(shortRecord.data(), "FILE", 4);
    EXPECT_FALSE(ntfs::FixupRecord(shortRecord));
}

TEST(NtfsRecord, AttributesAreFoundByTypeNameAndStartingCluster) {
    NonResidentSpec extent;
    extent.name = u"s";
    extent.lowestVcn = 8;
    extent.highestVcn = 9;
    extent.pairs = {0x11, 0x02, 0x40, 0x00};
    Bytes record =
        Record({Resident(0x10, StandardInformation()), Resident(0x30, FileNameValue(5, u"a.txt")),
                Resident(0x80, Bytes{1, 2, 3}), NonResident(extent)});
    ASSERT_TRUE(ntfs::FixupRecord(record));

    int count = 0;
    for (ntfs::AttributeWalker w(record); w.Next();) {
        ++count;
    }
    EXPECT_EQ(count, 4);
    auto unnamed = ntfs::FindAttribute(record, 0x80, u"");
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->value.size(), 3u);
    auto named = ntfs::FindAttribute(record, 0x80, u"s");
    ASSERT_TRUE(named);
    EXPECT_TRUE(named->nonResident);
    EXPECT_EQ(named->highestVcn, 9u);
    EXPECT_TRUE(ntfs::FindAttribute(record, 0x80, u"s", 8));
    EXPECT_FALSE(ntfs::FindAttribute(record, 0x80, u"s", 0));
    EXPECT_TRUE(ntfs::FindAttribute(record, 0x80, u"", 0)); // resident matches only 0
    EXPECT_FALSE(ntfs::FindAttribute(record, 0x80, u"", 1));
    EXPECT_FALSE(ntfs::FindAttribute(record, 0x80, u"S"));
}

TEST(NtfsRecord, WalkEndsAtTheFirstDamagedAttribute) {
    struct Case {
        const char* what;
        std::size_t field; // offset inside the second attribute
        std::uint32_t value;
    };
    const Case cases[] = {
        {"length zero", 4, 0},
        {"length past the record", 4, 0x10000},
        {"name past the attribute", 10, 0xFFF0},
        {"value past the attribute", 16, 0x1000},
    };
    for (const Case& c : cases) {
        const Bytes first = Resident(0x10, StandardInformation());
        Bytes record =
            Record({first, Resident(0x30, FileNameValue(5, u"x"), u"n"), Resident(0x80, {})});
        ASSERT_TRUE(ntfs::FixupRecord(record));
        const std::size_t second = bytes::unchecked::Le16(&record[20]) + first.size();
        if (c.field == 10) {
            bytes::PutLe16(&record[second + c.field], std::uint16_t(c.value));
        } else {
            bytes::PutLe32(&record[second + c.field], c.value);
        }
        int count = 0;
        for (ntfs::AttributeWalker w(record); w.Next();) {
            ++count;
        }
        EXPECT_EQ(count, 1) << c.what;
    }
}

TEST(NtfsMappingPairs, DecodesRunsAndRejectsEveryMalformedPair) {
    struct Case {
        const char* what;
        Bytes pairs;
        std::uint64_t lowestVcn;
        Runs expected; // empty: decoding fails
    };
    const Case cases[] = {
        {"one run", {0x21, 0x10, 0x00, 0x01, 0x00}, 0, {{0, 256, 16}}},
        {"negative delta",
         {0x11, 0x04, 0x40, 0x11, 0x04, 0xF0, 0x00},
         0,
         {{0, 0x40, 4}, {4, 0x30, 4}}},
        {"adjacent runs join", {0x11, 0x04, 0x40, 0x11, 0x02, 0x04}, 0, {{0, 0x40, 6}}},
        {"sparse run",
         {0x11, 0x02, 0x20, 0x01, 0x03, 0x11, 0x01, 0x10},
         0,
         {{0, 0x20, 2}, {2, kSparseLcn, 3}, {5, 0x30, 1}}},
        {"extent after a gap", {0x11, 0x02, 0x20}, 4, {{0, kSparseLcn, 4}, {4, 0x20, 2}}},
        {"eight-byte numbers",
         {0x88, 1, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0},
         0,
         {{0, 5, 1}}},
        {"pairs that never end stop at the attribute end", {0x11, 0x01, 0x05}, 0, {{0, 5, 1}}},
        {"length of zero bytes", {0x10, 0x05}, 0, {}},
        {"length wider than eight bytes", {0x19, 1, 0, 0, 0, 0, 0, 0, 0, 0}, 0, {}},
        {"cut off by the end", {0x21, 0x10}, 0, {}},
        {"zero length", {0x11, 0x00, 0x05}, 0, {}},
        {"negative length", {0x11, 0xFF, 0x05}, 0, {}},
        {"cluster before the volume", {0x11, 0x01, 0xFF}, 0, {}},
        {"cluster past 2^63", {0x18, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0, {}},
        {"vcn past 2^63", {0x11, 0x02, 0x05}, (1ull << 63) - 1, {}},
    };
    for (const Case& c : cases) {
        Runs runs;
        const bool ok = ntfs::DecodeMappingPairs(c.pairs, c.lowestVcn, runs);
        EXPECT_EQ(ok, !c.expected.empty()) << c.what;
        EXPECT_EQ(runs, c.expected) << c.what;
    }
}

TEST(NtfsMappingPairs, LaterExtentsAppendAndOverlapsFail) {
    Runs runs;
    ASSERT_TRUE(ntfs::DecodeMappingPairs(Bytes{0x11, 0x04, 0x40}, 0, runs));
    ASSERT_TRUE(ntfs::DecodeMappingPairs(Bytes{0x11, 0x02, 0x10}, 4, runs));
    EXPECT_EQ(runs, (Runs{{0, 0x40, 4}, {4, 0x10, 2}}));
    EXPECT_FALSE(ntfs::DecodeMappingPairs(Bytes{0x11, 0x02, 0x10}, 5, runs));
    EXPECT_TRUE(runs.empty());
}

namespace {

// "abc" then a reference three back, twelve long... as one compressed chunk.
Bytes CompressedAbc() {
    return {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20};
}

} // namespace

TEST(NtfsLznt1, DecompressesChunksAndZeroesTheRest) {
    Bytes out(8192, 0xEE);
    ASSERT_TRUE(ntfs::Lznt1Decompress(CompressedAbc(), out));
    EXPECT_EQ(std::string(out.begin(), out.begin() + 12), "abcabcabcabc");
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(out[8191], 0);

    // 17 literals, then a reference at position 17, where only 11 bits give the length.
    Bytes wide = {0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 'f',  'g', 'h',  0x00,
                  'i',  'j',  'k',  'l', 'm', 'n', 'o', 'p', 0x02, 'q', 0x02, 0x80};
    bytes::PutLe16(&wide[0], std::uint16_t(0xB000 | (wide.size() - 3)));
    ASSERT_TRUE(ntfs::Lznt1Decompress(wide, out));
    EXPECT_EQ(std::string(out.begin(), out.begin() + 22), "abcdefghijklmnopqabcde");

    // A stored 4096-byte chunk after a compressed one lands in the second output chunk.
    Bytes stored = CompressedAbc();
    stored.push_back(0xFF);
    stored.push_back(0x3F);
    stored.insert(stored.end(), 4096, 'z');
    ASSERT_TRUE(ntfs::Lznt1Decompress(stored, out));
    EXPECT_EQ(out[11], 'c');
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(out[4096], 'z');
    EXPECT_EQ(out[8191], 'z');
}

TEST(NtfsLznt1, RejectsInconsistentChunks) {
    struct Case {
        const char* what;
        Bytes in;
        std::size_t outSize;
    };
    Bytes shortStored = {0xFE, 0x3F};
    shortStored.insert(shortStored.end(), 4095, 'z');
    Bytes longRun = {0x04, 0xB0, 0x02, 'a', 0xFF, 0x0F}; // 4098 bytes out of one
    const Case cases[] = {
        {"reference before the chunk start", {0x02, 0xB0, 0x01, 0x00, 0x00}, 4096},
        {"reference further back than the output", {0x04, 0xB0, 0x02, 'a', 0x00, 0x10}, 4096},
        {"output past the chunk", longRun, 4096},
        {"chunk past the input", {0x10, 0xB0, 0x00, 'a'}, 4096},
        {"stored chunk shorter than 4096 bytes", shortStored, 4096},
        {"output past the unit", Concat({CompressedAbc(), CompressedAbc()}), 4096},
        {"token cut off", {0x02, 0xB0, 0x02, 'a', 0x00}, 4096},
    };
    for (const Case& c : cases) {
        Bytes out(c.outSize);
        EXPECT_FALSE(ntfs::Lznt1Decompress(c.in, out)) << c.what;
    }
}

TEST(NtfsAttributeList, FindsTheEntryOfEachExtent) {
    const Bytes list = Concat({ListEntry(0x10, 0, 40), ListEntry(0x80, 0, 40),
                               ListEntry(0x80, 0, 41, u"ads"), ListEntry(0x80, 100, 42)});
    auto first = ntfs::FindListEntry(list, 0x80, u"", 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->record, 40u);
    auto later = ntfs::FindListEntry(list, 0x80, u"", 100);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->record, 42u);
    auto named = ntfs::FindListEntry(list, 0x80, u"ads", 0);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->record, 41u);
    EXPECT_FALSE(ntfs::FindListEntry(list, 0x80, u"", 50));

    Bytes damaged = list;
    bytes::PutLe16(&damaged[32 + 4], 8); // the second entry claims 8 bytes
    EXPECT_TRUE(ntfs::FindListEntry(damaged, 0x10, u"", 0));
    EXPECT_FALSE(ntfs::FindListEntry(damaged, 0x80, u"", 100));
    damaged = list;
    damaged[32 + 7] = 250; // its name lies outside the entry
    EXPECT_FALSE(ntfs::FindListEntry(damaged, 0x80, u"", 100));
}

TEST(NtfsIndex, WalksRootAndBlockEntriesUpToTheLastEntry) {
    const Bytes a = IndexEntryBytes(30, FileNameValue(5, u"a"));
    const Bytes b = IndexEntryBytes(31 | (7ull << 48), FileNameValue(5, u"b"));
    const Bytes rootValue = IndexRootValue({a, b}, 4096);
    const auto root = ntfs::ParseIndexRoot(rootValue);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->blockSize, 4096u);
    EXPECT_EQ(root->indexedType, 0x30u);
    std::vector<std::uint64_t> records;
    for (ntfs::IndexEntryWalker w(root->entries); auto e = w.Next();) {
        records.push_back(e->record);
        EXPECT_EQ(ntfs::ParseFileName(e->key)->parentRecord, 5u);
    }
    EXPECT_EQ(records, (std::vector<std::uint64_t>{30, 31}));

    // Entries that cross a stride end come back whole after the fix-up.
    std::vector<Bytes> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back(IndexEntryBytes(
            100 + i, FileNameValue(5, u"name-" + std::u16string(1, u'a' + i % 26))));
    }
    Bytes block = IndexBlock(many);
    const auto entries = ntfs::ParseIndexBlock(block);
    ASSERT_TRUE(entries);
    std::size_t count = 0;
    for (ntfs::IndexEntryWalker w(*entries); auto e = w.Next(); ++count) {
        ASSERT_TRUE(ntfs::ParseFileName(e->key));
        EXPECT_EQ(e->record, 100 + count);
    }
    EXPECT_EQ(count, many.size());
}

TEST(NtfsIndex, RefusesDamagedNodes) {
    Bytes block = IndexBlock({IndexEntryBytes(30, FileNameValue(5, u"a"))});
    Bytes wrongMagic = block;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(ntfs::ParseIndexBlock(wrongMagic));
    Bytes firstPastEnd = block;
    bytes::PutLe32(&firstPastEnd[24], 5000);
    bytes::PutLe32(&firstPastEnd[28], 6000);
    EXPECT_FALSE(ntfs::ParseIndexBlock(firstPastEnd));
    Bytes endPastBlock = block;
    bytes::PutLe32(&endPastBlock[28], 0x7FFFFFFF); // clipped to the block, still walkable
    EXPECT_TRUE(ntfs::ParseIndexBlock(endPastBlock));
    EXPECT_FALSE(ntfs::ParseIndexRoot(Bytes(20)));

    // An entry of length 0 or one running past the node ends the walk.
    for (std::uint16_t length : {0, 0x7FF0}) {
        Bytes rootValue = IndexRootValue({IndexEntryBytes(30, FileNameValue(5, u"a"))});
        bytes::PutLe16(&rootValue[32 + 8], length);
        const auto root = ntfs::ParseIndexRoot(rootValue);
        ASSERT_TRUE(root);
        EXPECT_FALSE(ntfs::IndexEntryWalker(root->entries).Next());
    }
}

TEST(NtfsFileName, ParsesTheValueAndRefusesShortOnes) {
    const Bytes value = FileNameValue(5 | (3ull << 48), u"Файл.txt", 3, 0x10000000, 77);
    const auto f = ntfs::ParseFileName(value);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->parentRecord, 5u);
    EXPECT_EQ(f->name, u"Файл.txt");
    EXPECT_TRUE(f->IsDirectory());
    EXPECT_TRUE(f->IsWin32());
    EXPECT_FALSE(f->IsDosOnly());
    EXPECT_EQ(f->realSize, 77u);
    EXPECT_FALSE(ntfs::ParseFileName(bytes::Span(value).first(value.size() - 1)));
    EXPECT_FALSE(ntfs::ParseFileName(bytes::Span(value).first(60)));
}
