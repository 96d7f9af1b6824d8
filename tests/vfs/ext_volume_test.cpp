// The Ext2/3/4 reader on volumes made by mke2fs -d and through a loop mount, mounted by
// detection and compared with the trees they were made from, with debugfs and dumpe2fs,
// and with The Sleuth Kit's listing of the same images.

#include "base/utf.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/ext/ext_extent.h"
#include "vfs/ext/vext.h"
#include "vfs/volume_walk.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace vfs_test;
namespace fs = std::filesystem;

namespace {

using Mounted = MountedImage<cVExt23>;

struct ImageCase {
    const char* image;
    const char* tree;
    const char* label;
};

std::string Folder() {
    static const std::string folder = fixtures::Folder("ext-images.sh");
    return folder;
}

// Compares a handle with a source file that may be gigabytes of holes: every data range
// the source holds byte for byte, and the first and last bytes of every hole.
void ExpectSameSparseBytes(cObjectHandle& handle, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ASSERT_EQ(std::uint64_t(size), handle.GetSize()) << path;
    std::vector<std::uint8_t> want(65536), got(65536);
    auto compare = [&](off_t at, std::size_t length, bool zeros) {
        handle.Seek(std::uint64_t(at));
        ASSERT_EQ(handle.Read(got.data(), std::uint32_t(length)), length) << path << " at " << at;
        if (zeros) {
            std::fill_n(want.begin(), length, 0);
        } else {
            ASSERT_EQ(::pread(fd, want.data(), length, at), ssize_t(length));
        }
        ASSERT_TRUE(std::equal(want.begin(), want.begin() + length, got.begin()))
            << path << " differs at " << at;
    };
    for (off_t at = 0; at < size;) {
        off_t data = ::lseek(fd, at, SEEK_DATA);
        data = data < 0 ? size : data;
        if (data > at) { // a hole from at to data
            compare(at, std::size_t(std::min<off_t>(4096, data - at)), true);
            compare(data - std::min<off_t>(4096, data - at),
                    std::size_t(std::min<off_t>(4096, data - at)), true);
        }
        const off_t hole = data < size ? ::lseek(fd, data, SEEK_HOLE) : size;
        for (off_t piece = data; piece < hole; piece += 65536) {
            compare(piece, std::size_t(std::min<off_t>(65536, hole - piece)), false);
        }
        at = hole;
    }
    ::close(fd);
}

class ExtImage : public ::testing::TestWithParam<ImageCase> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the images needs a loop mount";
        }
        ASSERT_FALSE(Folder().empty());
        mounted_ = std::make_unique<Mounted>(LoadFile(Folder() + "/" + GetParam().image));
        ASSERT_TRUE(mounted_->typed) << "not detected as Ext2/3/4";
    }
    std::string Tree() const { return Folder() + "/" + GetParam().tree; }
    cVExt23& Ext() { return *mounted_->typed; }

    std::unique_ptr<Mounted> mounted_;
};

// Every path of tree listed with its kind and size, nothing else, and every file's bytes.
void ExpectTheTree(cVExt23& ext, const std::string& tree) {
    bool ok = true;
    auto listed = WalkTree(ext, &ok);
    EXPECT_TRUE(ok);
    // mke2fs makes lost+found, which no source tree holds.
    EXPECT_EQ(listed.count("/lost+found"), 1u);
    listed.erase("/lost+found");
    const auto source = SourceTree(tree);
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (it == listed.end()) {
            ADD_FAILURE() << "not listed: " << path;
            continue;
        }
        EXPECT_EQ(it->second.kind, want.kind) << path;
        if (want.kind == fskind::kFile) {
            EXPECT_EQ(it->second.size, want.size) << path;
        }
    }
    for (const auto& [path, got] : listed) {
        EXPECT_TRUE(source.count(path)) << "listed but not in the tree: " << path;
    }
    for (const char* special :
         {"/link-short", "/link-long", "/char-device", "/block-device", "/fifo"}) {
        EXPECT_EQ(listed.count(special), 0u) << special;
    }
    // Each file by the id its listing gave, as the copy job opens what it lists.
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (want.kind != fskind::kFile || it == listed.end()) {
            continue;
        }
        auto entry = ext.GetObject(it->second.id);
        auto handle = entry ? ext.OpenObject(*entry) : nullptr;
        ASSERT_TRUE(handle) << path;
        EXPECT_FALSE(handle->IsDamaged()) << path;
        if (want.size > (64u << 20)) {
            ExpectSameSparseBytes(*handle, tree + path);
            continue;
        }
        const auto bytes = ReadToEnd(*handle);
        EXPECT_TRUE(bytes == LoadFile(tree + path))
            << path << ": " << bytes.size() << " bytes read";
    }
}

