// The JFS reader on a volume made by mkfs.jfs and filled by a guest kernel, compared with
// the tree it was filled from, and on copies of it damaged byte by byte.

#include "base/bytes.h"
#include "base/utf.h"
#include "vfs/guest_volumes.h"
#include "vfs/jfs/jfs_layout.h"
#include "vfs/jfs/vjfs.h"

#include <gtest/gtest.h>

using namespace vfs_test;

namespace {

constexpr std::size_t kSuper = 32768;
// Aggregate inode 16, the inode map of fileset 0.
constexpr std::size_t kFilesetInode = 0xB000 + 16 * 512;

class JfsVolume : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the guest kernel needs root for its cache";
        }
        ASSERT_FALSE(GuestFolder().empty());
        bytes_ = LoadFile(GuestFolder() + "/jfs.img");
        image_ = std::make_unique<DetectedImage>(bytes_);
        jfs_ = dynamic_cast<cVJFS*>(image_->reader.get());
        ASSERT_TRUE(jfs_) << "not detected as JFS";
    }
    // Where inode n of fileset 0 lies, found through its inode map as the reader finds it.
    std::size_t InodeOffset(std::uint32_t n) const {
        // The map's page for n's group follows the control page; the map's extents are in
        // the root of its tree.
        const std::uint8_t* map = bytes_.data() + kFilesetInode + jfs::kRootOffset;
        const std::uint64_t page = n / 4096 + 1;
        std::uint64_t block = 0;
        for (std::size_t x = 2; x < bytes::unchecked::Le16(map + 18); ++x) {
            const std::uint8_t* xad = map + x * 16;
            const std::uint64_t offset = bytes::unchecked::Le32(xad + 4);
            if (page >= offset && page - offset < (bytes::unchecked::Le32(xad + 8) & 0xFFFFFF)) {
                block = bytes::unchecked::Le32(xad + 12) + page - offset;
            }
        }
        const std::uint8_t* group = bytes_.data() + block * 4096;
        const std::size_t extent = 3072 + (n % 4096 / 32) * 8;
        return std::size_t(bytes::unchecked::Le32(group + extent + 4)) * 4096 + (n % 32) * 512;
    }

    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<DetectedImage> image_;
    cVJFS* jfs_ = nullptr;
};

TEST_F(JfsVolume, FileSet00HoldsEveryPathSizeAndByteOfTheSourceTree) {
    EXPECT_EQ(jfs_->GetBlockSize(), 4096u);
    EXPECT_EQ(jfs_->GetBlockCount(), bytes::unchecked::Le64(bytes_.data() + kSuper + 8) / 8);
    EXPECT_EQ(jfs_->Filesets(), std::vector<std::uint32_t>{0});
    std::vector<std::u16string> top;
    ASSERT_TRUE(jfs_->EnumFolder(*jfs_->GetObject(jfs_->GetRootId()), [&](cFSObject& entry) {
        top.push_back(entry.name);
        return entry.Kind() == fskind::kFolder;
    }));
    EXPECT_EQ(top, std::vector<std::u16string>{u"FileSet00"});
    ExpectSameAsGuestTree(*jfs_, "/FileSet00");
}

TEST_F(JfsVolume, LabelIdentityParentsAndPaths) {
    const auto* name = image_->record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), "drovik-jfs");
    const std::vector<std::uint8_t> identity = jfs_->GetIdentity();
    EXPECT_EQ(identity, (std::vector<std::uint8_t>{fstype::kJfs, 0, 0, 0, 0, 0, 0, 0, 0}));

    auto leaf = jfs_->FindByPath(u"/FileSet00/deep/a/b/c/leaf.txt", jfs_->GetRootId());
    auto folder = jfs_->FindByPath(u"/FileSet00/deep/a/b/c", jfs_->GetRootId());
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(leaf->parentId, folder->id);
    auto byId = jfs_->GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"c");
    EXPECT_EQ(jfs_->BuildPath(*leaf), u"/FileSet00/deep/a/b/c/leaf.txt");
    auto fileset = jfs_->GetObject((folder->id & ~0xFFFFFFFFull) | jfs::kRootInode);
    ASSERT_TRUE(fileset);
    EXPECT_EQ(fileset->name, u"FileSet00");
    EXPECT_EQ(fileset->parentId, jfs_->GetRootId());
    // Names of more than one slot, and of characters beyond ASCII.
    EXPECT_TRUE(jfs_->FindByPath(u"/FileSet00/Юникод/файл.txt", jfs_->GetRootId()));
    EXPECT_TRUE(jfs_->FindByPath(u"/FileSet00/many/entry-0399.txt", jfs_->GetRootId()));
}

