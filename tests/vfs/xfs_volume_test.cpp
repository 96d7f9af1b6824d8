// The XFS reader on version 5 and version 4 volumes made by mkfs.xfs (filled through a
// loop mount, or from a prototype file), compared with the trees they hold, with xfs_db's
// view of their inodes and free space, and on damaged copies.

#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/fat_volume.h"
#include "vfs/volume_walk.h"
#include "vfs/xfs/vxfs.h"
#include "vfs/xfs/xfs_params.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace vfs_test;

namespace {

std::string Folder() {
    static const std::string folder = fixtures::Folder("xfs-images.sh");
    return folder;
}

std::string Tree() {
    return Folder() + "/xfs5-tree";
}

// One field of an inode as xfs_db prints it ("core.format = 3 (btree)" gives "3 (btree)").
std::string InodeField(const std::string& image, std::uint64_t inode, const std::string& field) {
    const std::string out = RunCommand("xfs_db -r -c 'inode " + std::to_string(inode) +
                                       "' -c 'print " + field + "' '" + image + "' 2>/dev/null");
    const std::size_t equals = out.find(" = ");
    return equals == std::string::npos ? "" : out.substr(equals + 3, out.find('\n') - equals - 3);
}

using Mounted = MountedImage<cVXFS>;

class XfsImage : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the images needs a loop mount";
        }
        ASSERT_FALSE(Folder().empty());
        mounted_ = fattest::MountImage(Image());
        xfs_ = dynamic_cast<cVXFS*>(mounted_.fs.get());
        ASSERT_TRUE(xfs_) << "not detected as XFS";
    }
    std::string Image() const { return Folder() + "/" + GetParam() + ".img"; }
    bool V5() const { return std::string(GetParam()) == "xfs5"; }
    std::uint64_t Id(const std::u16string& path) {
        auto entry = xfs_->FindByPath(path, xfs_->GetRootId());
        EXPECT_TRUE(entry) << utf::ToUtf8(path);
        return entry ? entry->id : 0;
    }

    fattest::Mounted mounted_;
    cVXFS* xfs_ = nullptr;
};

TEST_P(XfsImage, EveryPathSizeAndByteMatchesTheSourceTree) {
    EXPECT_EQ(xfs_->Geometry().v5, V5());
    ExpectSameAsTree(*xfs_, Tree());
    EXPECT_FALSE(xfs_->FindByPath(u"/link", xfs_->GetRootId()));
}

TEST_P(XfsImage, FixtureHoldsEveryFolderAndFileForm) {
    // xfs_db's fork formats: 1 local (short form), 2 extents, 3 B+tree.
    EXPECT_EQ(InodeField(Image(), Id(u"/short"), "core.format").substr(0, 1), "1");
    for (const char16_t* folder : {u"/block", u"/leaf", u"/big.bin"}) {
        EXPECT_EQ(InodeField(Image(), Id(folder), "core.format").substr(0, 1), "2")
            << utf::ToUtf8(folder);
    }
    // A node-form folder has more extents (data, hash and free-space blocks) than fit.
    EXPECT_EQ(InodeField(Image(), Id(u"/node"), "core.format").substr(0, 1), "3");
    if (V5()) {
        EXPECT_EQ(InodeField(Image(), Id(u"/btree"), "core.format").substr(0, 1), "3");
        EXPECT_EQ(InodeField(Image(), Id(u"/sparse.bin"), "core.format").substr(0, 1), "3");
    }
    // Folders of one block, of data blocks with one hash block, and with a node above
    // the hash blocks: their sizes tell which.
    const std::uint32_t dirBlock = xfs_->Geometry().DirBlockBytes();
    EXPECT_EQ(std::stoull(InodeField(Image(), Id(u"/block"), "core.size")), dirBlock);
    EXPECT_GT(std::stoull(InodeField(Image(), Id(u"/leaf"), "core.size")), dirBlock);
    EXPECT_GT(std::stoull(InodeField(Image(), Id(u"/node"), "core.size")), 8u * dirBlock);
}

TEST_P(XfsImage, LabelIdentityAndObjectsById) {
    const auto* name = mounted_.record->FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), std::string("drovik-") + GetParam());
    const std::vector<std::uint8_t> identity = xfs_->GetIdentity();
    ASSERT_EQ(identity.size(), 25u);
    EXPECT_EQ(identity[0], fstype::kXfs);
    EXPECT_EQ(xfs_->GetBlockCount() * xfs_->GetBlockSize(), LoadFile(Image()).size());

    auto leaf = xfs_->FindByPath(u"/deep/a/b/c/d/leaf.txt", xfs_->GetRootId());
    auto folder = xfs_->FindByPath(u"/deep/a/b/c", xfs_->GetRootId());
    ASSERT_TRUE(leaf && folder);
    auto byId = xfs_->GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"c");
    EXPECT_EQ(xfs_->BuildPath(*leaf), u"/deep/a/b/c/d/leaf.txt");
    EXPECT_EQ(xfs_->GetObject(leaf->id)->name, u"file" + utf::FromAscii(std::to_string(leaf->id)));
    auto root = xfs_->GetObject(xfs_->GetRootId());
    ASSERT_TRUE(root);
    EXPECT_EQ(xfs_->BuildPath(*root), u"/");
    EXPECT_FALSE(xfs_->GetObject(0));
    EXPECT_FALSE(xfs_->GetObject(~std::uint64_t(0)));
    EXPECT_FALSE(xfs_->FindByPath(u"/link", xfs_->GetRootId()));
}