TEST_P(ExtImage, EveryPathSizeAndByteMatchesTheSourceTree) {
    ExpectTheTree(Ext(), Tree());
}

TEST_P(ExtImage, ListingAgreesWithTheSleuthKit) {
    // fls -r -p: "r/r 12:\tpath"; links, devices, deleted names and the virtual orphan
    // folder are not what a listing shows. The Sleuth Kit at times takes a stale slot of a
    // hashed folder's block for a live entry, named by whatever bytes were left there; the
    // fixtures name everything in UTF-8, so a path that is not is such a phantom.
    std::map<std::string, std::uint64_t> expected;
    std::istringstream fls(RunCommand("fls -r -p '" + Folder() + "/" + GetParam().image + "'"));
    for (std::string line; std::getline(fls, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find(" * ") != std::string::npos ||
            (line.compare(0, 3, "r/r") != 0 && line.compare(0, 3, "d/d") != 0)) {
            continue;
        }
        if (const std::string path = line.substr(tab + 1);
            utf::ToUtf8(utf::FromUtf8(path)) != path) {
            continue;
        }
        expected["/" + line.substr(tab + 1)] = std::stoull(line.substr(4));
    }
    ASSERT_FALSE(expected.empty());
    std::map<std::string, std::uint64_t> got;
    for (const auto& [path, entry] : WalkTree(Ext())) {
        got[path] = entry.id;
    }
    EXPECT_EQ(got, expected);
}

TEST_P(ExtImage, VolumeNameIdentityAndObjects) {
    const auto* name = mounted_->record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
    ASSERT_TRUE(name);
    EXPECT_EQ(utf::ToUtf8(name->Name()), GetParam().label);
    const std::vector<std::uint8_t> identity = Ext().GetIdentity();
    ASSERT_EQ(identity.size(), 25u);
    EXPECT_EQ(identity[0], fstype::kExt);
    Mounted again(LoadFile(Folder() + "/" + GetParam().image));
    ASSERT_TRUE(again.typed);
    EXPECT_EQ(again.typed->GetIdentity(), identity);

    // A folder finds its parent through ".." and its name in the parent's listing.
    auto leaf = Ext().FindByPath(u"/deep/a/b/c/leaf.txt", Ext().GetRootId());
    auto folder = Ext().FindByPath(u"/deep/a/b/c", Ext().GetRootId());
    ASSERT_TRUE(leaf && folder);
    EXPECT_EQ(leaf->parentId, folder->id);
    auto byId = Ext().GetObject(folder->id);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->name, u"c");
    EXPECT_EQ(byId->parentId, Ext().FindByPath(u"/deep/a/b", Ext().GetRootId())->id);
    EXPECT_EQ(Ext().BuildPath(*leaf), u"/deep/a/b/c/leaf.txt");
    EXPECT_EQ(Ext().GetObject(leaf->id)->name, u"file" + utf::FromAscii(std::to_string(leaf->id)));
    // A scan that found the inode opens the file by the inode's place.
    const std::optional<std::uint64_t> position = Ext().InodePosition(leaf->id);
    ASSERT_TRUE(position);
    auto byRecord = Ext().OpenObjectAtRecord(*position);
    ASSERT_TRUE(byRecord);
    const auto bytes = ReadToEnd(*byRecord);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "deep\n");
    EXPECT_FALSE(Ext().OpenObjectAtRecord(mounted_->record.Length() * 512 - 64));
    EXPECT_FALSE(Ext().OpenObjectAtRecord(~std::uint64_t(0) - 10));
    auto root = Ext().GetObject(Ext().GetRootId());
    ASSERT_TRUE(root);
    EXPECT_EQ(Ext().BuildPath(*root), u"/");
    // Links and devices are no objects; inode 0 and inodes past the tables none either.
    for (const char16_t* special : {u"/link-short", u"/char-device"}) {
        EXPECT_FALSE(Ext().FindByPath(special, Ext().GetRootId()));
    }
    EXPECT_FALSE(Ext().GetObject(0));
    EXPECT_FALSE(Ext().GetObject(std::uint64_t(Ext().Superblock().inodesCount) + 1));
}

