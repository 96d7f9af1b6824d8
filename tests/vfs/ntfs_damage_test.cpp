// The NTFS reader on damaged copies of a real volume: each test breaks one structure the
// way no tool would, and the reader must end cleanly with what is still readable.

#include "support/fixtures.h"
#include "vfs/detect.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/index_node.h"
#include "vfs/ntfs_builder.h"
#include "vfs/ntfs_volume.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ntfs_test;

namespace {

class NtfsDamage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the image needs a FUSE mount";
        }
        const std::string image = fixtures::Image("ntfs-volume.sh", "ntfs.img");
        ASSERT_FALSE(image.empty());
        intact_ = std::make_unique<Volume>(LoadFile(image));
        ASSERT_TRUE(intact_->Mount());
        bytes_ = intact_->io.Bytes();
    }

    cVNTFS& Intact() { return *intact_->ntfs; }
    std::uint64_t IdOf(const std::u16string& path) {
        auto entry = Intact().FindByPath(path, Intact().GetRootId());
        EXPECT_TRUE(entry) << utf::ToUtf8(path);
        return entry ? entry->id : 0;
    }
    // Edits record n of the damaged copy as a writer would: on its fixed-up form, then
    // protected again by its update sequence.
    void EditRecord(std::uint64_t n, const std::function<void(Bytes&)>& edit) {
        auto record = Intact().ReadRecord(n);
        const auto at = RecordOnVolume(Intact(), n);
        ASSERT_TRUE(record && at);
        edit(*record);
        ProtectStrides(*record);
        std::copy(record->begin(), record->end(), bytes_.begin() + *at);
    }
    std::uint64_t StreamOnVolume(std::uint64_t n, std::uint32_t type,
                                 std::u16string_view name = u"", std::uint64_t offset = 0) {
        auto stream = Intact().OpenStream(n, type, name);
        auto at = stream ? StreamByteOnVolume(Intact(), *stream, offset) : std::nullopt;
        EXPECT_TRUE(at);
        return at.value_or(0);
    }
    std::unique_ptr<Volume> Damaged() {
        auto volume = std::make_unique<Volume>(bytes_);
        EXPECT_TRUE(volume->Mount());
        return volume;
    }
    std::vector<std::uint8_t> ReadFile(Volume& volume, std::uint64_t id) {
        auto entry = volume.ntfs->GetObject(id);
        auto handle = entry ? volume.ntfs->OpenObject(*entry) : nullptr;
        return handle ? ReadToEnd(*handle) : std::vector<std::uint8_t>{};
    }

    std::unique_ptr<Volume> intact_;
    Bytes bytes_;
};

} // namespace

TEST_F(NtfsDamage, ARecordWithAStaleSectorEndStillReads) {
    const std::uint64_t id = IdOf(u"/readme.txt");
    const auto at = RecordOnVolume(Intact(), id);
    ASSERT_TRUE(at);
    bytes::PutLe16(&bytes_[*at + 1022], 0x4242); // the second sector comes from another write
    auto volume = Damaged();
    auto entry = volume->ntfs->GetObject(id);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, u"readme.txt");
    const std::string text = "hello, ntfs\n";
    EXPECT_EQ(ReadFile(*volume, id), Bytes(text.begin(), text.end()));
}

