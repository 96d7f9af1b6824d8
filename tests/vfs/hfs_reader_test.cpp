// The HFS+ reader on volumes no tool here makes, built byte by byte: HFSX, a volume
// wrapped in HFS, a file of more than eight extents, a catalog continued in the extents
// overflow file, hard links, odd names and dates, and damaged B-trees.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/hfs/hfs_catalog.h"
#include "vfs/hfs/vhfsx.h"
#include "vfs/hfs_builder.h"
#include "vfs/volume_walk.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using hfs_test::Bytes;
using hfs_test::cPlusBuilder;

Bytes Content(std::size_t size, std::uint8_t seed) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = std::uint8_t(i * 131 + seed + i / 512);
    }
    return out;
}

struct Mounted {
    std::unique_ptr<cMemIO> storage;
    cPartRecord record;
    std::unique_ptr<cVFS> fs;
};

// Detection over the whole image, as a partition holding it would be detected.
std::unique_ptr<Mounted> Detect(const Bytes& image) {
    auto mounted = std::make_unique<Mounted>();
    mounted->storage = std::make_unique<cMemIO>(image);
    mounted->record.SetRecord(mounted->storage.get(), 0, image.size() / 512, 0xAF);
    mounted->fs = cVFSDetectManager::Instance().Detect(mounted->record);
    return mounted;
}

Bytes ReadAll(cVFS& fs, const std::u16string& path, bool* damaged = nullptr) {
    const std::unique_ptr<cFSObject> entry = fs.FindByPath(path, fs.GetRootId());
    if (!entry) {
        ADD_FAILURE() << "no entry";
        return {};
    }
    const std::unique_ptr<cObjectHandle> handle = fs.OpenObject(*entry);
    if (!handle) {
        ADD_FAILURE() << "cannot open";
        return {};
    }
    if (damaged) {
        *damaged = handle->IsDamaged();
    }
    return vfs_test::ReadToEnd(*handle);
}

// Forks of the volume header, and the byte where a fork's first extent starts.
constexpr std::size_t kExtentsFork = 1024 + 192;
constexpr std::size_t kCatalogFork = 1024 + 272;
std::size_t ForkStart(const Bytes& image, std::size_t fork) {
    return std::size_t(image[fork + 16] << 24 | image[fork + 17] << 16 | image[fork + 18] << 8 |
                       image[fork + 19]) *
           512;
}
// Leaves the node at the byte without records.
void EmptyNode(Bytes& image, std::size_t node) {
    hfs_test::PutBe(image, node + 10, 0, 2);
}

std::vector<std::u16string> Names(cVFS& fs, std::uint64_t folder) {
    std::vector<std::u16string> names;
    cFSFolder stub;
    stub.id = folder;
    fs.EnumFolder(stub, [&](cFSObject& entry) {
        names.push_back(entry.name);
        return true;
    });
    return names;
}

TEST(HfsPlusCrafted, HfsxAndWrappedVolumesReadLikePlainOnes) {
    cPlusBuilder plain;
    plain.File(2, 16, u"data.bin", Content(3000, 1));
    const Bytes image = plain.Build();
    for (const bool hfsx : {false, true}) {
        cPlusBuilder builder;
        builder.File(2, 16, u"data.bin", Content(3000, 1));
        if (hfsx) {
            builder.SetHfsx();
        }
        const auto mounted = Detect(builder.Build());
        ASSERT_TRUE(mounted->fs);
        auto& fs = dynamic_cast<cVHFSx&>(*mounted->fs);
        EXPECT_EQ(fs.IsHfsx(), hfsx);
        EXPECT_EQ(ReadAll(fs, u"/data.bin"), Content(3000, 1));
    }
    // Allocation blocks start at sector 3 of the wrapper; the volume at its block 5.
    const auto wrapped = Detect(hfs_test::WrapInHfs(image, 3, 5));
    ASSERT_TRUE(wrapped->fs);
    EXPECT_EQ(wrapped->fs->GetFSType(), fstype::kHfsPlus);
    EXPECT_EQ(wrapped->fs->GetFirstBlockSector(), 8u);
    EXPECT_EQ(ReadAll(*wrapped->fs, u"/data.bin"), Content(3000, 1));
    // The same volume, found twice, is one volume.
    EXPECT_EQ(wrapped->fs->GetIdentity(), Detect(image)->fs->GetIdentity());
}