TEST_P(ExtImage, BlockBitmapMatchesDebugfs) {
    const std::uint64_t blocks = std::min<std::uint64_t>(Ext().GetBlockCount() - 1, 20000);
    std::istringstream testb(RunCommand("debugfs -R 'testb 1 " + std::to_string(blocks) + "' '" +
                                        Folder() + "/" + GetParam().image + "' 2>/dev/null"));
    std::size_t compared = 0;
    for (std::string line; std::getline(testb, line);) {
        std::uint64_t block = 0;
        if (std::sscanf(line.c_str(), "Block %lu", &block) != 1) {
            continue;
        }
        const bool used = line.find("not in use") == std::string::npos;
        EXPECT_EQ(Ext().IsBlockUsed(block), used) << "block " << block;
        ++compared;
    }
    EXPECT_GT(compared, blocks / 2);
    EXPECT_TRUE(Ext().IsBlockUsed(Ext().GetBlockCount()));
}

INSTANTIATE_TEST_SUITE_P(Images, ExtImage,
                         ::testing::Values(ImageCase{"ext2.img", "tree", "drovik-ext2"},
                                           ImageCase{"ext3.img", "tree", "drovik-ext3"},
                                           ImageCase{"ext4.img", "tree", "drovik-ext4"},
                                           ImageCase{"ext4-loop.img", "tree-loop", "drovik-loop"}),
                         [](const auto& info) {
                             std::string name = info.param.image;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

// The loop-mounted volume, for what only the kernel writes.
class ExtLoop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "making the images needs a loop mount";
        }
        ASSERT_FALSE(Folder().empty());
        image_ = LoadFile(Folder() + "/ext4-loop.img");
        mounted_ = std::make_unique<Mounted>(image_);
        ASSERT_TRUE(mounted_->typed);
    }
    cVExt23& Ext() { return *mounted_->typed; }
    ext::cInode Inode(const char16_t* path) {
        auto entry = Ext().FindByPath(path, Ext().GetRootId());
        EXPECT_TRUE(entry);
        return entry ? Ext().ReadInode(entry->id).value_or(ext::cInode{}) : ext::cInode{};
    }
    std::unique_ptr<cObjectHandle> Open(const char16_t* path) {
        auto entry = Ext().FindByPath(path, Ext().GetRootId());
        return entry ? Ext().OpenObject(*entry) : nullptr;
    }
    // The extent tree node in volume block n, in the image bytes.
    std::uint8_t* Block(std::uint64_t n) { return &image_[n * Ext().GetBlockSize()]; }

    std::vector<std::uint8_t> image_;
    std::unique_ptr<Mounted> mounted_;
};

TEST_F(ExtLoop, UnwrittenExtentsReadAsZerosNotAsTheBlocksOldBytes) {
    const ext::cInode inode = Inode(u"/prealloc.bin");
    ASSERT_TRUE(inode.UsesExtents());
    const auto header = ext::ParseExtentHeader(inode.blockArea);
    ASSERT_TRUE(header && header->depth == 0 && header->entries >= 2);
    const ext::cExtent first = ext::ExtentAt(inode.blockArea, 0);
    ASSERT_TRUE(first.unwritten);
    // The blocks under the unwritten extent still hold a deleted file's bytes.
    const std::uint8_t* stale = Block(first.physical);
    EXPECT_TRUE(
        std::any_of(stale, stale + Ext().GetBlockSize(), [](std::uint8_t b) { return b != 0; }));
    auto handle = Open(u"/prealloc.bin");
    ASSERT_TRUE(handle);
    EXPECT_TRUE(ReadToEnd(*handle) == LoadFile(Folder() + "/tree-loop/prealloc.bin"));
    // debugfs reads the file the same way.
    const std::string debugfs =
        RunCommand("debugfs -R 'cat /prealloc.bin' '" + Folder() + "/ext4-loop.img' 2>/dev/null");
    const auto expected = LoadFile(Folder() + "/tree-loop/prealloc.bin");
    EXPECT_TRUE(debugfs == std::string(expected.begin(), expected.end()));
}

