// The UFS readers on volumes made by FreeBSD's makefs (UFS1 and UFS2, little and big
// endian, small and default blocks), compared with the tree they hold and with The Sleuth
// Kit's view of their free fragments, on an Adaptec-form copy and on damaged copies.

#include "support/fixtures.h"
#include "vfs/ufs/ufs_blocks.h"
#include "vfs/ufs/vufs.h"
#include "vfs/volume_walk.h"

#include <gtest/gtest.h>

using namespace vfs_test;

namespace {

std::string Folder() {
    static const std::string folder = fixtures::Folder("ufs-images.sh");
    return folder;
}

std::string Tree() {
    return Folder() + "/tree";
}

std::vector<std::uint8_t> Image(const std::string& name) {
    return LoadFile(Folder() + "/" + name + ".img");
}

constexpr std::size_t kSuperblock = 8192;

using Mounted = MountedImage<cVUFS>;

class UfsImage : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_FALSE(Folder().empty());
        mounted_ = std::make_unique<Mounted>(Image(GetParam()));
        ufs_ = mounted_->typed;
        ASSERT_TRUE(ufs_) << "not detected as UFS";
    }
    bool BigEndian() const { return std::string(GetParam()).ends_with("-be"); }
    std::optional<ufs::cInode> InodeOf(const std::u16string& path) {
        auto entry = ufs_->FindByPath(path, ufs_->GetRootId());
        EXPECT_TRUE(entry) << utf::ToUtf8(path);
        return entry ? ufs_->ReadInode(entry->id) : std::nullopt;
    }

    std::unique_ptr<Mounted> mounted_;
    cVUFS* ufs_ = nullptr;
};

TEST_P(UfsImage, EveryPathSizeAndByteMatchesTheSourceTree) {
    EXPECT_EQ(ufs_->GetFSType(), BigEndian() ? fstype::kUfsBigEndian : fstype::kUfs);
    EXPECT_EQ(ufs_->Geometry().ufs2, std::string(GetParam()).starts_with("ufs2"));
    ExpectSameAsTree(*ufs_, Tree());
}

TEST_P(UfsImage, FixtureReachesTheDoubleIndirectBlockAndEndsFilesInFragments) {
    const std::optional<ufs::cInode> large = InodeOf(u"/large.bin");
    ASSERT_TRUE(large);
    const bool smallBlocks = ufs_->Geometry().blockSize == 4096;
    EXPECT_EQ(large->indirect[1] != 0, smallBlocks);
    EXPECT_EQ(large->indirect[2], 0u);
    // A file of less than one block keeps only the fragments it needs: its handle maps
    // one fragment for a 513-byte file on 512-byte fragments.
    auto entry = ufs_->FindByPath(u"/tails/513.bin", ufs_->GetRootId());
    ASSERT_TRUE(entry);
    auto handle = ufs_->OpenObject(*entry);
    ASSERT_TRUE(handle);
    const std::uint64_t mapped =
        static_cast<cRLDrivenObjectHandle&>(*handle).Runs().LogicalLength();
    EXPECT_EQ(mapped * ufs_->GetBlockSize(),
              (513 + ufs_->GetBlockSize() - 1) / ufs_->GetBlockSize() * ufs_->GetBlockSize());
}

