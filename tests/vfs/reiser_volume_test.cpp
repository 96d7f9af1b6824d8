// The ReiserFS reader on a volume made by mkreiserfs and filled by a guest kernel, compared
// with the tree it was filled from, and on copies of it damaged byte by byte.

#include "base/bytes.h"
#include "base/utf.h"
#include "vfs/guest_volumes.h"
#include "vfs/reiser/reiser_handle.h"
#include "vfs/reiser/vreiser.h"

#include <gtest/gtest.h>

using namespace vfs_test;

namespace {

class ReiserVolume : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "the guest kernel needs root for its cache";
        }
        ASSERT_FALSE(GuestFolder().empty());
        bytes_ = LoadFile(GuestFolder() + "/reiser.img");
        image_ = std::make_unique<DetectedImage>(bytes_);
        reiser_ = dynamic_cast<cVReiser*>(image_->reader.get());
        ASSERT_TRUE(reiser_) << "not detected as ReiserFS";
    }
    std::uint32_t Super32(std::size_t offset) const {
        return bytes::unchecked::Le32(bytes_.data() + 65536 + offset);
    }

    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<DetectedImage> image_;
    cVReiser* reiser_ = nullptr;
};

TEST_F(ReiserVolume, EveryPathSizeAndByteMatchesTheSourceTree) {
    EXPECT_EQ(reiser_->GetBlockSize(), 4096u);
    EXPECT_EQ(reiser_->GetBlockCount(), 40u * 1024 * 1024 / 4096);
    ExpectSameAsGuestTree(*reiser_);
}

TEST_F(ReiserVolume, VolumeNameIdentityParentsAndBitmap) {
    const auto* name = image_->record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), "drovik-reiser");
    const std::vector<std::uint8_t> identity = reiser_->GetIdentity();
    ASSERT_EQ(identity.size(), 21u);
    EXPECT_EQ(identity[0], fstype::kReiser);
    EXPECT_TRUE(
        std::equal(identity.begin() + 1, identity.begin() + 17, bytes_.begin() + 65536 + 84));

    auto leaf = reiser_->FindByPath(u"/deep/a/b/c/leaf.txt", reiser_->GetRootId());
    auto folder = reiser_->FindByPath(u"/deep/a/b/c", reiser_->GetRootId());
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(leaf->parentId, folder->id);
    auto byId = reiser_->GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"c");
    EXPECT_EQ(reiser_->BuildPath(*leaf), u"/deep/a/b/c/leaf.txt");

    // The bitmap counts as many used blocks as the superblock says are not free.
    std::uint64_t used = 0;
    for (std::uint64_t block = 0; block < reiser_->GetBlockCount(); ++block) {
        used += reiser_->IsBlockUsed(block);
    }
    EXPECT_EQ(used, Super32(0) - Super32(4));
}

TEST_F(ReiserVolume, FragmentedFilesHaveManyBlocksAndTailsReadFromTheTree) {
    // frag.bin went into the holes of a comb: its pointers are far from consecutive.
    auto frag = reiser_->OpenObject(*reiser_->FindByPath(u"/frag.bin", reiser_->GetRootId()));
    ASSERT_TRUE(frag);
    EXPECT_TRUE(ReadToEnd(*frag) == LoadFile(GuestFolder() + "/tree/frag.bin"));
    // Small files live inside tree nodes as direct items.
    auto small =
        reiser_->OpenObject(*reiser_->FindByPath(u"/many/entry-0006.txt", reiser_->GetRootId()));
    ASSERT_TRUE(small);
    EXPECT_EQ(ReadToEnd(*small), LoadFile(GuestFolder() + "/tree/many/entry-0006.txt"));
    // Reads from the middle of the file, across block edges.
    std::vector<std::uint8_t> piece(5000);
    frag->Seek(4096 * 7 - 100);
    ASSERT_EQ(frag->Read(piece.data(), 5000), 5000u);
    const auto whole = LoadFile(GuestFolder() + "/tree/frag.bin");
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), whole.begin() + 4096 * 7 - 100));
}

TEST_F(ReiserVolume, ATreeThatPointsAtItselfOrAMagicMissingIsNoVolume) {
    const std::uint32_t root = Super32(8);
    const std::size_t node = std::size_t(root) * 4096;
    const std::uint16_t level = bytes::unchecked::Le16(bytes_.data() + node);
    ASSERT_GE(level, 2) << "the tree should have internal nodes";
    const std::uint16_t count = bytes::unchecked::Le16(bytes_.data() + node + 2);
    const std::vector<std::uint8_t> clean = bytes_;
    // Every child pointer of the root names the root itself: levels do not shrink.
    for (std::size_t i = 0; i <= count; ++i) {
        bytes::PutLe32(bytes_.data() + node + 24 + count * 16 + i * 8, root);
    }
    EXPECT_FALSE(DetectedImage(bytes_).reader) << "no root folder can be found";
    // The root's level made too high for the superblock's tree: still ends.
    bytes_ = clean;
    bytes::PutLe16(bytes_.data() + node, 9);
    EXPECT_FALSE(DetectedImage(bytes_).reader);
    // A superblock without its magic is no volume.
    bytes_ = clean;
    bytes_[65536 + 52] = 'X';
    EXPECT_FALSE(DetectedImage(bytes_).reader);
}

} // namespace
