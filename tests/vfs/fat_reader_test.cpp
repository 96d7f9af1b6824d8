// The FAT readers over images made by mkfs.fat and mtools, compared with the tree they
// were filled from; damage no tool makes is patched into in-memory copies.

#include "base/bytes.h"
#include "base/utf.h"
#include "fat_volume.h"
#include "io/flat_io.h"
#include "support/mem_io.h"
#include "vfs/fat/vfat.h"

#include <gtest/gtest.h>

namespace {

using fattest::Listed;

struct ImageCase {
    const char* image;
    std::uint64_t start;
    const char* tree;
    std::uint32_t type;
    const char* label;
};

const ImageCase kImages[] = {
    {"fat12.img", 0, "tree/small", fstype::kFat, "FLOPPY12"},
    {"fat16.img", 0, "tree/full", fstype::kFat, "VOLUME16"},
    {"fat32.img", 0, "tree/full", fstype::kFat32, "VOLUME32"},
    {"fat32-wiped.img", 0, "tree/full", fstype::kFat32, "VOLUME32"},
    {"disk.img", 2048, "tree/small", fstype::kFat, "PARTVOL"},
};

class FatImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(FatImages, ListingAndBytesMatchTheSourceTree) {
    const ImageCase& c = GetParam();
    const std::string folder = fattest::FixtureFolder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/" + c.image, c.start);
    ASSERT_TRUE(mounted.fs) << c.image;
    cVFS& fat = *mounted.fs;
    EXPECT_EQ(fat.GetFSType(), c.type);
    const auto* name = mounted.record->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), c.label);
    EXPECT_EQ(fat.CodePage(), 866u);

    std::vector<std::string> failed;
    const std::map<std::string, Listed> listed = fattest::WalkTree(fat, &failed);
    EXPECT_TRUE(failed.empty()) << failed.front();
    const std::map<std::string, Listed> expected = fattest::SourceTree(folder + "/" + c.tree);
    fattest::ExpectSameTree(listed, expected, c.image);

    // Every file's bytes, read through the reader's handles.
    for (const auto& [path, want] : expected) {
        if (want.kind != fskind::kFile || (path.rfind("/many/", 0) == 0 && path.back() != '0')) {
            continue; // one in ten of the small files in "many" is enough
        }
        const std::unique_ptr<cFSObject> entry =
            fat.FindByPath(utf::FromUtf8(path), fat.GetRootId());
        ASSERT_TRUE(entry) << path;
        bool ok = false;
        const std::vector<std::uint8_t> data = fattest::ReadObject(fat, *entry, &ok);
        EXPECT_TRUE(ok) << path;
        EXPECT_TRUE(data == fattest::ReadFile(folder + "/" + c.tree + path)) << c.image << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FatImages, ::testing::ValuesIn(kImages),
                         [](const auto& paramInfo) {
                             std::string name = paramInfo.param.image;
                             name = name.substr(0, name.find('.'));
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST(FatReader, RootListingStartsWithDotsThenLabelAndDeletedEntries) {
    fattest::Mounted mounted = fattest::MountImage(fattest::FixtureFolder() + "/fat16.img");
    ASSERT_TRUE(mounted.fs);
    cVFS& fat = *mounted.fs;
    bool ok = false;
    const auto entries = fattest::ListFolder(fat, fat.GetRootId(), &ok);
    ASSERT_TRUE(ok);
    ASSERT_GE(entries.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(entries[i]->name, i == 0 ? u"." : u"..");
        EXPECT_EQ(entries[i]->Kind(), fskind::kFolder);
        EXPECT_EQ(entries[i]->id, fat.GetRootId());
        EXPECT_EQ(entries[i]->parentId, fat.GetRootId());
    }
    EXPECT_EQ(entries[2]->Kind(), fskind::kVolName);
    EXPECT_EQ(entries[2]->name, u"VOLUME16");

    std::map<std::u16string, const cFSDeletedObj*> deleted;
    for (const auto& entry : entries) {
        if (entry->Kind() == fskind::kDeleted) {
            deleted[entry->name] = static_cast<const cFSDeletedObj*>(entry.get());
        }
    }
    ASSERT_EQ(deleted.size(), 3u);
    ASSERT_TRUE(deleted.count(u"xBC.TXT"));
    EXPECT_EQ(deleted[u"xBC.TXT"]->deletedKind, fskind::kFile);
    EXPECT_EQ(deleted[u"xBC.TXT"]->size, 5u);
    ASSERT_TRUE(deleted.count(u"deleted file with a long name.bin"));
    EXPECT_EQ(deleted[u"deleted file with a long name.bin"]->size, 5000u);
    ASSERT_TRUE(deleted.count(u"xONEDIR"));
    EXPECT_EQ(deleted[u"xONEDIR"]->deletedKind, fskind::kFolder);
}

// Files deleted by mdel come back from the free clusters after their first one, byte for
// byte. On FAT32 they lie above cluster 65535: only the entry's high word finds them.
class DeletedFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(DeletedFiles, ComeBackByteForByte) {
    const std::string folder = fattest::FixtureFolder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/" + GetParam());
    ASSERT_TRUE(mounted.fs);
    cVFS& fat = *mounted.fs;
    const std::map<std::u16string, std::string> sources = {
        {u"xBC.TXT", "ABC.TXT"},
        {u"deleted file with a long name.bin", "deleted file with a long name.bin"},
    };
    std::size_t found = 0;
    for (const auto& entry : fattest::ListFolder(fat, fat.GetRootId())) {
        const auto source = sources.find(entry->name);
        if (entry->Kind() != fskind::kDeleted || source == sources.end()) {
            continue;
        }
        ++found;
        EXPECT_FALSE(entry->IsDamaged()) << source->second;
        if (fat.GetFSType() == fstype::kFat32) {
            EXPECT_GT(entry->id, 0xFFFFu) << source->second;
        }
        bool ok = false;
        EXPECT_EQ(fattest::ReadObject(fat, *entry, &ok),
                  fattest::ReadFile(folder + "/deleted/" + source->second))
            << source->second;
        EXPECT_TRUE(ok) << source->second;
        // A path reaches the deleted file as well.
        const auto byPath = fat.FindByPath(u"/" + entry->name, fat.GetRootId());
        ASSERT_TRUE(byPath);
        EXPECT_EQ(byPath->Kind(), fskind::kDeleted);
    }
    EXPECT_EQ(found, sources.size());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DeletedFiles,
                         ::testing::Values("fat12.img", "fat16.img", "fat32.img"),
                         [](const auto& paramInfo) {
                             const std::string name = paramInfo.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(FatReader, ADeletedFileEndsWhereANewerFileTookACluster) {
    const std::string folder = fattest::FixtureFolder();
    fattest::Mounted mounted = fattest::MountImage(folder + "/reused.img");
    ASSERT_TRUE(mounted.fs);
    cVFS& fat = *mounted.fs;
    std::unique_ptr<cFSObject> deleted;
    for (auto& entry : fattest::ListFolder(fat, fat.GetRootId())) {
        if (entry->Kind() == fskind::kDeleted && entry->name == u"xFILE.BIN") {
            deleted = std::move(entry);
        }
    }
    ASSERT_TRUE(deleted);
    EXPECT_TRUE(deleted->IsDamaged());
    EXPECT_EQ(deleted->size, 10240u);

    // Its first five clusters were taken by a file holding the same bytes and freed
    // again; the sixth belongs to NEWER.TXT, so the read stops short in front of it.
    const std::unique_ptr<cObjectHandle> handle = fat.OpenObject(*deleted);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle->IsDamaged());
    EXPECT_EQ(handle->GetSize(), 10240u);
    bool ok = true;
    const std::vector<std::uint8_t> data = fattest::ReadObject(fat, *deleted, &ok);
    EXPECT_FALSE(ok);
    std::vector<std::uint8_t> expected = fattest::ReadFile(folder + "/deleted/XFILE.BIN");
    expected.resize(2560);
    EXPECT_EQ(data, expected);
    EXPECT_EQ(handle->Seek(2560), 2560u);
    std::uint8_t byte = 0;
    EXPECT_EQ(handle->Read(&byte, 1), 0u);
}

TEST(FatReader, PathsResolveAndBuildBack) {
    fattest::Mounted mounted = fattest::MountImage(fattest::FixtureFolder() + "/fat32.img");
    ASSERT_TRUE(mounted.fs);
    cVFS& fat = *mounted.fs;
    const std::u16string path = u"/Документы/вложенная папка/deeper/A file with a long name.data";
    const std::unique_ptr<cFSObject> file = fat.FindByPath(path, 12345);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Kind(), fskind::kFile);
    EXPECT_EQ(fat.BuildPath(*file), path);
    EXPECT_EQ(fat.BuildPath(*file, std::uint32_t(path.size())),
              std::nullopt); // no room for the end
    EXPECT_EQ(fat.BuildPath(*file, std::uint32_t(path.size() + 1)), path);

    // Doubled slashes, capitals of a case-insensitive volume, a relative path.
    const auto same = [&](std::u16string_view other, std::uint64_t start) {
        const std::unique_ptr<cFSObject> found = fat.FindByPath(other, start);
        return found && found->id == file->id;
    };
    EXPECT_TRUE(same(u"//Документы///вложенная папка//deeper/A file with a long name.data", 0));
    EXPECT_TRUE(same(u"/ДОКУМЕНТЫ/ВЛОЖЕННАЯ ПАПКА/DEEPER/a FILE with a long NAME.DATA", 0));
    const std::unique_ptr<cFSObject> deeper =
        fat.FindByPath(u"/Документы/вложенная папка/deeper", 0);
    ASSERT_TRUE(deeper);
    EXPECT_TRUE(same(u"A file with a long name.data", deeper->id));
    EXPECT_EQ(fat.FindByPath(u"/zero.bin/x", 0), nullptr); // through a file
    EXPECT_EQ(fat.FindByPath(u"/nothing", 0), nullptr);

    const std::unique_ptr<cFSObject> root = fat.FindByPath(u"///", 7);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->id, fat.GetRootId());
    EXPECT_EQ(fat.BuildPath(*root), u"/");

    // A folder found by id carries its own name and parent; a file gets a made-up name.
    const std::unique_ptr<cFSObject> byId = fat.GetObject(deeper->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"deeper");
    EXPECT_EQ(fat.BuildPath(*byId), u"/Документы/вложенная папка/deeper");
    const std::unique_ptr<cFSObject> fileById = fat.GetObject(file->id);
    ASSERT_TRUE(fileById);
    EXPECT_EQ(fileById->Kind(), fskind::kFile);
    EXPECT_EQ(fileById->name, utf::FromAscii("file" + std::to_string(file->id)));
    EXPECT_EQ(fileById->size, 3072u); // the chain: six 512-byte clusters
    EXPECT_EQ(fat.FindNameById(deeper->id, file->id), u"A file with a long name.data");
    EXPECT_EQ(fat.FindEntryByName(deeper->id, u"a file with a long name.DATA")->id, file->id);
}

TEST(FatReader, GeometryAndAllocation) {
    const std::string folder = fattest::FixtureFolder();
    fattest::Mounted fat12 = fattest::MountImage(folder + "/fat12.img");
    ASSERT_TRUE(fat12.fs);
    // mkfs.fat floppy: 512-byte clusters, 1 reserved sector, 2 FATs of 9 sectors, 224 root entries.
    EXPECT_EQ(fat12.fs->GetBlockSize(), 512u);
    EXPECT_EQ(fat12.fs->GetFirstBlockSector(), 1u + 18 + 14);
    EXPECT_EQ(fat12.fs->GetBlockCount(), 2880u + 2);
    EXPECT_TRUE(fat12.fs->HasBlockMap());
    EXPECT_EQ(fat12.fs->GetIdentity(), (std::vector<std::uint8_t>{6, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fat12.fs->GetVolumeSectors(), 2880u);

    const std::unique_ptr<cFSObject> file = fat12.fs->FindByPath(u"/exact64k.bin", 0);
    ASSERT_TRUE(file);
    for (std::uint64_t cluster = file->id; cluster < file->id + 128; ++cluster) {
        EXPECT_TRUE(fat12.fs->IsBlockUsed(cluster)) << cluster; // written in one piece
    }
    EXPECT_FALSE(fat12.fs->IsBlockUsed(2800));
    EXPECT_FALSE(fat12.fs->IsBlockUsed(1ull << 40));

    fattest::Mounted disk = fattest::MountImage(folder + "/disk.img", 2048);
    ASSERT_TRUE(disk.fs);
    EXPECT_EQ(disk.fs->GetIdentity(), (std::vector<std::uint8_t>{6, 0, 8, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(disk.fs->PartitionStart(), 2048u);
    EXPECT_EQ(disk.fs->GetVolumeSectors(), 20480u);

    // A volume made larger than the partition that holds it, as one member of a striped
    // set looks: it still mounts, and says how far it reaches.
    fattest::Mounted cut = fattest::MountImage(folder + "/raid-member.img", 2048);
    ASSERT_TRUE(cut.fs);
    EXPECT_EQ(cut.fs->GetVolumeSectors(), 20480u);
}

TEST(FatReader, HandlesSeekAndReadAcrossClusters) {
    fattest::Mounted mounted = fattest::MountImage(fattest::FixtureFolder() + "/fat12.img");
    ASSERT_TRUE(mounted.fs);
    const std::unique_ptr<cFSObject> file = mounted.fs->FindByPath(u"/over64k.bin", 0);
    ASSERT_TRUE(file);
    const std::vector<std::uint8_t> source =
        fattest::ReadFile(fattest::FixtureFolder() + "/tree/small/over64k.bin");
    const std::unique_ptr<cObjectHandle> handle = mounted.fs->OpenObject(*file);
    ASSERT_TRUE(handle && handle->IsOpen());
    EXPECT_EQ(handle->GetSize(), 65537u);
    EXPECT_EQ(handle->Seek(1u << 30), 65537u);
    std::uint8_t buffer[4096];
    EXPECT_EQ(handle->Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(handle->Seek(65000), 65000u);
    ASSERT_EQ(handle->Read(buffer, sizeof buffer), 537u);
    EXPECT_TRUE(std::equal(buffer, buffer + 537, source.begin() + 65000));
    handle->Seek(300);
    ASSERT_EQ(handle->Read(buffer, 1500), 1500u); // three clusters in one call
    EXPECT_TRUE(std::equal(buffer, buffer + 1500, source.begin() + 300));

    const std::unique_ptr<cFSObject> empty = mounted.fs->FindByPath(u"/zero.bin", 0);
    ASSERT_TRUE(empty);
    const std::unique_ptr<cObjectHandle> none = mounted.fs->OpenObject(*empty);
    ASSERT_TRUE(none && none->IsOpen());
    EXPECT_EQ(none->GetSize(), 0u);
    EXPECT_EQ(none->Read(buffer, 10), 0u);
}

// ---------------------------------------------------------------------------------------
// Damage, patched into a copy of the floppy image.

class DamagedFloppy : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = fattest::ReadFile(fattest::FixtureFolder() + "/fat12.img");
        ASSERT_EQ(bytes_.size(), 1474560u);
    }

    fattest::Mounted Mount() { return fattest::MountStorage(std::make_unique<cMemIO>(bytes_)); }

    void SetFat12(std::uint32_t cluster, std::uint16_t value) {
        fattest::SetFloppyFat(bytes_, cluster, value);
    }
    std::uint8_t* Cluster(std::uint32_t cluster) { return &bytes_[(33 + cluster - 2) * 512]; }
    std::uint8_t* RootEntry(std::size_t index) { return &bytes_[19 * 512 + index * 32]; }

    // The root entry named name as the listing gives it, damaged mark included.
    static std::unique_ptr<cFSObject> ListedInRoot(cVFS& fs, std::u16string_view name) {
        for (auto& entry : fattest::ListFolder(fs, 0)) {
            if (entry->name == name) {
                return std::move(entry);
            }
        }
        return nullptr;
    }

    std::uint64_t IdOf(const char16_t* path) {
        fattest::Mounted mounted = Mount();
        const std::unique_ptr<cFSObject> entry = mounted.fs->FindByPath(path, 0);
        return entry ? entry->id : 0;
    }

    std::vector<std::uint8_t> bytes_;
};

TEST_F(DamagedFloppy, ALoopingChainFailsToOpen) {
    const std::uint32_t first = std::uint32_t(IdOf(u"/over64k.bin"));
    ASSERT_NE(first, 0u);
    SetFat12(first + 5, first + 2); // back into its own chain
    fattest::Mounted mounted = Mount();
    const std::unique_ptr<cFSObject> file = mounted.fs->FindByPath(u"/over64k.bin", 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(mounted.fs->OpenObject(*file), nullptr);
    EXPECT_EQ(mounted.fs->GetObject(first), nullptr);
    const std::unique_ptr<cFSObject> listed = ListedInRoot(*mounted.fs, u"over64k.bin");
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->IsDamaged());
}

// Past the 129 clusters its size needs, a chain holds nothing of the file: a tail that
// loops or breaks there neither hides the file nor marks it damaged.
TEST_F(DamagedFloppy, AChainGoingWrongPastTheSizeStillReadsWhole) {
    const std::uint32_t first = std::uint32_t(IdOf(u"/over64k.bin"));
    ASSERT_NE(first, 0u);
    const std::vector<std::uint8_t> source =
        fattest::ReadFile(fattest::FixtureFolder() + "/tree/full/over64k.bin");
    for (const std::uint16_t tail : {std::uint16_t(first + 2), std::uint16_t(0xFF7)}) {
        SetFat12(first + 128, tail);
        fattest::Mounted mounted = Mount();
        const std::unique_ptr<cFSObject> file = ListedInRoot(*mounted.fs, u"over64k.bin");
        ASSERT_TRUE(file);
        EXPECT_FALSE(file->IsDamaged()) << tail;
        bool ok = false;
        EXPECT_EQ(fattest::ReadObject(*mounted.fs, *file, &ok), source) << tail;
        EXPECT_TRUE(ok) << tail;
    }
}

TEST_F(DamagedFloppy, ChainsLeavingTheVolumeOrFreedFail) {
    const std::uint32_t first = std::uint32_t(IdOf(u"/exact64k.bin"));
    SetFat12(first + 3, 0xFF7); // a bad-cluster mark inside the chain
    fattest::Mounted mounted = Mount();
    EXPECT_EQ(mounted.fs->OpenObject(*mounted.fs->FindByPath(u"/exact64k.bin", 0)), nullptr);

    SetFat12(first + 3, 0); // freed
    mounted = Mount();
    EXPECT_EQ(mounted.fs->OpenObject(*mounted.fs->FindByPath(u"/exact64k.bin", 0)), nullptr);
}

TEST_F(DamagedFloppy, AChainShorterThanTheSizeIsMarkedAndReadsShort) {
    const std::uint32_t first = std::uint32_t(IdOf(u"/over64k.bin"));
    ASSERT_NE(first, 0u);
    SetFat12(first + 10, 0xFFF); // the chain ends after 11 of its 129 clusters
    fattest::Mounted mounted = Mount();
    std::unique_ptr<cFSObject> file;
    for (auto& entry : fattest::ListFolder(*mounted.fs, 0)) {
        EXPECT_EQ(entry->IsDamaged(), entry->name == u"over64k.bin") << utf::ToUtf8(entry->name);
        if (entry->name == u"over64k.bin") {
            file = std::move(entry);
        }
    }
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size, 65537u);
    bool ok = true;
    const std::vector<std::uint8_t> data = fattest::ReadObject(*mounted.fs, *file, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(data.size(), 11u * 512);
}

TEST_F(DamagedFloppy, AFileNamingClusterZeroHasNoDataInsteadOfTheRootFolder) {
    fattest::Mounted mounted = Mount();
    cFSFile file;
    file.id = 0;
    file.size = 100;
    EXPECT_EQ(mounted.fs->OpenObject(file), nullptr);
}

TEST_F(DamagedFloppy, AnUnreadableFatSectorReadsAsFree) {
    const std::uint32_t first = std::uint32_t(IdOf(u"/over64k.bin"));
    auto storage = std::make_unique<cMemIO>(bytes_);
    storage->FailSector(1 + (first + 10) * 3 / 2 / 512);
    storage->FailSector(10 + (first + 10) * 3 / 2 / 512); // the second FAT is never used
    fattest::Mounted mounted = fattest::MountStorage(std::move(storage));
    ASSERT_TRUE(mounted.fs);
    const std::unique_ptr<cFSObject> file = mounted.fs->FindByPath(u"/over64k.bin", 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(mounted.fs->OpenObject(*file), nullptr);
}

TEST_F(DamagedFloppy, AFolderWithoutDotEntriesCannotBeListed) {
    const std::uint64_t id = IdOf(u"/Документы");
    ASSERT_NE(id, 0u);
    std::memset(Cluster(std::uint32_t(id)), 'A', 11);
    fattest::Mounted mounted = Mount();
    bool ok = true;
    EXPECT_TRUE(fattest::ListFolder(*mounted.fs, id, &ok).empty());
    EXPECT_FALSE(ok);
}

TEST_F(DamagedFloppy, ALabelledFat16WithFewClustersKeeps16BitEntries) {
    std::memcpy(&bytes_[54], "FAT16   ", 8);
    fattest::Mounted mounted = Mount();
    ASSERT_TRUE(mounted.fs);
    auto& fat = static_cast<cVFATBase&>(*mounted.fs);
    EXPECT_EQ(fat.BootRecord().width, 16u);
    EXPECT_EQ(fat.FatEntry(1), bytes::unchecked::Le16(&bytes_[512 + 2]));
}

// A root folder written entry by entry.
class CraftedRoot : public DamagedFloppy {
protected:
    void SetUp() override {
        DamagedFloppy::SetUp();
        std::memset(RootEntry(0), 0, 224 * 32);
    }
    void LongNamePiece(std::size_t index, std::uint8_t sequence, std::u16string_view units) {
        std::uint8_t* e = RootEntry(index);
        static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        e[0] = sequence;
        e[11] = 0x0F;
        for (std::size_t i = 0; i < 13; ++i) {
            bytes::PutLe16(e + kOffsets[i],
                           i < units.size() ? units[i] : (i == units.size() ? 0 : 0xFFFF));
        }
    }
    void ShortEntry(std::size_t index, const char* name11, std::uint8_t attributes,
                    std::uint8_t ntCase = 0) {
        std::uint8_t* e = RootEntry(index);
        std::memcpy(e, name11, 11);
        e[11] = attributes;
        e[12] = ntCase;
    }
    std::vector<std::unique_ptr<cFSObject>> Listing(bool* ok) {
        mounted_ = Mount();
        EXPECT_TRUE(mounted_.fs);
        auto entries = fattest::ListFolder(*mounted_.fs, 0, ok);
        if (entries.size() >= 2) {
            entries.erase(entries.begin(), entries.begin() + 2); // the synthesised dots
        }
        return entries;
    }
    fattest::Mounted mounted_;
};

TEST_F(CraftedRoot, LongNamesUpToTwentyPiecesAndNoMore) {
    // 20 pieces: a 255-character name and its terminator.
    const std::u16string name(255, u'n');
    for (std::size_t piece = 0; piece < 20; ++piece) {
        const std::size_t first = (19 - piece) * 13;
        LongNamePiece(piece, std::uint8_t(20 - piece),
                      std::u16string_view(name).substr(first, first < 255 ? 13 : 0));
    }
    ShortEntry(20, "NNNNNN~1BIN", 0x20);
    bool ok = false;
    auto entries = Listing(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->name, name);

    // A 21st piece is beyond any legal name.
    std::memmove(RootEntry(1), RootEntry(0), 21 * 32);
    LongNamePiece(0, 0x55, u"extra");
    entries = Listing(&ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(entries.empty());
}

TEST_F(CraftedRoot, ShortNamesCaseFlagsAndDeletedMarks) {
    ShortEntry(0, "README  TXT", 0x20, 0x08 | 0x10);
    ShortEntry(1, "README  TXT", 0x20, 0x08);
    ShortEntry(2, "ABC     TXT", 0x20);
    RootEntry(2)[0] = 0xE5;
    ShortEntry(3,
               "\x05"
               "BC     TXT",
               0x20);                                           // 0x05 stands for a real 0xE5
    ShortEntry(4, "\x8F\xA0\xAF\xAA\xA0   \x92\x95\x92", 0x10); // "Папка.ТХТ" in code page 866
    ShortEntry(5, "NOEXT      ", 0x20, 0x10);
    bool ok = false;
    const auto entries = Listing(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0]->name, u"readme.txt");
    EXPECT_EQ(entries[1]->name, u"readme.TXT");
    EXPECT_EQ(entries[2]->name, u"xBC.TXT");
    EXPECT_EQ(entries[2]->Kind(), fskind::kDeleted);
    EXPECT_EQ(entries[3]->name, u"хBC.TXT"); // Cyrillic small ha, 0xE5 in 866
    EXPECT_EQ(entries[3]->Kind(), fskind::kFile);
    EXPECT_EQ(entries[4]->name, u"Папка.ТХТ");
    EXPECT_EQ(entries[4]->Kind(), fskind::kFolder);
    EXPECT_EQ(entries[5]->name, u"NOEXT");
}

TEST_F(CraftedRoot, ALabelLeavesTheGatheredLongNameForTheNextEntry) {
    LongNamePiece(0, 0x41, u"long name");
    ShortEntry(1, "MY LABEL   ", 0x08);
    ShortEntry(2, "LONGNA~1   ", 0x20);
    ShortEntry(3, "SHORT   BIN", 0x20);
    bool ok = false;
    const auto entries = Listing(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0]->Kind(), fskind::kVolName);
    EXPECT_EQ(entries[0]->name, u"MY LABEL");
    EXPECT_EQ(entries[1]->name, u"long name");
    EXPECT_EQ(entries[2]->name, u"SHORT.BIN"); // the long name was used up
    // The label entry names the partition.
    const auto* label = mounted_.record->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Name(), u"MY LABEL");
}

TEST_F(CraftedRoot, InvalidAttributeBitsEndTheListingAsAFailure) {
    ShortEntry(0, "FIRST   TXT", 0x20);
    ShortEntry(1, "DEVICE     ", 0x40);
    ShortEntry(2, "LATER   TXT", 0x20);
    bool ok = true;
    const auto entries = Listing(&ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->name, u"FIRST.TXT");
}

TEST(FatReader, MountRefusesBadGeometry) {
    std::vector<std::uint8_t> boot(64 * 512, 0);
    std::memcpy(&boot[54], "FAT16   ", 8);
    bytes::PutLe16(&boot[11], 512);
    boot[13] = 0; // no sectors per cluster
    EXPECT_FALSE(fattest::MountStorage(std::make_unique<cMemIO>(boot)).fs);
    boot[13] = 4;
    bytes::PutLe16(&boot[11], 768); // not a power of two
    EXPECT_FALSE(fattest::MountStorage(std::make_unique<cMemIO>(boot)).fs);
    bytes::PutLe16(&boot[11], 1024);
    EXPECT_TRUE(fattest::MountStorage(std::make_unique<cMemIO>(boot)).fs);
}

TEST(FatReader, DefaultClusterSizes) {
    struct Case {
        std::uint64_t sectors;
        std::uint32_t fat16, fat32;
    };
    const Case cases[] = {
        {4083, 512, 0},
        {4084, 1024, 0},
        {32761, 2048, 0},
        {32762, 512, 0},
        {65524, 512, 0},
        {65525, 1024, 0},
        {65536, 1024, 512},
        {8387072, 65536, 4096},
        {8387073, 0, 4096},
        {16777216, 0, 8192},
        {67108863, 0, 16384},
        {67108864, 0, 32768},
        {0xFFFFFFFFull, 0, 32768},
        {0x100000000ull, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cVFAT::DefaultClusterSize(c.sectors), c.fat16) << c.sectors;
        EXPECT_EQ(cVFAT32::DefaultClusterSize(c.sectors), c.fat32) << c.sectors;
    }
}

} // namespace