TEST_P(UfsImage, LabelIdentityAndObjectsById) {
    EXPECT_EQ(mounted_->Label(), std::string("drovik-") + GetParam());
    const std::vector<std::uint8_t> identity = ufs_->GetIdentity();
    ASSERT_EQ(identity.size(), 25u);
    EXPECT_EQ(identity[0], ufs_->GetFSType());
    const std::vector<std::uint8_t> bytes = Image(GetParam());
    EXPECT_TRUE(std::equal(identity.begin() + 9, identity.begin() + 17,
                           bytes.begin() + kSuperblock + 1080));
    EXPECT_EQ(ufs_->GetVolumeSectors() * 512, bytes.size());
    EXPECT_EQ(ufs_->GetBlockCount() * ufs_->GetBlockSize(), bytes.size());

    auto leaf = ufs_->FindByPath(u"/sub/deeper/leaf.txt", ufs_->GetRootId());
    auto folder = ufs_->FindByPath(u"/sub/deeper", ufs_->GetRootId());
    ASSERT_TRUE(leaf && folder);
    auto byId = ufs_->GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"deeper");
    EXPECT_EQ(ufs_->BuildPath(*leaf), u"/sub/deeper/leaf.txt");
    EXPECT_EQ(ufs_->GetObject(leaf->id)->name, u"file" + utf::FromAscii(std::to_string(leaf->id)));
    EXPECT_EQ(ufs_->BuildPath(*ufs_->GetObject(ufs_->GetRootId())), u"/");
    EXPECT_FALSE(ufs_->GetObject(0));
    EXPECT_FALSE(ufs_->GetObject(~std::uint64_t(0)));
}

TEST_P(UfsImage, FreeFragmentsMatchTheSleuthKit) {
    std::uint64_t free = 0;
    for (std::uint64_t fragment = 0; fragment < ufs_->GetBlockCount(); ++fragment) {
        free += !ufs_->IsBlockUsed(fragment);
    }
    // The superblock's totals: free blocks (offset 1016) and free loose fragments (1032).
    const std::vector<std::uint8_t> image = Image(GetParam());
    const ufs::cByteOrder order{BigEndian()};
    const std::uint64_t blocks = order.U64(*bytes::Slice<8>(image, kSuperblock + 1016));
    const std::uint64_t fragments = order.U64(*bytes::Slice<8>(image, kSuperblock + 1032));
    EXPECT_EQ(free, blocks * ufs_->Geometry().fragmentsPerBlock + fragments);
    // The Sleuth Kit reads UFS2 only at 64 KiB, not where makefs puts it.
    if (!ufs_->Geometry().ufs2) {
        const std::string out =
            RunCommand("blkls -A -l '" + Folder() + "/" + GetParam() + ".img' | grep -c '|f$'");
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(free, std::stoull(out));
    }
    EXPECT_TRUE(ufs_->IsBlockUsed(0));
    EXPECT_TRUE(ufs_->IsBlockUsed(ufs_->GetBlockCount()));
}

INSTANTIATE_TEST_SUITE_P(Images, UfsImage,
                         ::testing::Values("ufs1-le", "ufs1-be", "ufs2-le", "ufs2-be", "ufs2-wide"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(Ufs, BigEndianVolumeListsTheSameNamesAndSizesAsLittleEndian) {
    ASSERT_FALSE(Folder().empty());
    for (const char* version : {"ufs1", "ufs2"}) {
        Mounted little(Image(std::string(version) + "-le"));
        Mounted big(Image(std::string(version) + "-be"));
        ASSERT_TRUE(little.typed && big.typed) << version;
        const auto littleTree = WalkTree(*little.typed);
        const auto bigTree = WalkTree(*big.typed);
        ASSERT_EQ(littleTree.size(), bigTree.size()) << version;
        for (auto l = littleTree.begin(), b = bigTree.begin(); l != littleTree.end(); ++l, ++b) {
            EXPECT_EQ(l->first, b->first);
            EXPECT_EQ(l->second.kind, b->second.kind) << l->first;
            EXPECT_EQ(l->second.size, b->second.size) << l->first;
        }
    }
}

TEST(Ufs, ListingMatchesTheSleuthKit) {
    ASSERT_FALSE(Folder().empty());
    // fls -p prints one "type inode:\tpath" line per entry.
    // The Sleuth Kit reads UFS2 only at 64 KiB, not where makefs puts it.
    const std::string out = RunCommand("fls -r -p '" + Folder() + "/ufs1-be.img' 2>/dev/null");
    Mounted mounted(Image("ufs1-be"));
    ASSERT_TRUE(mounted.typed);
    const auto listed = WalkTree(*mounted.typed);
    std::size_t lines = 0;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at);
        const std::string line = out.substr(at, end - at);
        at = end == std::string::npos ? out.size() : end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find("$OrphanFiles") != std::string::npos) {
            continue;
        }
        ++lines;
        const auto it = listed.find("/" + line.substr(tab + 1));
        ASSERT_NE(it, listed.end()) << line;
        EXPECT_EQ(std::to_string(it->second.id), line.substr(4, line.find(':') - 4)) << line;
    }
    EXPECT_EQ(lines, listed.size());
}

