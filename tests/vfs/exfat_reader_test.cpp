// The exFAT reader over images made by mkfs.exfat and filled through exfat-fuse, compared
// with the tree they were filled from; damage no tool makes is patched into copies.

#include "base/bytes.h"
#include "base/utf.h"
#include "fat_volume.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/exfat/vexfat.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace {

using fattest::Listed;

std::string Folder() {
    return fixtures::Folder("exfat-images.sh");
}

// Every entry of one folder, deleted ones included, by name.
std::map<std::u16string, std::unique_ptr<cFSObject>> Entries(cVFS& fs, const std::u16string& path) {
    std::map<std::u16string, std::unique_ptr<cFSObject>> out;
    const std::unique_ptr<cFSObject> folder = fs.FindByPath(path, fs.GetRootId());
    EXPECT_TRUE(folder) << utf::ToUtf8(path);
    if (folder) {
        fs.EnumFolder(*folder, [&](cFSObject& entry) {
            out[entry.name] = entry.Clone();
            return true;
        });
    }
    return out;
}

struct CardCase {
    const char* image;
    const char* tree;
    const char* label;
};

class ExfatImages : public ::testing::TestWithParam<CardCase> {};

TEST_P(ExfatImages, ListingAndBytesMatchTheSourceTreeAndFsckFindsThemClean) {
    const CardCase& c = GetParam();
    const std::string folder = Folder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/" + c.image);
    ASSERT_TRUE(mounted.fs);
    cVFS& exfat = *mounted.fs;
    EXPECT_EQ(exfat.GetFSType(), fstype::kExfat);
    EXPECT_EQ(fstype::Name(exfat.GetFSType()), "exFAT");
    const auto* name = mounted.record->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), c.label);
    const std::vector<std::uint8_t> fsckBytes = fattest::ReadFile(folder + "/fsck.txt");
    const std::string fsck(fsckBytes.begin(), fsckBytes.end());
    EXPECT_NE(fsck.find(std::string(c.image) + ": clean"), std::string::npos) << fsck;

    std::vector<std::string> failed;
    const std::map<std::string, Listed> listed = fattest::WalkTree(exfat, &failed);
    EXPECT_TRUE(failed.empty());
    const std::map<std::string, Listed> expected = fattest::SourceTree(folder + "/" + c.tree);
    fattest::ExpectSameTree(listed, expected, c.image);
    for (const auto& [path, want] : expected) {
        if (want.kind != fskind::kFile || (path.rfind("/many/", 0) == 0 && path.back() != '0')) {
            continue;
        }
        const std::unique_ptr<cFSObject> entry =
            exfat.FindByPath(utf::FromUtf8(path), exfat.GetRootId());
        ASSERT_TRUE(entry) << path;
        EXPECT_FALSE(entry->IsDamaged()) << path;
        bool ok = false;
        EXPECT_TRUE(fattest::ReadObject(exfat, *entry, &ok) ==
                    fattest::ReadFile(folder + "/" + c.tree + path))
            << c.image << path;
        EXPECT_TRUE(ok) << path;
        const std::optional<std::u16string> built = exfat.BuildPath(*entry);
        ASSERT_TRUE(built) << path;
        EXPECT_EQ(utf::ToUtf8(*built), path);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ExfatImages,
                         ::testing::Values(CardCase{"exfat.img", "tree/full", "VOLUME EX"},
                                           CardCase{"card.img", "tree/card", "CARD"}),
                         [](const auto& info) {
                             const std::string image = info.param.image;
                             return image.substr(0, image.find('.'));
                         });

