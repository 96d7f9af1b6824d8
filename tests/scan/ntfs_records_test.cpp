// What the NTFS deep scan makes of single records, built byte by byte where no tool
// writes them: which records are candidates for the MFT's own, the geometry an "$MFT"
// record gives, which name a record with several files under, and how each kind of data
// becomes a result item that reads right.

#include "scan/ntfs/found_record.h"
#include "scan/ntfs/mft_detect.h"
#include "scan/ntfs/record_filer.h"
#include "scan/ntfs/run_extents.h"
#include "scan/packed_extents.h"
#include "support/mem_io.h"
#include "vfs/fs_types.h"
#include "vfs/ntfs_builder.h"

#include <gtest/gtest.h>

namespace {

using namespace ntfs_test;

constexpr std::uint64_t kRoot = 5;

Bytes WithNumber(Bytes record, std::uint32_t number) {
    bytes::PutLe32(&record[44], number);
    return record;
}

Bytes Name(std::uint64_t parent, const std::u16string& name, std::uint8_t nameSpace = 1,
           std::uint32_t flags = 0) {
    return Resident(0x30, FileNameValue(parent, name, nameSpace, flags));
}

// A non-resident unnamed $DATA of realSize bytes over the mapping pairs given.
Bytes Data(std::uint64_t clusters, std::uint64_t clusterSize, std::uint64_t realSize,
           const Bytes& pairs, std::uint16_t flags = 0) {
    NonResidentSpec layout;
    layout.highestVcn = clusters - 1;
    layout.allocatedSize = clusters * clusterSize;
    layout.realSize = realSize;
    layout.initializedSize = realSize;
    layout.flags = flags;
    layout.pairs = pairs;
    return NonResident(layout);
}

// An "$MFT" record whose $DATA of `clusters` clusters of clusterSize starts at lcn.
Bytes MftRecord(std::uint64_t clusters, std::uint64_t clusterSize, std::uint32_t lcn,
                std::size_t recordSize = 1024, const std::u16string& name = u"$MFT") {
    Bytes pairs = {0x41, std::uint8_t(clusters), 0, 0, 0, 0};
    bytes::PutLe32(&pairs[2], lcn);
    return Record({Resident(0x10, StandardInformation()), Name(kRoot, name),
                   Data(clusters, clusterSize, clusters * clusterSize, pairs)},
                  recordSize);
}

TEST(NtfsDetectCandidates, AllocatedSizeFixupsAndInUseDecide) {
    EXPECT_TRUE(mftdetect::Candidate(MftRecord(64, 4096, 4)));
    EXPECT_TRUE(mftdetect::Candidate(MftRecord(64, 4096, 4, 4096)));
    // 768 is no power of two; 8192 is past the largest record size.
    Bytes odd = MftRecord(64, 4096, 4);
    bytes::PutLe32(&odd[28], 768);
    EXPECT_FALSE(mftdetect::Candidate(odd));
    Bytes large = MftRecord(64, 4096, 4, 8192);
    EXPECT_FALSE(mftdetect::Candidate(large));
    Bytes unused = MftRecord(64, 4096, 4);
    bytes::PutLe16(&unused[22], 0);
    EXPECT_FALSE(mftdetect::Candidate(unused));
    // An update sequence array outside the record does not parse.
    Bytes badArray = MftRecord(64, 4096, 4);
    bytes::PutLe16(&badArray[4], 1020);
    EXPECT_FALSE(mftdetect::Candidate(badArray));
    // Cut short by the end of what was read.
    const Bytes whole = MftRecord(64, 4096, 4);
    EXPECT_FALSE(mftdetect::Candidate(bytes::Span(whole).first(600)));
}

TEST(NtfsDetectCandidates, TheMftRecordGivesClusterSizeAndFirstCluster) {
    const auto self =
        mftdetect::SelfRecord(*mftdetect::Candidate(MftRecord(64, 4096, 786432)), u"$MFT");
    ASSERT_TRUE(self);
    EXPECT_EQ(self->clusterSize, 4096u);
    EXPECT_EQ(self->recordSize, 1024u);
    EXPECT_EQ(self->firstCluster, 786432u);
    // Found at partition sector 6291519, that MFT puts the volume at sector 63.
    EXPECT_EQ(6291519 - self->firstClusterSectors, 63u);

    // 3 clusters of 1536 bytes: no power of two.
    EXPECT_FALSE(mftdetect::SelfRecord(*mftdetect::Candidate(MftRecord(3, 1536, 4)), u"$MFT"));
    EXPECT_FALSE(mftdetect::SelfRecord(*mftdetect::Candidate(MftRecord(64, 256, 4)), u"$MFT"));
    // Another file, or the name of a folder, is not the MFT.
    EXPECT_FALSE(
        mftdetect::SelfRecord(*mftdetect::Candidate(MftRecord(64, 4096, 4, 1024, u"x")), u"$MFT"));
    const Bytes folder =
        Record({Name(kRoot, u"$MFT", 1, 0x10000000), Data(64, 4096, 64 * 4096, {0x11, 64, 4})});
    EXPECT_FALSE(mftdetect::SelfRecord(*mftdetect::Candidate(folder), u"$MFT"));
    // The mirror passes the same tests under its own name.
    EXPECT_TRUE(mftdetect::SelfRecord(
        *mftdetect::Candidate(MftRecord(1, 4096, 9, 1024, u"$MFTMirr")), u"$MFTMirr"));
}

// A storage of `sectors` zero sectors with records laid at sectors.
cMemIO Disk(std::uint64_t sectors, std::initializer_list<std::pair<std::uint64_t, Bytes>> records) {
    Bytes image(sectors * 512);
    for (const auto& [sector, record] : records) {
        Put(image, sector * 512, record);
    }
    return cMemIO(std::move(image));
}

TEST(NtfsDetect, AVolumeThatWouldStartBeforeThePartitionIsPassedOverAndTold) {
    // The first $MFT met says its volume starts 8 sectors before the partition; the second,
    // 16 clusters of 512 bytes into a volume at sector 100, is used.
    cMemIO disk = Disk(400, {{8, MftRecord(4, 4096, 2)}, {116, MftRecord(8, 512, 16)}});
    mftdetect::cRequest request;
    request.storage = &disk;
    request.partitionSectors = disk.GetSectorCount();
    const mftdetect::cResult found = mftdetect::Detect(request);
    ASSERT_TRUE(found.geometry);
    EXPECT_EQ(found.geometry->volumeStart, 100u);
    EXPECT_EQ(found.geometry->clusterSize, 512u);
    EXPECT_EQ(found.geometry->mftCluster, 16u);
    EXPECT_EQ(found.startsBefore, std::vector<std::uint64_t>{8});

    cMemIO nothing = Disk(64, {{8, MftRecord(4, 4096, 2)}});
    request.storage = &nothing;
    request.partitionSectors = nothing.GetSectorCount();
    EXPECT_FALSE(mftdetect::Detect(request).geometry);
}

TEST(NtfsDetect, TheMirrorsCopyMetFirstPutsTheVolumeWhereTheMftConfirmsIt) {
    // Volume at sector 40 with 512-byte clusters: the mirror at cluster 2 comes before the
    // MFT at cluster 100, and both start with the same "$MFT" record.
    const Bytes mft = MftRecord(8, 512, 100);
    const Bytes mirror = MftRecord(2, 512, 2, 1024, u"$MFTMirr");
    cMemIO disk = Disk(400, {{42, mft}, {44, mirror}, {140, mft}, {142, mirror}});
    mftdetect::cRequest request;
    request.storage = &disk;
    request.partitionSectors = disk.GetSectorCount();
    const mftdetect::cResult found = mftdetect::Detect(request);
    ASSERT_TRUE(found.geometry);
    EXPECT_EQ(found.geometry->volumeStart, 40u);
    EXPECT_EQ(found.geometry->mftRecordSector, 140u);
    EXPECT_EQ(found.mirrorRecordSector, std::optional<std::uint64_t>(44));

    // The partition begins 50 sectors into the volume: the MFT at cluster 16 is cut off
    // and only the mirror's copy at cluster 200 is left, nothing in use after its four
    // records. Taken for the MFT it would put the volume at sector 134.
    const Bytes cutMft = MftRecord(8, 512, 16);
    const Bytes cutMirror = MftRecord(2, 512, 200, 1024, u"$MFTMirr");
    cMemIO cut = Disk(400, {{150, cutMft}, {152, cutMirror}});
    request.storage = &cut;
    request.partitionSectors = cut.GetSectorCount();
    const mftdetect::cResult before = mftdetect::Detect(request);
    EXPECT_FALSE(before.geometry);
    EXPECT_EQ(before.startsBefore, std::vector<std::uint64_t>{50});

    // The MFT itself, with its mirror lost, is known by the records after the first four.
    cMemIO lostMirror = Disk(
        400, {{116, cutMft}, {118, cutMirror}, {124, MftRecord(1, 512, 30, 1024, u"$AttrDef")}});
    request.storage = &lostMirror;
    const mftdetect::cResult own = mftdetect::Detect(request);
    ASSERT_TRUE(own.geometry);
    EXPECT_EQ(own.geometry->volumeStart, 100u);
}

TEST(NtfsFoundRecord, TheLongNameWinsAndTheFirstOfSeveralLinks) {
    const auto dosFirst = ReadFoundRecord(
        WithNumber(Record({Name(30, u"ALONGF~1.TXT", 2), Name(30, u"A long file.txt", 1)}), 40),
        1024);
    ASSERT_TRUE(dosFirst);
    EXPECT_EQ(dosFirst->name, u"A long file.txt");
    EXPECT_EQ(dosFirst->number, 40u);
    const auto links =
        ReadFoundRecord(Record({Name(30, u"first.txt", 1), Name(31, u"second.txt", 0)}), 1024);
    ASSERT_TRUE(links);
    EXPECT_EQ(links->name, u"first.txt");
    EXPECT_EQ(links->parent, 30u);
    const auto dosOnly = ReadFoundRecord(Record({Name(30, u"SHORT.TXT", 2)}), 1024);
    ASSERT_TRUE(dosOnly);
    EXPECT_EQ(dosOnly->name, u"SHORT.TXT");
}

TEST(NtfsFoundRecord, TornAndHostileRecordsAreMarkedOrRefused) {
    Bytes torn = Record({Name(kRoot, u"torn.txt"), Data(1, 4096, 100, {0x11, 1, 9})});
    bytes::PutLe16(&torn[1022], 0x0202); // the second sector was written later
    const auto tornFound = ReadFoundRecord(torn, 1024);
    ASSERT_TRUE(tornFound);
    EXPECT_TRUE(tornFound->damaged);
    EXPECT_EQ(tornFound->name, u"torn.txt");

    // A header past repair with nothing to name it by is not a record.
    Bytes wrecked = Record({Resident(0x10, StandardInformation())});
    bytes::PutLe32(&wrecked[24], 0xFFFF);
    bytes::PutLe16(&wrecked[1022], 0x0202);
    EXPECT_FALSE(ReadFoundRecord(wrecked, 1024));

    // A name length past the attribute's end is no name.
    Bytes longName = Record({Name(kRoot, u"abc")});
    longName[std::size_t(bytes::Le16At(longName, 20).value()) + 24 + 64] = 200;
    ProtectStrides(longName);
    const auto noName = ReadFoundRecord(longName, 1024);
    ASSERT_TRUE(noName);
    EXPECT_FALSE(noName->hasName);

    EXPECT_FALSE(ReadFoundRecord(bytes::Span(torn).first(512), 1024));
}

class NtfsFiling : public ::testing::Test {
protected:
    NtfsFiling() { geometry_.clusterSize = 4096; }