TEST_F(ExtLoop, DeepExtentTreeReadsWholeAndItsDepthIsChecked) {
    const ext::cInode inode = Inode(u"/frag/punched.bin");
    const auto root = ext::ParseExtentHeader(inode.blockArea);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->depth, 2);
    auto handle = Open(u"/frag/punched.bin");
    ASSERT_TRUE(handle);
    EXPECT_TRUE(ReadToEnd(*handle) == LoadFile(Folder() + "/tree-loop/frag/punched.bin"));

    const std::uint64_t child = ext::IndexAt(inode.blockArea, 0).child;
    std::uint8_t* depth = Block(child) + 6;
    const std::uint8_t kept = *depth;
    auto reopen = [&] {
        Mounted damaged(image_);
        auto entry = damaged.typed->FindByPath(u"/frag/punched.bin", damaged.typed->GetRootId());
        return entry ? damaged.typed->OpenObject(*entry) != nullptr : false;
    };
    ASSERT_TRUE(reopen());
    *depth = 2; // a child as deep as its parent
    EXPECT_FALSE(reopen());
    *depth = kept;
    // A child whose first index entry points back at itself.
    std::uint8_t* pointer = Block(child) + 12 + 4;
    const std::uint32_t leaf = bytes::Le32At(bytes::Span(pointer, 4), 0).value_or(0);
    bytes::PutLe32(pointer, std::uint32_t(child));
    EXPECT_FALSE(reopen());
    bytes::PutLe32(pointer, leaf);
    ASSERT_TRUE(reopen());
}

TEST_F(ExtLoop, HashedFolderOfManyBlocksListsEveryEntry) {
    auto many = Ext().FindByPath(u"/many", Ext().GetRootId());
    ASSERT_TRUE(many);
    EXPECT_GT(many->size, 16u * Ext().GetBlockSize());
    std::set<std::u16string> names;
    EXPECT_TRUE(Ext().EnumFolder(*many, [&](cFSObject& entry) {
        names.insert(entry.name);
        return true;
    }));
    EXPECT_EQ(names.size(), 3000u + 2);
    EXPECT_EQ(names.count(u"a-file-with-a-longer-name-2999"), 1u);
}

TEST(ExtFixture, Ext4HasWideDescriptorsAndEveryGroupMatchesDumpe2fs) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    Mounted mounted(LoadFile(Folder() + "/ext4.img"));
    ASSERT_TRUE(mounted.typed);
    const ext::cSuperblock& sb = mounted.typed->Superblock();
    EXPECT_EQ(sb.descriptorSize, 64u);
    ASSERT_GT(sb.groupCount, 1u);
    // dumpe2fs: "Group 1: (Blocks 8193-16384) csum 0x1234 [INODE_UNINIT]" then, a few
    // lines on, "  Inode table at 290-545 (bg #0 + 289)".
    std::istringstream dump(RunCommand("dumpe2fs '" + Folder() + "/ext4.img' 2>/dev/null"));
    std::vector<std::uint64_t> tables;
    for (std::string line; std::getline(dump, line);) {
        std::uint64_t first = 0;
        if (std::sscanf(line.c_str(), "  Inode table at %lu", &first) == 1) {
            tables.push_back(first);
        }
    }
    ASSERT_EQ(tables.size(), sb.groupCount);
    for (std::size_t g = 0; g < tables.size(); ++g) {
        EXPECT_EQ(mounted.typed->Groups()[g].inodeTable, tables[g]) << "group " << g;
    }
    // Files in the folders placed in later groups read through those groups' tables.
    bool later = false;
    for (const auto& [path, entry] : WalkTree(*mounted.typed)) {
        later |= entry.id > sb.inodesPerGroup;
    }
    EXPECT_TRUE(later);
}

TEST(ExtFixture, Ext2HugeFileNeedsTheTripleIndirectBlock) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    Mounted mounted(LoadFile(Folder() + "/ext2.img"));
    ASSERT_TRUE(mounted.typed);
    auto huge = mounted.typed->FindByPath(u"/huge.bin", mounted.typed->GetRootId());
    ASSERT_TRUE(huge);
    EXPECT_GT(huge->size, 4ull << 30);
    const ext::cInode inode = *mounted.typed->ReadInode(huge->id);
    EXPECT_FALSE(inode.UsesExtents());
    EXPECT_NE(bytes::Le32At(inode.blockArea, 14 * 4), 0u);
}