// The Adaptec form: the superblock one step further, at 16 KiB, without a magic, its
// offset-8 field counting that step in blocks. Made from the UFS1 volume by moving its
// superblock there (over group 0's header, which listing and reading do not need).
TEST(Ufs, AdaptecFormListsTheTree) {
    ASSERT_FALSE(Folder().empty());
    std::vector<std::uint8_t> image = Image("ufs1-le");
    const std::size_t adaptec = 32 * 512;
    std::copy_n(image.begin() + kSuperblock, ufs::kSuperblockBytes, image.begin() + adaptec);
    bytes::PutLe32(&image[kSuperblock + 1372], 0);
    bytes::PutLe32(&image[adaptec + 1372], 0);
    bytes::PutLe32(&image[adaptec + 8], 32 / (4096 / 512));
    MountedImage<cVSnapUFS> mounted(image);
    ASSERT_TRUE(mounted.typed) << "not detected as Adaptec UFS";
    EXPECT_EQ(mounted.typed->GetFSType(), fstype::kSnapUfs);
    EXPECT_EQ(mounted.Label(), "drovik-ufs1-le");
    ExpectSameAsTree(*mounted.typed, Tree());
}

TEST(Ufs, VolumeWithoutNameIsNamedAfterItsLastMountPoint) {
    ASSERT_FALSE(Folder().empty());
    std::vector<std::uint8_t> image = Image("ufs2-le");
    std::fill_n(image.begin() + kSuperblock + 680, 32, 0);
    const std::string mountPoint = "/export/home";
    std::copy(mountPoint.begin(), mountPoint.end(), image.begin() + kSuperblock + 212);
    Mounted mounted(image);
    ASSERT_TRUE(mounted.typed);
    EXPECT_EQ(mounted.Label(), mountPoint);
}

// Damaged copies: every listing and read must end, and what is broken must show.
class UfsDamage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Folder().empty());
        image_ = Image("ufs2-le");
        Mounted intact(image_);
        ASSERT_TRUE(intact.typed);
        geometry_ = intact.typed->Geometry();
        large_ = Position(*intact.typed, u"/large.bin");
        sub_ = Position(*intact.typed, u"/sub");
    }
    std::uint64_t Position(cVUFS& fs, const std::u16string& path) {
        auto entry = fs.FindByPath(path, fs.GetRootId());
        EXPECT_TRUE(entry);
        return entry ? *fs.Geometry().InodePosition(entry->id) : 0;
    }

    std::vector<std::uint8_t> image_;
    ufs::cGeometry geometry_;
    std::uint64_t large_ = 0;
    std::uint64_t sub_ = 0;
};

TEST_F(UfsDamage, PointerPastTheVolumeMarksTheFileDamaged) {
    // The double indirect pointer of UFS2 inodes sits at 208 + 8.
    bytes::PutLe64(&image_[large_ + 216], geometry_.fragments + 5);
    Mounted mounted(image_);
    ASSERT_TRUE(mounted.typed);
    auto entry = mounted.typed->FindByPath(u"/large.bin", mounted.typed->GetRootId());
    ASSERT_TRUE(entry);
    auto handle = mounted.typed->OpenObject(*entry);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(handle->IsDamaged());
    const auto read = ReadToEnd(*handle);
    EXPECT_LT(read.size(), entry->size);
    const auto source = LoadFile(Tree() + "/large.bin");
    EXPECT_TRUE(std::equal(read.begin(), read.end(), source.begin()));
}