    // Files the records and places everything; record n lies at sector 100 + 2n.
    void File(std::initializer_list<Bytes> records) {
        cNTFSRecordFiler filer(geometry_, 8192, {&tree_, &deleted_, &damaged_});
        for (const Bytes& record : records) {
            const auto found = ReadFoundRecord(record, 1024);
            ASSERT_TRUE(found);
            filer.File(*found, 100 + 2 * bytes::Le32At(record, 44).value());
        }
        filer.Finish();
    }

    // The item at a path of names below the root, or kNoItem.
    static cVSItemId At(const cQORNVStorage& tree, std::initializer_list<std::string_view> path) {
        cVSItemId folder = tree.Root();
        cVSItemId found = kNoItem;
        for (std::string_view name : path) {
            found = kNoItem;
            for (cVSItemId first : {tree.FirstSubfolder(folder), tree.FirstFile(folder)}) {
                for (cVSItemId item = first; item && !found; item = tree.Next(item)) {
                    if (tree.Name(item) == name) {
                        found = item;
                    }
                }
            }
            if (!found) {
                return kNoItem;
            }
            folder = found;
        }
        return found;
    }

    Bytes Folder(std::uint32_t number, std::uint64_t parent, const std::u16string& name,
                 std::uint16_t flags = 3) {
        return WithNumber(Record({Name(parent, name, 1, 0x10000000)}, 1024, flags), number);
    }