TEST(ExfatReader, DeletedFilesAndFoldersAreListedAndComeBackWhole) {
    const std::string folder = Folder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/exfat.img");
    ASSERT_TRUE(mounted.fs);
    cVFS& exfat = *mounted.fs;
    auto root = Entries(exfat, u"/");
    auto docs = Entries(exfat, u"/Документы");
    ASSERT_TRUE(root.count(u"photo.jpg"));
    ASSERT_TRUE(root.count(u"gone folder"));
    ASSERT_TRUE(docs.count(u"удалённый файл с длинным именем.bin"));
    const auto& gone = static_cast<const cFSDeletedObj&>(*root[u"gone folder"]);
    EXPECT_EQ(gone.Kind(), fskind::kDeleted);
    EXPECT_EQ(gone.deletedKind, fskind::kFolder);
    for (const auto* entry :
         {root[u"photo.jpg"].get(), docs[u"удалённый файл с длинным именем.bin"].get()}) {
        EXPECT_EQ(entry->Kind(), fskind::kDeleted);
        EXPECT_FALSE(entry->IsDamaged());
        bool ok = false;
        EXPECT_TRUE(fattest::ReadObject(exfat, *entry, &ok) ==
                    fattest::ReadFile(folder + "/deleted/" + utf::ToUtf8(entry->name)));
        EXPECT_TRUE(ok);
    }
    EXPECT_EQ(root[u"VOLUME EX"]->Kind(), fskind::kVolName);
}

TEST(ExfatReader, DeletedPhotosOfACardComeBack) {
    const std::string folder = Folder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/card.img");
    ASSERT_TRUE(mounted.fs);
    std::size_t found = 0;
    for (const char16_t* dcim : {u"/DCIM/100CAMRA", u"/DCIM/101CAMRA"}) {
        for (const auto& [name, entry] : Entries(*mounted.fs, dcim)) {
            if (entry->Kind() != fskind::kDeleted) {
                continue;
            }
            ++found;
            EXPECT_TRUE(fattest::ReadObject(*mounted.fs, *entry) ==
                        fattest::ReadFile(folder + "/deleted/card/" + utf::ToUtf8(name)))
                << utf::ToUtf8(name);
        }
    }
    EXPECT_EQ(found, 6u);
}

TEST(ExfatReader, FragmentedFileFollowsItsChainAndAllocationFollowsTheBitmap) {
    fattest::Mounted mounted = fattest::MountImage(Folder() + "/exfat.img");
    ASSERT_TRUE(mounted.fs);
    cVFS& exfat = *mounted.fs;
    const std::unique_ptr<cFSObject> file = exfat.FindByPath(u"/fragmented.bin", 0);
    ASSERT_TRUE(file);
    const std::unique_ptr<cObjectHandle> handle = exfat.OpenObject(*file);
    const auto* runs = dynamic_cast<cRLDrivenObjectHandle*>(handle.get());
    ASSERT_TRUE(runs);
    EXPECT_GT(runs->Runs().Count(), 1u);
    for (std::size_t i = 0; i < runs->Runs().Count(); ++i) {
        EXPECT_TRUE(exfat.IsBlockUsed(runs->Runs()[i].physicalStart));
    }
    EXPECT_EQ(exfat.GetBlockSize(), 4096u);
    EXPECT_TRUE(exfat.HasBlockMap());
    EXPECT_TRUE(exfat.IsBlockUsed(exfat.GetBlockCount() + 5)); // past the volume
    // The deleted photo's clusters were freed.
    auto root = Entries(exfat, u"/");
    const std::unique_ptr<cObjectHandle> photo = exfat.OpenObject(*root[u"photo.jpg"]);
    const auto* photoRuns = dynamic_cast<cRLDrivenObjectHandle*>(photo.get());
    ASSERT_TRUE(photoRuns);
    const std::uint64_t photoCluster = photoRuns->Runs().First().physicalStart;
    EXPECT_FALSE(exfat.IsBlockUsed(photoCluster));
    // A scan of free blocks finds the photo where block numbering puts its cluster.
    const std::uint64_t sector =
        exfat.GetFirstBlockSector() +
        (photoCluster - exfat.GetFirstBlockNumber()) * exfat.GetBlockSize() / 512;
    std::array<std::uint8_t, 512> start{};
    ASSERT_EQ(mounted.storage->SeekSector(sector), std::int64_t(sector));
    ASSERT_EQ(mounted.storage->ReadSectors(start.data(), 1), 1u);
    EXPECT_EQ(start[0], 0xFF);
    EXPECT_EQ(start[1], 0xD8);
}