TEST(HfsPlusCrafted, OverflowExtentsCompleteFilesAndTheCatalog) {
    cPlusBuilder builder(1200);
    // 20 extents of one block: 8 in the catalog record, 12 in two overflow records.
    builder.File(2, 16, u"fragmented.bin", Content(20 * 512 - 100, 2), 1);
    for (std::uint32_t i = 0; i < 40; ++i) {
        builder.File(2, 100 + i, u"padding " + std::u16string(1, char16_t(u'A' + i)),
                     Content(10, 3));
    }
    builder.FragmentCatalog();
    const Bytes image = builder.Build();
    const auto mounted = Detect(image);
    ASSERT_TRUE(mounted->fs) << "a catalog continued in the overflow file must mount";
    bool damaged = true;
    EXPECT_EQ(ReadAll(*mounted->fs, u"/fragmented.bin", &damaged), Content(20 * 512 - 100, 2));
    EXPECT_FALSE(damaged);
    EXPECT_EQ(Names(*mounted->fs, mounted->fs->GetRootId()).size(), 41u);

    // Without the overflow records the catalog cannot be read whole: nothing mounts.
    Bytes noOverflow = image;
    EmptyNode(noOverflow, ForkStart(image, kExtentsFork) + 512);
    EXPECT_FALSE(Detect(noOverflow)->fs);

    // A file without its overflow records opens damaged, readable as far as its own eight
    // extents go.
    cPlusBuilder alone;
    alone.File(2, 16, u"fragmented.bin", Content(20 * 512 - 100, 2), 1);
    Bytes cut = alone.Build();
    EmptyNode(cut, ForkStart(cut, kExtentsFork) + 512);
    const auto shortened = Detect(cut);
    ASSERT_TRUE(shortened->fs);
    EXPECT_EQ(ReadAll(*shortened->fs, u"/fragmented.bin", &damaged).size(), 8u * 512);
    EXPECT_TRUE(damaged);
}

TEST(HfsPlusCrafted, HardLinksReadAsTheirTarget) {
    cPlusBuilder builder;
    const std::u16string privateName(u"\0\0\0\0HFS+ Private Data", 21);
    builder.Folder(2, 18, privateName);
    builder.File(18, 40, u"iNode77", Content(2500, 4));
    builder.File(2, 41, u"first link", {}, 0, 77);
    builder.Folder(2, 42, u"sub");
    builder.File(42, 43, u"second link", {}, 0, 77);
    const auto mounted = Detect(builder.Build());
    ASSERT_TRUE(mounted->fs);
    cVFS& fs = *mounted->fs;
    EXPECT_EQ(ReadAll(fs, u"/first link"), Content(2500, 4));
    EXPECT_EQ(ReadAll(fs, u"/sub/second link"), Content(2500, 4));
    const auto link = fs.FindByPath(u"/sub/second link", fs.GetRootId());
    ASSERT_TRUE(link);
    EXPECT_EQ(link->size, 2500u);
    EXPECT_EQ(fs.BuildPath(*link), u"/sub/second link");
    // The private folder lists under its name with the NULs shown.
    const auto root = Names(fs, fs.GetRootId());
    EXPECT_NE(std::find(root.begin(), root.end(), u"----HFS+ Private Data"), root.end());
}

TEST(HfsPlusCrafted, NamesDatesAndTheAllocationFile) {
    cPlusBuilder builder;
    builder.SetModified(0); // 1904: before 1970, so the 32-bit difference wraps
    builder.File(2, 16, u"tab\there", Content(10, 5));
    builder.File(2, 17, u"slash/and e\u0301", Content(10, 6));
    const Bytes image = builder.Build();
    const auto mounted = Detect(image);
    ASSERT_TRUE(mounted->fs);
    cVFS& fs = *mounted->fs;
    EXPECT_EQ(Names(fs, fs.GetRootId()),
              (std::vector<std::u16string>{u"tab-here", u"slash:and é"}));
    const auto entry = fs.FindByPath(u"/tab-here", fs.GetRootId());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->mtime, fstime::FromUnixTime(2212122496)); // 2040-02-06
    EXPECT_EQ(hfs::UnixTime(2082844800 + 86400), 86400u);
    EXPECT_EQ(fs.GetBlockCount(), 512u);
    for (std::uint32_t block = 0; block < 512; ++block) {
        EXPECT_EQ(fs.IsBlockUsed(block), builder.Used(block)) << block;
    }
    EXPECT_FALSE(fs.IsBlockUsed(512));
}