    cNTFSGeometry geometry_;
    cQORNVStorage tree_;
    cQORNVStorage deleted_;
    cQORNVStorage damaged_;
};

TEST_F(NtfsFiling, EachKindOfDataBecomesAnItemThatReadsRight) {
    NonResidentSpec sparse;
    sparse.highestVcn = 3;
    sparse.allocatedSize = 4 * 4096;
    sparse.realSize = sparse.initializedSize = 4 * 4096;
    sparse.pairs = {0x01, 2, 0x11, 2, 20}; // two clusters of hole, then two at 20
    NonResidentSpec uninitialized = sparse;
    uninitialized.pairs = {0x11, 4, 20};
    uninitialized.initializedSize = 100;
    File(
        {Folder(kRoot, kRoot, u"."),
         WithNumber(
             Record({Name(kRoot, u"plain.bin"), Data(3, 4096, 10000, {0x11, 1, 20, 0x11, 2, 40})}),
             30),
         WithNumber(Record({Name(kRoot, u"small.txt"), Resident(0x80, {'h', 'i'})}), 31),
         WithNumber(Record({Name(kRoot, u"sparse.bin"), NonResident(sparse)}), 32),
         WithNumber(
             Record({Name(kRoot, u"packed.bin"), Data(4, 4096, 16384, {0x11, 4, 20}, 0x0001)}), 33),
         WithNumber(Record({Name(kRoot, u"half.bin"), NonResident(uninitialized)}), 34),
         WithNumber(Record({Resident(0x20, Bytes(32)), Name(kRoot, u"listed.bin"),
                            Data(1, 4096, 4096, {0x11, 1, 20})}),
                    35),
         WithNumber(Record({Name(kRoot, u"empty")}), 36)});

    const cVSItemId plain = At(tree_, {"plain.bin"});
    ASSERT_NE(plain, kNoItem);
    EXPECT_EQ(tree_.FileKind(plain), vsitem::kMultifragFile);
    EXPECT_EQ(tree_.Size(plain), 10000u);
    const auto extents = packedext::Decode(tree_.Extents(plain), 10000);
    ASSERT_TRUE(extents);
    EXPECT_EQ(*extents, (std::vector<cQORNFileAllocation>{{160, 8, 0}, {480, 16, 0}}));

    for (const char* name : {"small.txt", "sparse.bin", "packed.bin", "half.bin", "listed.bin"}) {
        const cVSItemId item = At(tree_, {name});
        ASSERT_NE(item, kNoItem) << name;
        EXPECT_EQ(tree_.FileKind(item), vsitem::kFsFile) << name;
        EXPECT_EQ(tree_.FsType(item), fstype::kNtfs) << name;
    }
    EXPECT_EQ(tree_.Position(At(tree_, {"small.txt"})), 162u);
    EXPECT_EQ(tree_.Size(At(tree_, {"small.txt"})), 2u);
    const cVSItemId empty = At(tree_, {"empty"});
    ASSERT_NE(empty, kNoItem);
    EXPECT_EQ(tree_.Size(empty), 0u);
}

TEST_F(NtfsFiling, DeletedDamagedAndLostParentsGoWhereTheyBelong) {
    Bytes torn = WithNumber(Record({Name(40, u"torn.txt"), Resident(0x80, {'x'})}), 50);
    bytes::PutLe16(&torn[1022], 0x0202);
    File({Folder(kRoot, kRoot, u"."), Folder(40, kRoot, u"docs"),
          WithNumber(Record({Name(40, u"live.txt"), Resident(0x80, {'a'})}), 41),
          WithNumber(Record({Name(40, u"gone.txt"), Resident(0x80, {'b'})}, 1024, 0), 42),
          // Its folder's record was never found.
          WithNumber(Record({Name(77, u"lost.txt"), Resident(0x80, {'c'})}), 43),
          // Runs past the volume's 1024 clusters: only the first run can be read.
          WithNumber(Record({Name(40, u"outside.bin"),
                             Data(3, 4096, 12288, {0x11, 1, 20, 0x21, 2, 0xFF, 0x7F})}),
                     44),
          torn,
          // The same record met again, as a copy elsewhere.
          WithNumber(Record({Name(40, u"live.txt"), Resident(0x80, {'a'})}), 41),
          // A metadata file and one in $Extend are not the user's.
          WithNumber(Record({Name(kRoot, u"$Bitmap"), Resident(0x80, {0})}), 6),
          WithNumber(Record({Name(11, u"$Quota"), Resident(0x80, {0})}), 24),
          // Formatted ahead of use: nothing to file.
          WithNumber(Record({Resident(0x10, StandardInformation())}, 1024, 0), 45)});

    EXPECT_NE(At(tree_, {"docs", "live.txt"}), kNoItem);
    EXPECT_NE(At(tree_, {" [Parent unknown]", "Folder00000077", "lost.txt"}), kNoItem);
    EXPECT_EQ(At(tree_, {"$Bitmap"}), kNoItem);
    EXPECT_EQ(tree_.ItemCount(), 6u); // root, docs, live.txt, orphans, Folder00000077, lost
    EXPECT_NE(At(deleted_, {"docs", "gone.txt"}), kNoItem);
    EXPECT_EQ(deleted_.ItemCount(), 3u);
    const cVSItemId outside = At(damaged_, {"docs", "outside.bin"});
    ASSERT_NE(outside, kNoItem);
    EXPECT_EQ(damaged_.Size(outside), 4096u);
    EXPECT_EQ(damaged_.FileKind(outside), vsitem::kMultifragFile);
    EXPECT_NE(At(damaged_, {"docs", "torn.txt"}), kNoItem);
}

TEST_F(NtfsFiling, ANameKeptInAnExtensionRecordNamesItsFile) {
    Bytes extension = WithNumber(Record({Name(40, u"moved.bin")}), 61);
    bytes::PutLe64(&extension[32], 60 | (std::uint64_t(1) << 48));
    File({Folder(kRoot, kRoot, u"."), Folder(40, kRoot, u"big"),
          WithNumber(Record({Resident(0x20, Bytes(32)), Data(1, 4096, 4096, {0x11, 1, 20})}), 60),
          extension});
    const cVSItemId moved = At(tree_, {"big", "moved.bin"});
    ASSERT_NE(moved, kNoItem);
    EXPECT_EQ(tree_.FileKind(moved), vsitem::kFsFile);
}

TEST(NtfsRunExtents, HolesAndRunsPastTheVolumeAreTold) {
    cNTFSGeometry geometry;
    geometry.clusterSize = 1024;
    geometry.volumeStart = 7;
    const std::vector<ntfs::Run> runs = {{0, 10, 2}, {2, 12, 3}, {5, ntfs::kSparseLcn, 1}};
    const cRunExtents holed = RunExtents(runs, geometry, 100);
    EXPECT_FALSE(holed.plain);
    EXPECT_TRUE(holed.inVolume);
    EXPECT_EQ(holed.bytes, 5u * 1024);
    EXPECT_EQ(packedext::Decode(holed.packed, 5 * 1024),
              (std::vector<cQORNFileAllocation>{{27, 10, 0}}));
    const cRunExtents past = RunExtents({{{0, 98, 4}}}, geometry, 100);
    EXPECT_FALSE(past.inVolume);
    EXPECT_EQ(past.bytes, 0u);
    EXPECT_FALSE(RunExtents({{{0, ~std::uint64_t(0) - 1, 4}}}, geometry, 100).inVolume);
}

} // namespace