TEST_F(UfsDamage, IndirectBlocksThatRepeatThemselvesEnd) {
    // The single indirect block's pointers all name the indirect block itself, and the
    // file claims the largest size there is.
    const std::uint64_t indirect = *bytes::Le64At(image_, large_ + 208);
    const std::uint64_t at = indirect * geometry_.fragmentSize;
    for (std::uint64_t n = 0; n < geometry_.PointersPerBlock(); ++n) {
        bytes::PutLe64(&image_[at + n * 8], indirect);
    }
    bytes::PutLe64(&image_[large_ + 16], ~std::uint64_t(0) >> 1);
    Mounted mounted(image_);
    ASSERT_TRUE(mounted.typed);
    auto entry = mounted.typed->FindByPath(u"/large.bin", mounted.typed->GetRootId());
    ASSERT_TRUE(entry);
    EXPECT_TRUE(mounted.typed->OpenObject(*entry));
}

TEST_F(UfsDamage, FolderRecordsOfLengthZeroOrPastTheirDataEndTheListing) {
    Mounted intact(image_);
    const std::uint64_t first = *bytes::Le64At(image_, sub_ + 112) * geometry_.fragmentSize;
    // "." and ".." stand first; the third record is cut to length 0.
    const std::uint16_t dot = *bytes::Le16At(image_, first + 4);
    const std::uint16_t dotdot = *bytes::Le16At(image_, first + dot + 4);
    bytes::PutLe16(&image_[first + dot + dotdot + 4], 0);
    Mounted cut(image_);
    ASSERT_TRUE(cut.typed);
    std::vector<std::u16string> names;
    cFSFolder sub;
    sub.id = cut.typed->FindByPath(u"/sub", cut.typed->GetRootId())->id;
    EXPECT_TRUE(cut.typed->EnumFolder(sub, [&](cFSObject& entry) {
        names.push_back(entry.name);
        return true;
    }));
    EXPECT_EQ(names, (std::vector<std::u16string>{u".", u".."}));
    // A first record longer than the folder ends it before anything is listed.
    bytes::PutLe16(&image_[first + 4], 0xFFFF);
    Mounted past(image_);
    ASSERT_TRUE(past.typed);
    names.clear();
    EXPECT_TRUE(past.typed->EnumFolder(sub, [&](cFSObject& entry) {
        names.push_back(entry.name);
        return true;
    }));
    EXPECT_TRUE(names.empty());
}

TEST_F(UfsDamage, FolderThatHoldsItsParentEnds) {
    // /sub/deeper's inode number now names the root: a loop for a careless walk.
    Mounted intact(image_);
    const std::uint64_t first = *bytes::Le64At(image_, sub_ + 112) * geometry_.fragmentSize;
    bool patched = false;
    for (std::uint64_t at = first; at < first + 512;) {
        const std::uint16_t length = *bytes::Le16At(image_, at + 4);
        if (std::string(reinterpret_cast<const char*>(&image_[at + 8]), image_[at + 7]) ==
            "deeper") {
            bytes::PutLe32(&image_[at], 2);
            patched = true;
        }
        at += length;
    }
    ASSERT_TRUE(patched);
    Mounted looped(image_);
    ASSERT_TRUE(looped.typed);
    bool ok = true;
    const auto tree = WalkTree(*looped.typed, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(tree.count("/sub/deeper"));
}

TEST_F(UfsDamage, SuperblockWithImpossibleGeometryIsNotMounted) {
    for (const std::size_t field : {52u, 56u, 44u, 184u}) {
        std::vector<std::uint8_t> image = image_;
        bytes::PutLe32(&image[kSuperblock + field], 0);
        Mounted mounted(image);
        EXPECT_FALSE(mounted.typed) << field;
    }
}

} // namespace