// Damage in the catalog: each walk ends, and what is intact still lists.
class HfsPlusDamaged : public ::testing::Test {
protected:
    void SetUp() override {
        cPlusBuilder builder(1200);
        for (std::uint32_t i = 0; i < 26; ++i) {
            builder.File(2, 100 + i, u"file " + std::u16string(1, char16_t(u'A' + i)),
                         Content(10, 7));
        }
        image_ = builder.Build();
    }
    // Where the record of the file named "file " + letter starts, and its node.
    std::size_t RecordOf(char16_t letter) const {
        const Bytes key = hfs_test::CatalogKey(2, u"file " + std::u16string(1, letter));
        return std::size_t(std::search(image_.begin(), image_.end(), key.begin(), key.end()) -
                           image_.begin());
    }
    static std::size_t NodeOf(std::size_t at) { return at - at % 512; }
    // The offset-table slot that points at the record.
    std::size_t SlotOf(std::size_t record) const {
        const std::size_t node = NodeOf(record);
        for (std::size_t slot = node + 510; slot > node + 14; slot -= 2) {
            if (std::size_t(image_[slot] << 8 | image_[slot + 1]) == record - node) {
                return slot;
            }
        }
        ADD_FAILURE() << "no slot";
        return node + 510;
    }
    std::vector<std::u16string> RootNames(const Bytes& image, bool* complete = nullptr) {
        const auto mounted = Detect(image);
        if (!mounted->fs) {
            ADD_FAILURE() << "does not mount";
            return {};
        }
        std::vector<std::u16string> names;
        cFSFolder root;
        root.id = mounted->fs->GetRootId();
        const bool done = mounted->fs->EnumFolder(root, [&](cFSObject& entry) {
            names.push_back(entry.name);
            return true;
        });
        if (complete) {
            *complete = done;
        }
        return names;
    }

    Bytes image_;
};

TEST_F(HfsPlusDamaged, IndexNodePointingBackUpEndsTheDescent) {
    const std::size_t catalog = ForkStart(image_, kCatalogFork);
    const std::uint32_t root = image_[catalog + 19]; // low byte of the header's root
    ASSERT_GT(root, 1u) << "the tree must have an index node";
    const std::size_t node = catalog + std::size_t(root) * 512;
    const std::size_t first = std::size_t(image_[node + 510] << 8 | image_[node + 511]);
    const std::size_t keyLength = std::size_t(image_[node + first] << 8 | image_[node + first + 1]);
    hfs_test::PutBe(image_, node + first + 2 + keyLength, root, 4);
    bool complete = true;
    EXPECT_TRUE(RootNames(image_, &complete).empty());
    EXPECT_FALSE(complete);
}

TEST_F(HfsPlusDamaged, LeafChainLoopingBackIsWalkedOnce) {
    hfs_test::PutBe(image_, NodeOf(RecordOf(u'J')), 1, 4); // forward link to the first leaf
    bool complete = true;
    const auto names = RootNames(image_, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(std::set<std::u16string>(names.begin(), names.end()).size(), names.size());
    EXPECT_NE(std::find(names.begin(), names.end(), u"file J"), names.end());
}

TEST_F(HfsPlusDamaged, RecordsPastTheirNodeOrRecordAreSkipped) {
    hfs_test::PutBe(image_, SlotOf(RecordOf(u'E')), 600, 2); // past the node's end
    hfs_test::PutBe(image_, RecordOf(u'C') + 6, 255, 2);     // a name longer than its key
    const auto names = RootNames(image_);
    EXPECT_EQ(names.size(), 24u);
    EXPECT_EQ(std::find(names.begin(), names.end(), u"file C"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), u"file E"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), u"file F"), names.end());
}

TEST_F(HfsPlusDamaged, NodeOfAnotherKindFailsTheListing) {
    image_[NodeOf(RecordOf(u'A')) + 8] = 2; // a map node
    bool complete = true;
    RootNames(image_, &complete);
    EXPECT_FALSE(complete);
}

TEST(HfsPlusCrafted, ExtentsBeyondTheVolumeOpenDamaged) {
    cPlusBuilder builder;
    builder.File(2, 16, u"data.bin", Content(4000, 8));
    Bytes image = builder.Build();
    // The file claims a huge size and a first extent far beyond the volume.
    const Bytes key = hfs_test::CatalogKey(2, u"data.bin");
    const auto at = std::search(image.begin(), image.end(), key.begin(), key.end());
    ASSERT_NE(at, image.end());
    const std::size_t record = std::size_t(at - image.begin()) + key.size();
    hfs_test::PutBe(image, record + 88, 1ull << 40, 8);      // logical size
    hfs_test::PutBe(image, record + 88 + 20, 0x7FFFFFFF, 4); // first extent's count
    const auto hostile = Detect(image);
    ASSERT_TRUE(hostile->fs);
    bool damaged = false;
    const Bytes read = ReadAll(*hostile->fs, u"/data.bin", &damaged);
    EXPECT_TRUE(damaged);
    EXPECT_TRUE(read.empty());
}

} // namespace