// The fuzz seeds' volumes: a whole ext4 one and copies damaged in one structure each.
TEST(ExtDamaged, EachDamageFailsOnlyWhatItTouches) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    const std::string folder = fixtures::Folder("ext-seed.sh");
    ASSERT_FALSE(folder.empty());
    auto load = [&](const char* name) {
        return std::make_unique<Mounted>(LoadFile(folder + "/" + name + ".img"));
    };
    auto opens = [](Mounted& m, const char16_t* path) {
        auto entry = m.typed->FindByPath(path, m.typed->GetRootId());
        return entry && m.typed->OpenObject(*entry) != nullptr;
    };
    const auto whole = load("ext4");
    ASSERT_TRUE(whole->typed);
    const auto listed = WalkTree(*whole->typed);
    EXPECT_EQ(listed.count("/readme.txt"), 1u);
    EXPECT_EQ(listed.count("/dir/entry-number-60.txt"), 1u);
    EXPECT_TRUE(opens(*whole, u"/sparse.bin"));
    auto prealloc = whole->typed->FindByPath(u"/prealloc.bin", whole->typed->GetRootId());
    ASSERT_TRUE(prealloc);
    const auto bytes = ReadToEnd(*whole->typed->OpenObject(*prealloc));
    std::vector<std::uint8_t> expected(20 * 1024);
    std::string written = "written\n";
    std::copy(written.begin(), written.end(), expected.begin() + 8192);
    EXPECT_TRUE(bytes == expected);

    EXPECT_FALSE(load("ext4-groups")->typed); // 2^32 groups: no descriptor table that large
    for (const char* tree : {"ext4-depth", "ext4-loop"}) {
        const auto damaged = load(tree);
        ASSERT_TRUE(damaged->typed) << tree;
        EXPECT_FALSE(opens(*damaged, u"/sparse.bin")) << tree;
        EXPECT_TRUE(opens(*damaged, u"/readme.txt")) << tree;
    }
    for (const char* name : {"ext4-name", "ext4-inode"}) {
        const auto damaged = load(name);
        ASSERT_TRUE(damaged->typed) << name;
        bool ok = true;
        const auto names = WalkTree(*damaged->typed, &ok);
        EXPECT_TRUE(ok) << name;
        EXPECT_EQ(names.count("/readme.txt"), 0u) << name;
        EXPECT_EQ(names.count("/lost+found"), 1u) << name;
    }
    // A bad inode number costs only its own entry; a broken record, the rest of its block.
    const auto badInode = load("ext4-inode");
    EXPECT_EQ(WalkTree(*badInode->typed).size(), listed.size() - 1);
    EXPECT_FALSE(badInode->typed->GetObject(0xFFFFFF00));
}

// Volumes whose first blocks were wiped read through the copies of their superblock and
// descriptor table in group 1, with 1 KiB and with 4 KiB blocks. Those copies outlive a
// volume formatted over the old one, and must not make it ext again.
TEST(ExtDamaged, AVolumeWithoutItsPrimarySuperblockReadsThroughTheCopy) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "making the images needs a loop mount";
    }
    for (const char* image : {"ext4-wiped.img", "ext4-4k-wiped.img"}) {
        SCOPED_TRACE(image);
        Mounted wiped(LoadFile(Folder() + "/" + image));
        ASSERT_TRUE(wiped.typed);
        EXPECT_EQ(wiped.Label(),
                  image == std::string("ext4-wiped.img") ? "drovik-ext4" : "drovik-4k");
        ExpectTheTree(*wiped.typed, Folder() + "/tree");
    }
    const Mounted whole(LoadFile(Folder() + "/ext4.img"));
    const Mounted wiped(LoadFile(Folder() + "/ext4-wiped.img"));
    ASSERT_TRUE(whole.typed && wiped.typed);
    EXPECT_EQ(wiped.typed->GetIdentity(), whole.typed->GetIdentity());
    EXPECT_EQ(wiped.typed->GetBlockCount(), whole.typed->GetBlockCount());

    const Mounted over(LoadFile(Folder() + "/ext4-fat-over.img"));
    ASSERT_TRUE(over.reader);
    EXPECT_EQ(over.reader->GetFSType(), fstype::kFat);
}

} // namespace