TEST_F(NtfsDamage, ABadIndexBlockEndsThatListingAsAFailure) {
    const std::uint64_t many = IdOf(u"/many");
    bytes_[StreamOnVolume(many, ntfs::kIndexAllocation, ntfs::kI30)] = 'X';
    auto volume = Damaged();
    cFSFolder folder;
    folder.id = many;
    std::size_t delivered = 0;
    EXPECT_FALSE(volume->ntfs->EnumFolder(folder, [&](cFSObject&) {
        ++delivered;
        return true;
    }));
    EXPECT_GE(delivered, 2u); // "." and ".." at least stay delivered
    EXPECT_LT(delivered, 2002u);
    bool ok = true;
    const auto listed = WalkTree(*volume->fs, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(listed.count("/frag/attrlist.bin")); // other folders are unharmed
}

TEST_F(NtfsDamage, AnInvalidCompressedChunkFailsOnlyItsUnit) {
    const std::uint64_t id = IdOf(u"/comp/text.txt");
    auto stream = Intact().OpenStream(id, ntfs::kData);
    ASSERT_TRUE(stream && stream->IsCompressed());
    const std::uint32_t unitSize = Intact().ClusterSize() << stream->Attribute().compressionUnit;
    // The first chunk now claims a back-reference before its start.
    const std::uint64_t at = StreamByteOnVolume(Intact(), *stream, 0).value_or(0);
    ASSERT_NE(at, 0u);
    bytes_[at + 2] = 0x01;
    bytes_[at + 3] = 0x00;
    bytes_[at + 4] = 0x00;
    auto volume = Damaged();
    auto handle = volume->ntfs->OpenStream(id, ntfs::kData);
    ASSERT_TRUE(handle);
    std::vector<std::uint8_t> piece(unitSize);
    EXPECT_EQ(handle->Read(piece.data(), unitSize), 0u);
    EXPECT_EQ(handle->Seek(unitSize), unitSize);
    EXPECT_EQ(handle->Read(piece.data(), unitSize), unitSize);
    const auto expected = LoadFile(fixtures::Folder("ntfs-volume.sh") + "/tree/comp/text.txt");
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), expected.begin() + unitSize));
}

TEST_F(NtfsDamage, MappingPairsThatNeverEndOrCannotBeDecodedEndCleanly) {
    const std::uint64_t id = IdOf(u"/big.bin");
    // Each case fills the mapping pairs from their start to the attribute's end.
    const struct {
        const char* what;
        std::function<Bytes(std::size_t)> fill;
        bool opens;
    } cases[] = {
        {"one-cluster runs up to the attribute end, no terminator",
         [](std::size_t n) {
             // Whole pairs only: three-byte ones, and one or two four-byte ones to fit.
             Bytes out;
             for (std::size_t wide = n % 3; wide > 0; --wide) {
                 out.insert(out.end(), {0x21, 0x01, 0x00, 0x01});
             }
             while (out.size() < n) {
                 out.insert(out.end(), {0x11, 0x01, 0x01});
             }
             return out;
         },
         true},
        {"a run without length bytes", [](std::size_t n) { return Bytes(n, 0x01 | 0x10); }, false},
        {"runs walking off the start of the volume",
         [](std::size_t n) {
             Bytes out;
             while (out.size() < n) {
                 out.insert(out.end(), {0x11, 0x01, 0x80});
             }
             return out;
         },
         false},
        {"a pair cut off by the attribute end", [](std::size_t n) { return Bytes(n, 0x88); },
         false},
    };
    for (const auto& c : cases) {
        bytes_ = intact_->io.Bytes();
        EditRecord(id, [&](Bytes& record) {
            const auto data = ntfs::FindAttribute(record, ntfs::kData, u"");
            ASSERT_TRUE(data && data->nonResident);
            const std::size_t start = data->mappingPairs.data() - record.data();
            const Bytes pairs = c.fill(data->mappingPairs.size());
            std::copy_n(pairs.begin(), data->mappingPairs.size(), record.begin() + start);
        });
        auto volume = Damaged();
        auto handle = volume->ntfs->OpenStream(id, ntfs::kData);
        EXPECT_EQ(handle != nullptr, c.opens) << c.what;
        if (handle) {
            EXPECT_LT(ReadToEnd(*handle).size(), 300000u) << c.what;
        }
        EXPECT_EQ(WalkTree(*volume->fs).count("/big.bin"), 1u) << c.what;
    }
}