TEST_F(JfsVolume, FragmentedAndSparseFilesReadAcrossTheirExtents) {
    auto frag = jfs_->OpenObject(*jfs_->FindByPath(u"/FileSet00/frag.bin", jfs_->GetRootId()));
    ASSERT_TRUE(frag);
    const auto whole = LoadFile(GuestFolder() + "/tree/frag.bin");
    std::vector<std::uint8_t> piece(9000);
    frag->Seek(4096 * 11 - 100);
    ASSERT_EQ(frag->Read(piece.data(), 9000), 9000u);
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), whole.begin() + 4096 * 11 - 100));
    auto sparse = jfs_->OpenObject(*jfs_->FindByPath(u"/FileSet00/sparse.bin", jfs_->GetRootId()));
    ASSERT_TRUE(sparse);
    EXPECT_TRUE(ReadToEnd(*sparse) == LoadFile(GuestFolder() + "/tree/sparse.bin"));
}

TEST_F(JfsVolume, DamagedSuperblocksAndFilesetsAreNoVolume) {
    const std::vector<std::uint8_t> clean = bytes_;
    // A block size that is no power of two, or larger than a tree page.
    bytes::PutLe32(bytes_.data() + kSuper + 16, 3000);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
    bytes_ = clean;
    bytes::PutLe32(bytes_.data() + kSuper + 16, 8192);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
    // The fileset's inode map says it is another inode.
    bytes_ = clean;
    bytes::PutLe32(bytes_.data() + kFilesetInode + 8, 17);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
    // The map's tree claims more entries than its root holds.
    bytes_ = clean;
    bytes::PutLe16(bytes_.data() + kFilesetInode + jfs::kRootOffset + 18, 19);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
    // The fileset's root folder is a file.
    bytes_ = clean;
    bytes::PutLe32(bytes_.data() + InodeOffset(jfs::kRootInode) + 52, 0100644);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
}

TEST_F(JfsVolume, FolderTreesThatLoopOrOverflowTheirNodeEndTheListing) {
    // deep/a holds one folder, in a leaf inside its inode.
    auto a = jfs_->FindByPath(u"/FileSet00/deep/a", jfs_->GetRootId());
    ASSERT_TRUE(a);
    const std::size_t root = InodeOffset(std::uint32_t(a->id)) + jfs::kRootOffset;
    ASSERT_EQ(bytes_[root + 16] & 0x02, 0x02) << "the folder should be a leaf in the inode";
    const std::size_t count = bytes_[root + 17];
    ASSERT_EQ(count, 1u);
    const std::vector<std::uint8_t> clean = bytes_;
    const auto list = [&](const std::u16string& path) {
        DetectedImage image(bytes_);
        auto folder = image.reader->FindByPath(path, image.reader->GetRootId());
        std::size_t entries = 0;
        const bool ok = folder && image.reader->EnumFolder(*folder, [&](cFSObject&) {
            ++entries;
            return true;
        });
        return std::pair{ok, entries};
    };
    EXPECT_EQ(list(u"/FileSet00/deep/a"), std::pair(true, count + 2));
    // A slot table naming a slot outside the root.
    bytes_[root + 24] = 9;
    EXPECT_FALSE(list(u"/FileSet00/deep/a").first);
    // A name continued in a chain of slots that leads back to itself.
    bytes_ = clean;
    const std::size_t slot = bytes_[root + 24];
    bytes_[root + slot * 32 + 5] = 200;
    bytes_[root + slot * 32 + 4] = std::uint8_t(slot);
    EXPECT_FALSE(list(u"/FileSet00/deep/a").first);

    // The folder of 400 entries lives in pages below an internal root, whose first child
    // is itself an internal page: every child pointer of that page made to name the page.
    bytes_ = clean;
    auto many = jfs_->FindByPath(u"/FileSet00/many", jfs_->GetRootId());
    ASSERT_TRUE(many);
    EXPECT_EQ(list(u"/FileSet00/many"), std::pair(true, std::size_t(402)));
    const std::size_t manyRoot = InodeOffset(std::uint32_t(many->id)) + jfs::kRootOffset;
    ASSERT_EQ(bytes_[manyRoot + 16] & 0x04, 0x04) << "the folder should have pages below";
    const std::uint8_t* pxd = &bytes_[manyRoot + bytes_[manyRoot + 24] * 32];
    const std::size_t page = std::size_t(bytes::unchecked::Le32(pxd + 4)) * 4096;
    ASSERT_EQ(bytes_[page + 16] & 0x04, 0x04) << "the page below should be internal too";
    for (std::size_t i = 0; i < bytes_[page + 17]; ++i) {
        const std::size_t child = bytes_[page + bytes_[page + 21] * 32 + i];
        std::copy_n(pxd, 8, bytes_.begin() + std::ptrdiff_t(page + child * 32));
    }
    const auto [ok, entries] = list(u"/FileSet00/many");
    EXPECT_FALSE(ok);
    EXPECT_LT(entries, 402u);
}

} // namespace