TEST_P(XfsImage, FreeBlocksMatchTheGroupHeaders) {
    std::uint64_t expected = 0;
    for (std::uint32_t group = 0; group < xfs_->Geometry().agCount; ++group) {
        const std::string out = RunCommand("xfs_db -r -c 'agf " + std::to_string(group) +
                                           "' -c 'print freeblks' '" + Image() + "'");
        expected += std::stoull(out.substr(out.find(" = ") + 3));
    }
    std::uint64_t free = 0;
    for (std::uint64_t block = 0; block < xfs_->GetBlockCount(); ++block) {
        free += !xfs_->IsBlockUsed(block);
    }
    EXPECT_EQ(free, expected);
    // The superblock and the first group's headers are used.
    EXPECT_TRUE(xfs_->IsBlockUsed(0));
}

INSTANTIATE_TEST_SUITE_P(Images, XfsImage, ::testing::Values("xfs5", "xfs4"));

TEST(XfsParams, VolumeWithoutSuperblockMountsFromFoundGeometry) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    ASSERT_FALSE(Folder().empty());
    for (const char* name : {"xfs5", "xfs4"}) {
        std::vector<std::uint8_t> image = LoadFile(Folder() + "/" + name + ".img");
        Mounted intact(image);
        ASSERT_TRUE(intact.typed) << name;
        const cExtXFSParams params = xfs::ParamsOf(intact.typed->Geometry());
        const auto expected = WalkTree(*intact.typed);
        std::fill_n(image.begin(), 512, 0);
        Mounted wiped(image);
        EXPECT_FALSE(wiped.reader) << name;

        cVXFS fs;
        ASSERT_TRUE(fs.MountWithParams(wiped.record, &params)) << name;
        EXPECT_EQ(fs.Geometry().v5, std::string(name) == "xfs5");
        bool ok = true;
        const auto listed = WalkTree(fs, &ok);
        EXPECT_TRUE(ok) << name;
        EXPECT_EQ(listed.size(), expected.size()) << name;

        // Geometry that fails the superblock's checks, or another kind of parameters.
        cExtXFSParams odd = params;
        odd.blockSize = 1000;
        EXPECT_FALSE(cVXFS().MountWithParams(wiped.record, &odd));
        odd = params;
        odd.agBlockLog = 4;
        EXPECT_FALSE(cVXFS().MountWithParams(wiped.record, &odd));
        const cExternalVFSParams none;
        EXPECT_FALSE(cVXFS().MountWithParams(wiped.record, &none));
    }
}

TEST(XfsDamaged, UnreadableFreeSpaceTreesAnswerFreeForEveryBlock) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    ASSERT_FALSE(Folder().empty());
    std::vector<std::uint8_t> image = LoadFile(Folder() + "/xfs5.img");
    Mounted intact(image);
    ASSERT_TRUE(intact.typed);
    // The last group's free-space header loses its magic; the probe reads only the first.
    const xfs::cGeometry& g = intact.typed->Geometry();
    const std::uint64_t agf =
        std::uint64_t(g.agCount - 1) * g.agBlocks * g.blockSize + g.sectorSize;
    image[agf] = 'Y';
    Mounted damaged(image);
    ASSERT_TRUE(damaged.typed);
    for (std::uint64_t block : {std::uint64_t(0), std::uint64_t(1), g.dataBlocks - 1}) {
        EXPECT_FALSE(damaged.typed->IsBlockUsed(block)) << block;
    }
    EXPECT_TRUE(intact.typed->IsBlockUsed(0));
}

TEST(XfsDamaged, TreeLevelsThatDoNotShrinkFailOnlyTheirFile) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    ASSERT_FALSE(Folder().empty());
    std::vector<std::uint8_t> image = LoadFile(Folder() + "/xfs5.img");
    Mounted intact(image);
    ASSERT_TRUE(intact.typed);
    auto sparse = intact.typed->FindByPath(u"/sparse.bin", intact.typed->GetRootId());
    ASSERT_TRUE(sparse);
    // The root inside the inode says level 1; its child, a leaf, now claims level 1 too.
    const std::uint64_t child =
        std::stoull(InodeField(Folder() + "/xfs5.img", sparse->id, "u3.bmbt.ptrs[1]"));
    const std::optional<std::uint64_t> block = intact.typed->Geometry().LinearBlock(child);
    ASSERT_TRUE(block);
    image[*block * intact.typed->GetBlockSize() + 5] = 1;
    Mounted damaged(image);
    ASSERT_TRUE(damaged.typed);
    auto entry = damaged.typed->FindByPath(u"/sparse.bin", damaged.typed->GetRootId());
    ASSERT_TRUE(entry);
    EXPECT_FALSE(damaged.typed->OpenObject(*entry));
    auto big = damaged.typed->FindByPath(u"/big.bin", damaged.typed->GetRootId());
    ASSERT_TRUE(big);
    EXPECT_TRUE(damaged.typed->OpenObject(*big));
}

} // namespace