TEST_F(NtfsDamage, AttributeListsPointingElsewhereFailTheOpen) {
    const std::uint64_t id = IdOf(u"/frag/attrlist.bin");
    const std::uint64_t other = IdOf(u"/comp/text.txt");
    const std::uint64_t listAt = StreamOnVolume(id, ntfs::kAttributeList);
    const auto list = Intact().OpenStream(id, ntfs::kAttributeList)->ReadAll(1 << 20);
    ASSERT_TRUE(list);
    // Find the entry of the second $DATA extent and aim it elsewhere: at the base record
    // itself, at another file's base record, and at the other extent's record.
    std::size_t entryAt = 0;
    std::uint64_t firstExtentRecord = 0;
    for (std::size_t at = 0; at + 26 <= list->size();
         at += bytes::unchecked::Le16(&(*list)[at + 4])) {
        if (bytes::unchecked::Le16(&(*list)[at + 4]) == 0) {
            break;
        }
        if (bytes::unchecked::Le32(&(*list)[at]) == ntfs::kData) {
            if (bytes::unchecked::Le64(&(*list)[at + 8]) == 0) {
                firstExtentRecord = ntfs::RecordNumber(bytes::unchecked::Le64(&(*list)[at + 16]));
            } else if (entryAt == 0) {
                entryAt = at;
            }
        }
    }
    ASSERT_NE(entryAt, 0u);
    for (std::uint64_t target : {id, other, firstExtentRecord}) {
        bytes_ = intact_->io.Bytes();
        bytes::PutLe64(&bytes_[listAt + entryAt + 16], target);
        auto volume = Damaged();
        EXPECT_FALSE(volume->ntfs->OpenStream(id, ntfs::kData)) << target;
        auto entry = volume->ntfs->GetObject(id);
        ASSERT_TRUE(entry); // name and size live in the base record
        EXPECT_EQ(entry->size, intact_->ntfs->GetObject(id)->size);
    }
}

TEST_F(NtfsDamage, ParentCyclesEndPathBuildingAndWalks) {
    const std::uint64_t a = IdOf(u"/deep/a");
    const std::uint64_t b = IdOf(u"/deep/a/b");
    const std::uint64_t leaf = IdOf(u"/deep/a/b/c/leaf.txt");
    // a names b as its parent, and b's index lists a as its child "c".
    EditRecord(a, [&](Bytes& record) {
        const auto name = ntfs::FindAttribute(record, ntfs::kFileName, u"");
        ASSERT_TRUE(name);
        bytes::PutLe64(&record[name->value.data() - record.data()], b);
    });
    EditRecord(b, [&](Bytes& record) {
        const auto root = ntfs::FindAttribute(record, ntfs::kIndexRoot, ntfs::kI30);
        ASSERT_TRUE(root);
        const std::size_t value = root->value.data() - record.data();
        const std::size_t firstEntry = value + 16 + bytes::unchecked::Le32(&record[value + 16]);
        bytes::PutLe64(&record[firstEntry], a);
    });
    auto volume = Damaged();
    auto entry = volume->ntfs->GetObject(leaf);
    ASSERT_TRUE(entry);
    EXPECT_FALSE(volume->ntfs->BuildPath(*entry)); // runs out of room instead of looping
    const auto listed = WalkTree(*volume->fs);
    ASSERT_TRUE(listed.count("/deep/a/b/c"));
    EXPECT_EQ(listed.at("/deep/a/b/c").id, a);
}

TEST_F(NtfsDamage, BytesPastTheInitializedSizeReadAsZeros) {
    const std::uint64_t id = IdOf(u"/big.bin");
    EditRecord(id, [&](Bytes& record) {
        const auto data = ntfs::FindAttribute(record, ntfs::kData, u"");
        ASSERT_TRUE(data && data->nonResident);
        bytes::PutLe64(&record[data->offset + 56], 100000); // initialized size
    });
    auto volume = Damaged();
    const auto bytes = ReadFile(*volume, id);
    const auto expected = LoadFile(fixtures::Folder("ntfs-volume.sh") + "/tree/big.bin");
    ASSERT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100000, expected.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 100000, bytes.end(), [](auto b) { return b == 0; }));
}