TEST(ExfatReader, NamesFoldCaseAndTimesShowInUtc) {
    fattest::Mounted mounted = fattest::MountImage(Folder() + "/exfat.img");
    ASSERT_TRUE(mounted.fs);
    const std::unique_ptr<cFSObject> file = mounted.fs->FindByPath(u"/mixed.TXT", 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, u"MiXeD.Txt");
    EXPECT_EQ(file->mtime, (cFSTime{2021, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(mounted.fs->FindByPath(u"/ДОКУМЕНТЫ/Отчёт за 2007 год.TXT", 0));
}

TEST(ExfatTime, TenMillisecondsAndUtcOffsetsApply) {
    const std::uint32_t stamp = (41u << 25) | (3u << 21) | (4u << 16) | (5u << 11) | (6u << 5) | 3;
    EXPECT_EQ(exfatdir::FromTimestamp(stamp, 0, 0), (cFSTime{2021, 3, 4, 5, 6, 6}));
    EXPECT_EQ(exfatdir::FromTimestamp(stamp, 150, 0), (cFSTime{2021, 3, 4, 5, 6, 7}));
    // UTC+2 (8 steps of 15 minutes), and UTC-5:30 (-22 steps) across midnight backwards.
    EXPECT_EQ(exfatdir::FromTimestamp(stamp, 0, 0x80 | 8), (cFSTime{2021, 3, 4, 3, 6, 6}));
    EXPECT_EQ(exfatdir::FromTimestamp(stamp, 0, 0x80 | (128 - 22)),
              (cFSTime{2021, 3, 4, 10, 36, 6}));
    const std::uint32_t newYear = (42u << 25) | (1u << 21) | (1u << 16) | (0u << 11);
    EXPECT_EQ(exfatdir::FromTimestamp(newYear, 0, 0x80 | 4), (cFSTime{2021, 12, 31, 23, 0, 0}));
    // A stamp with month 0 shows as stored.
    EXPECT_EQ(exfatdir::FromTimestamp(1u << 16, 0, 0x80 | 4).month, 0);
    // A day past its month's end rolls over with or without an offset; a leap day stays.
    const auto day = [](unsigned year, unsigned month, unsigned dayOfMonth) {
        return ((year - 1980) << 25) | (month << 21) | (dayOfMonth << 16) | (12u << 11);
    };
    EXPECT_EQ(exfatdir::FromTimestamp(day(2021, 2, 30), 0, 0), (cFSTime{2021, 3, 2, 12, 0, 0}));
    EXPECT_EQ(exfatdir::FromTimestamp(day(2021, 2, 29), 100, 0x80),
              (cFSTime{2021, 3, 1, 12, 0, 1}));
    EXPECT_EQ(exfatdir::FromTimestamp(day(2020, 2, 29), 100, 0x80),
              (cFSTime{2020, 2, 29, 12, 0, 1}));
    EXPECT_EQ(exfatdir::FromTimestamp(day(2100, 2, 29), 0, 0), (cFSTime{2100, 3, 1, 12, 0, 0}));
    EXPECT_EQ(exfatdir::FromTimestamp(day(2021, 4, 31), 0, 0x80 | 4),
              (cFSTime{2021, 5, 1, 11, 0, 0}));
}

// Damage patched into an in-memory copy of exfat.img. Entry ids are byte positions / 32,
// so an entry's bytes sit at id × 32 of the image.
class DamagedExfat : public ::testing::Test {
protected:
    void SetUp() override { bytes_ = fattest::ReadFile(Folder() + "/exfat.img"); }

    fattest::Mounted Mount() const {
        return fattest::MountStorage(std::make_unique<cMemIO>(bytes_));
    }
    std::uint64_t IdOf(const char16_t* path) const {
        fattest::Mounted mounted = Mount();
        const std::unique_ptr<cFSObject> entry = mounted.fs->FindByPath(path, 0);
        return entry ? entry->id : 0;
    }
    std::uint8_t* Entry(std::uint64_t id, std::size_t index = 0) {
        return &bytes_[id * 32 + index * 32];
    }
    void Reseal(std::uint64_t id) {
        const std::size_t count = std::size_t(Entry(id)[1]) + 1;
        bytes::PutLe16(Entry(id) + 2,
                       exfatdir::SetChecksum(std::span(Entry(id), count * exfatdir::kEntrySize)));
    }
    std::unique_ptr<cFSObject> InRoot(cVFS& fs, const std::u16string& name) {
        auto root = Entries(fs, u"/");
        return root.count(name) ? std::move(root[name]) : nullptr;
    }
    std::vector<std::uint8_t> Source(const std::string& name) const {
        return fattest::ReadFile(Folder() + "/tree/full/" + name);
    }

    std::vector<std::uint8_t> bytes_;
};

TEST_F(DamagedExfat, BytesPastTheValidLengthReadAsZeros) {
    const std::uint64_t id = IdOf(u"/over4k.bin");
    ASSERT_NE(id, 0u);
    bytes::PutLe64(Entry(id, 1) + 8, 1000);
    Reseal(id);
    fattest::Mounted mounted = Mount();
    const std::unique_ptr<cFSObject> file = InRoot(*mounted.fs, u"over4k.bin");
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->IsDamaged());
    bool ok = false;
    std::vector<std::uint8_t> want = Source("over4k.bin");
    std::fill(want.begin() + 1000, want.end(), 0);
    EXPECT_TRUE(fattest::ReadObject(*mounted.fs, *file, &ok) == want);
    EXPECT_TRUE(ok);

    // A valid length past the size counts as the size.
    bytes::PutLe64(Entry(id, 1) + 8, 1ull << 40);
    Reseal(id);
    mounted = Mount();
    EXPECT_TRUE(fattest::ReadObject(*mounted.fs, *InRoot(*mounted.fs, u"over4k.bin")) ==
                Source("over4k.bin"));
}

TEST_F(DamagedExfat, BrokenChecksumOrNameHashMarksTheEntryDamaged) {
    const std::uint64_t checked = IdOf(u"/exact4k.bin");
    const std::uint64_t hashed = IdOf(u"/over4k.bin");
    ASSERT_NE(checked, 0u);
    ASSERT_NE(hashed, 0u);
    Entry(checked)[4] ^= 0x01; // an attribute bit, left unsealed
    Entry(hashed, 1)[4] ^= 0x55;
    Reseal(hashed);
    fattest::Mounted mounted = Mount();
    EXPECT_TRUE(InRoot(*mounted.fs, u"exact4k.bin")->IsDamaged());
    EXPECT_TRUE(InRoot(*mounted.fs, u"over4k.bin")->IsDamaged());
    EXPECT_FALSE(InRoot(*mounted.fs, u"zero.bin")->IsDamaged());
}

TEST_F(DamagedExfat, ImpossibleSetsAreSkippedAndTheListingGoesOn) {
    const std::uint64_t shortSet = IdOf(u"/exact4k.bin");
    const std::uint64_t longName = IdOf(u"/over4k.bin");
    ASSERT_NE(shortSet, 0u);
    Entry(shortSet)[1] = 1; // a stream but no room for a name
    Reseal(shortSet);
    Entry(longName, 1)[3] = 200; // a name longer than its set
    Reseal(longName);
    fattest::Mounted mounted = Mount();
    EXPECT_FALSE(InRoot(*mounted.fs, u"exact4k.bin"));
    EXPECT_EQ(Entries(*mounted.fs, u"/").count(u"over4k.bin"), 0u);
    EXPECT_TRUE(InRoot(*mounted.fs, u"zero.bin"));
    EXPECT_TRUE(InRoot(*mounted.fs, u"MiXeD.Txt"));
}

TEST_F(DamagedExfat, ALoopingChainEndsShortAndMarked) {
    fattest::Mounted clean = Mount();
    const std::unique_ptr<cFSObject> file = clean.fs->FindByPath(u"/fragmented.bin", 0);
    ASSERT_TRUE(file);
    const auto* volume = static_cast<cVExFAT*>(clean.fs.get());
    const std::unique_ptr<cObjectHandle> handle = clean.fs->OpenObject(*file);
    const cRunList& runs = static_cast<cRLDrivenObjectHandle&>(*handle).Runs();
    ASSERT_GT(runs.Count(), 2u);
    // The last cluster of the second run links back to the first run.
    const std::uint64_t from = runs[1].physicalStart + runs[1].length - 1;
    const std::uint64_t fat = volume->Layout().fatStart * 512;
    bytes::PutLe32(&bytes_[fat + from * 4], std::uint32_t(runs[0].physicalStart));
    const std::uint64_t readable = runs[1].LogicalEnd() * 4096;

    fattest::Mounted mounted = Mount();
    const std::unique_ptr<cFSObject> looped = InRoot(*mounted.fs, u"fragmented.bin");
    ASSERT_TRUE(looped);
    EXPECT_TRUE(looped->IsDamaged());
    bool ok = true;
    const std::vector<std::uint8_t> data = fattest::ReadObject(*mounted.fs, *looped, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(data.size(), readable);
    const std::vector<std::uint8_t> source = Source("fragmented.bin");
    EXPECT_TRUE(std::equal(data.begin(), data.end(), source.begin()));
}

TEST_F(DamagedExfat, TheBackupBootRegionServesWhenTheMainOneFails) {
    bytes_[100] ^= 0xFF; // the serial number, under the checksum
    fattest::Mounted fromBackup = Mount();
    ASSERT_TRUE(fromBackup.fs);
    EXPECT_EQ(fromBackup.fs->GetFSType(), fstype::kExfat);
    EXPECT_TRUE(fromBackup.fs->FindByPath(u"/Документы/big.bin", 0));

    std::fill(bytes_.begin() + 12 * 512, bytes_.begin() + 13 * 512, 0);
    EXPECT_FALSE(Mount().fs);
}

TEST_F(DamagedExfat, ChangingTheVolumeFlagsKeepsTheChecksum) {
    bytes_[106] ^= 0x02; // "volume dirty", which the checksum leaves out
    EXPECT_TRUE(Mount().fs);
}

TEST_F(DamagedExfat, ABitmapShorterThanTheVolumeLeavesTheRestUsed) {
    fattest::Mounted clean = Mount();
    ASSERT_TRUE(clean.fs);
    const std::uint64_t last = clean.fs->GetBlockCount() - 1;
    EXPECT_FALSE(clean.fs->IsBlockUsed(last));
    // The bitmap entry's length, in the root folder's first cluster.
    const auto* volume = static_cast<cVExFAT*>(clean.fs.get());
    const std::uint64_t rootAt =
        (volume->Layout().heapStart +
         (volume->BootRecord().rootCluster - 2) * volume->Layout().clusterSectors) *
        512;
    std::size_t bitmapEntry = rootAt;
    while (bytes_[bitmapEntry] != exfatdir::kBitmap) {
        bitmapEntry += 32;
    }
    bytes::PutLe64(&bytes_[bitmapEntry + 24], 16);
    fattest::Mounted mounted = Mount();
    ASSERT_TRUE(mounted.fs);
    EXPECT_TRUE(mounted.fs->IsBlockUsed(last));
    EXPECT_TRUE(mounted.fs->IsBlockUsed(2));
}

TEST(ExfatBoot, ParsingRefusesGeometryThatCannotBeAddressed) {
    std::vector<std::uint8_t> sector = fattest::ReadFile(Folder() + "/exfat.img");
    sector.resize(512);
    ASSERT_TRUE(exfatboot::ParseBootSector(sector));
    const auto refused = [&](std::size_t at, std::uint32_t value, std::size_t width = 1) {
        std::vector<std::uint8_t> bad = sector;
        for (std::size_t i = 0; i < width; ++i) {
            bad[at + i] = std::uint8_t(value >> (8 * i));
        }
        return !exfatboot::ParseBootSector(bad);
    };
    EXPECT_TRUE(refused(108, 8));    // sectors below 512 bytes
    EXPECT_TRUE(refused(108, 13));   // above 4096
    EXPECT_TRUE(refused(109, 17));   // clusters above 32 MiB
    EXPECT_TRUE(refused(110, 3));    // three FATs
    EXPECT_TRUE(refused(80, 23, 4)); // a FAT inside the boot regions
    EXPECT_TRUE(refused(96, 0, 4));  // root cluster 0
    EXPECT_TRUE(refused(92, 0, 4));  // no clusters
    EXPECT_TRUE(refused(3, 'X'));
}

} // namespace