TEST_F(NtfsDamage, ASizeBeyondWhatBacksItIsNotBelieved) {
    const std::uint64_t id = IdOf(u"/big.bin");
    const auto expected = LoadFile(fixtures::Folder("ntfs-volume.sh") + "/tree/big.bin");
    const std::uint64_t allocated = Intact().OpenStream(id, ntfs::kData)->Attribute().allocatedSize;
    ASSERT_GT(allocated, expected.size());
    constexpr std::uint64_t kClaimed = 62672162787328; // what a few changed bytes made of it
    for (const bool allocationToo : {false, true}) {
        bytes_ = intact_->io.Bytes();
        EditRecord(id, [&](Bytes& record) {
            const auto data = ntfs::FindAttribute(record, ntfs::kData, u"");
            ASSERT_TRUE(data && data->nonResident);
            bytes::PutLe64(&record[data->offset + 48], kClaimed); // real size
            if (allocationToo) {
                bytes::PutLe64(&record[data->offset + 40], kClaimed);
            }
        });
        auto volume = Damaged();
        // Past the initialized size only zeros remain, up to the allocation the runs map.
        const auto listed = WalkTree(*volume->fs);
        ASSERT_TRUE(listed.count("/big.bin"));
        EXPECT_EQ(listed.at("/big.bin").size, allocated) << allocationToo;
        auto entry = volume->ntfs->GetObject(id);
        ASSERT_TRUE(entry);
        EXPECT_TRUE(entry->IsDamaged());
        auto handle = volume->ntfs->OpenObject(*entry);
        ASSERT_TRUE(handle);
        EXPECT_TRUE(handle->IsDamaged());
        const auto bytes = ReadToEnd(*handle);
        ASSERT_EQ(bytes.size(), allocated);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
        EXPECT_TRUE(std::all_of(bytes.begin() + expected.size(), bytes.end(),
                                [](auto b) { return b == 0; }));
    }
    // The intact file is not marked.
    EXPECT_FALSE(Intact().GetObject(id)->IsDamaged());

    // With runs that cannot be decoded nothing backs the claim; the listing still shows
    // the file, damaged, and no larger than the volume.
    bytes_ = intact_->io.Bytes();
    EditRecord(id, [&](Bytes& record) {
        const auto data = ntfs::FindAttribute(record, ntfs::kData, u"");
        ASSERT_TRUE(data && data->nonResident);
        bytes::PutLe64(&record[data->offset + 40], kClaimed);
        bytes::PutLe64(&record[data->offset + 48], kClaimed);
        record[data->mappingPairs.data() - record.data()] = 0x10; // a run without a length
    });
    auto volume = Damaged();
    auto entry = volume->ntfs->GetObject(id);
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->IsDamaged());
    EXPECT_LE(entry->size, volume->ntfs->GetVolumeSectors() * 512);
    EXPECT_FALSE(volume->ntfs->OpenObject(*entry));
}

TEST_F(NtfsDamage, ARunPastTheVolumeIsUnreadable) {
    const std::uint64_t id = IdOf(u"/big.bin");
    const auto expected = LoadFile(fixtures::Folder("ntfs-volume.sh") + "/tree/big.bin");
    const std::uint64_t lcn = Intact().OpenStream(id, ntfs::kData)->Runs()[0].physicalStart;
    // 100 clusters where the file is, then 127 clusters just past the volume's end.
    const std::uint64_t delta = Intact().ClusterLimit() + 8 - lcn;
    ASSERT_LT(delta, 0x8000u);
    EditRecord(id, [&](Bytes& record) {
        const auto data = ntfs::FindAttribute(record, ntfs::kData, u"");
        ASSERT_TRUE(data && data->nonResident);
        ASSERT_GE(data->mappingPairs.size(), 8u);
        const Bytes pairs = {0x21, 100, std::uint8_t(lcn),   std::uint8_t(lcn >> 8),
                             0x21, 127, std::uint8_t(delta), std::uint8_t(delta >> 8)};
        const std::size_t start = data->mappingPairs.data() - record.data();
        std::fill_n(record.begin() + start, data->mappingPairs.size(), 0);
        std::copy(pairs.begin(), pairs.end(), record.begin() + start);
    });
    // The volume's partition is followed by another one, whose bytes the damaged run
    // points at.
    Bytes disk = bytes_;
    disk.resize(bytes_.size() + (1 << 20), 0x5A);
    cMemIO io(std::move(disk));
    cPartRecord record;
    record.SetRecord(&io, 0, bytes_.size() / 512, 0x07);
    const auto fs = MountNtfs(record);
    ASSERT_TRUE(fs);
    auto entry = fs->GetObject(id);
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->IsDamaged());
    EXPECT_EQ(entry->size, 227u * 1024); // what the runs map
    auto handle = fs->OpenObject(*entry);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle->IsDamaged());
    const auto bytes = ReadToEnd(*handle);
    ASSERT_EQ(bytes.size(), 100u * 1024); // short, where the next partition would begin
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin()));
}

TEST_F(NtfsDamage, AZeroedBootSectorMountsFromItsBackup) {
    std::fill_n(bytes_.begin(), 512, 0);
    const auto intactTree = WalkTree(Intact());
    {
        Volume volume(bytes_);
        ASSERT_TRUE(volume.Mount());
        EXPECT_EQ(volume.ntfs->GetIdentity(), Intact().GetIdentity());
        EXPECT_EQ(WalkTree(*volume.fs).size(), intactTree.size());
        EXPECT_EQ(ReadFile(volume, IdOf(u"/readme.txt")),
                  Bytes({'h', 'e', 'l', 'l', 'o', ',', ' ', 'n', 't', 'f', 's', '\n'}));
    }
    // In a partition at 1 MiB, followed by another partition: the backup is found at
    // the partition's end, not the disk's, and detection finds the volume through it.
    Bytes disk(2048 * 512);
    disk.insert(disk.end(), bytes_.begin(), bytes_.end());
    disk.resize(disk.size() + 4096 * 512, 0x5A);
    cMemIO io(disk);
    cPartRecord record;
    record.SetRecord(&io, 2048, bytes_.size() / 512, 0x07);
    const auto fs = cVFSDetectManager::Instance().Detect(record);
    ASSERT_TRUE(fs);
    EXPECT_EQ(fs->GetFSType(), fstype::kNtfs);
    EXPECT_EQ(WalkTree(*fs).size(), intactTree.size());

    // A FAT volume formatted over the NTFS one keeps the old copy at the end; the FAT
    // boot sector wins.
    const Bytes fat = LoadFile(fixtures::Folder("fat-images.sh") + "/fat16.img");
    ASSERT_GE(fat.size(), 512u);
    std::copy_n(fat.begin(), 512, disk.begin() + 2048 * 512);
    cMemIO formatted(disk);
    record.SetRecord(&formatted, 2048, bytes_.size() / 512, 0x07);
    const auto over = cVFSDetectManager::Instance().Detect(record);
    ASSERT_TRUE(over);
    EXPECT_EQ(over->GetFSType(), fstype::kFat);

    // Without the backup nothing is left to mount from.
    std::fill_n(disk.begin() + 2048 * 512, 512, 0);
    std::fill_n(disk.begin() + (2048 * 512 + bytes_.size() - 512), 512, 0);
    cMemIO broken(disk);
    record.SetRecord(&broken, 2048, bytes_.size() / 512, 0x07);
    EXPECT_FALSE(cVFSDetectManager::Instance().Detect(record));
}
