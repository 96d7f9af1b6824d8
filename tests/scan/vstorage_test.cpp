// The result tree and the reconstruction builder: where inserted items go, and how
// directory records with missing, unknown, looping or very long chains of parents are
// placed.

#include "base/utf.h"
#include "result_tree.h"
#include "scan/rebuild_builder.h"

#include <gtest/gtest.h>

namespace {

using scantest::DescribeTree;

TEST(VStorage, InsertFilesFoldersAndTheRootOnFirstUse) {
    cQORNVStorage tree;
    EXPECT_EQ(tree.Root(), kNoItem);
    const cVSItemId file = scantest::AddRaw(tree, kNoItem, "a.bin", 8, 100);
    ASSERT_NE(tree.Root(), kNoItem);
    EXPECT_EQ(tree.Name(tree.Root()), "Virtual");
    const cVSItemId folder = scantest::AddFolder(tree, kNoItem, "sub");
    scantest::AddRaw(tree, folder, "b.bin", 9, 1);
    EXPECT_EQ(tree.Parent(file), tree.Root());
    EXPECT_EQ(DescribeTree(tree), "root Virtual\n"
                                  "folder /sub\n"
                                  "file /sub/b.bin kind 2 size 1 at 9 time 0 fs 0 extents \n"
                                  "file /a.bin kind 2 size 100 at 8 time 0 fs 0 extents \n");
    // Placed items stay where they are; files hold nothing; a folder never goes inside
    // itself.
    EXPECT_FALSE(tree.Insert(file, folder));
    EXPECT_FALSE(tree.Insert(tree.NewFolder("x"), file));
    const cVSItemId outer = tree.NewFolder("outer");
    const cVSItemId inner = tree.NewFolder("inner");
    ASSERT_TRUE(tree.Insert(inner, outer));
    EXPECT_FALSE(tree.Insert(outer, inner));
    EXPECT_FALSE(tree.Insert(tree.Root(), folder));
}

TEST(VStorage, OrphanFolderIsMadeOnceUnderTheRoot) {
    cQORNVStorage tree;
    const cVSItemId orphans = tree.OrphanFolder();
    ASSERT_NE(orphans, kNoItem);
    EXPECT_EQ(tree.OrphanFolder(), orphans);
    EXPECT_EQ(tree.Name(orphans), " [Parent unknown]");
    EXPECT_EQ(tree.Parent(orphans), tree.Root());
}

// A builder over a tree whose files are named after the folder they should land in.
class Builder : public ::testing::Test {
protected:
    void Pending(std::uint64_t parent, std::string_view name) {
        cVSFileInfo info;
        builder_.AddPending(parent, tree_.NewFile(name, info));
    }
    std::string PathOf(cVSItemId item) {
        std::string path;
        for (; item != tree_.Root(); item = tree_.Parent(item)) {
            path = "/" + std::string(tree_.Name(item)) + path;
        }
        return path;
    }
    cVSItemId FileNamed(std::string_view name) {
        for (cVSItemId id = 1; tree_.IsItem(id); ++id) {
            if (!tree_.IsFolder(id) && tree_.Name(id) == name) {
                return id;
            }
        }
        return kNoItem;
    }
    unsigned Depth(cVSItemId item) {
        unsigned depth = 0;
        for (; item != tree_.Root(); item = tree_.Parent(item)) {
            ++depth;
        }
        return depth;
    }

    cQORNVStorage tree_;
    cVSReconstructionBuilder builder_{tree_};
};

TEST_F(Builder, RecordsPlaceParentsFirstAndOnlyWhereFilesAre) {
    builder_.AddDirectory(5, 5, u"root itself");
    builder_.AddDirectory(10, 5, u"docs");
    builder_.AddDirectory(11, 10, u"");
    builder_.AddDirectory(12, 10, u"empty");
    builder_.AddDirectory(13, 99, u"lost parent");
    builder_.AddDirectory(14, cVSReconstructionBuilder::kNoParent, u"unknown parent");
    Pending(5, "top.txt");
    Pending(11, "inner.txt");
    Pending(11, "");
    Pending(13, "x.txt");
    Pending(14, "y.txt");
    Pending(77, "");
    Pending(77, "no record.txt");
    builder_.Build();
    EXPECT_EQ(DescribeTree(tree_),
              "root Virtual\n"
              "folder /docs\n"
              "folder /docs/[name is invalid]\n"
              "file /docs/[name is invalid]/inner.txt kind 2 size 0 at 0 time 0 fs 0 extents \n"
              "file /docs/[name is invalid]/[name is invalid] kind 2 size 0 at 0 time 0 fs 0 "
              "extents \n"
              "folder /lost parent\n"
              "file /lost parent/x.txt kind 2 size 0 at 0 time 0 fs 0 extents \n"
              "folder / [Parent unknown]\n"
              "folder / [Parent unknown]/unknown parent\n"
              "file / [Parent unknown]/unknown parent/y.txt kind 2 size 0 at 0 time 0 fs 0 "
              "extents \n"
              "file / [Parent unknown]/[invalid name] kind 2 size 0 at 0 time 0 fs 0 extents \n"
              "file / [Parent unknown]/no record.txt kind 2 size 0 at 0 time 0 fs 0 extents \n"
              "file /top.txt kind 2 size 0 at 0 time 0 fs 0 extents \n");
}

TEST_F(Builder, LoopsOfParentsEndUnderParentUnknown) {
    builder_.AddDirectory(1, 2, u"a");
    builder_.AddDirectory(2, 1, u"b");
    builder_.AddDirectory(3, 3, u"root");
    Pending(1, "in-a");
    Pending(3, "keep");
    builder_.Build();
    const std::string path = PathOf(FileNamed("in-a"));
    EXPECT_EQ(path.rfind("/ [Parent unknown]/", 0), 0u) << path;
    EXPECT_EQ(PathOf(FileNamed("keep")), "/keep");
}

TEST_F(Builder, ChainsLongerThan128LevelsAreCut) {
    // Record n has parent n - 1; record 0 sits under the root.
    constexpr std::uint64_t kRecords = 400;
    builder_.AddDirectory(0, 1000, u"top");
    for (std::uint64_t n = 1; n < kRecords; ++n) {
        builder_.AddDirectory(n, n - 1, u"d" + std::u16string(1, u'a' + n % 26));
    }
    Pending(100, "shallow");
    Pending(kRecords - 1, "deepest");
    Pending(kRecords - 2, "next to it");
    builder_.Build();
    EXPECT_EQ(Depth(FileNamed("shallow")), 102u); // under /top/... at its true depth
    // Records are placed in id order: the chain from the record before the last is
    // followed 129 levels up, and its top goes into the orphan folder; the last record
    // then finds its parent's folder made.
    const std::string path = PathOf(FileNamed("next to it"));
    EXPECT_EQ(path.rfind("/ [Parent unknown]/", 0), 0u) << path;
    EXPECT_EQ(Depth(FileNamed("next to it")), 1u + 130u + 1u);
    EXPECT_EQ(tree_.Parent(FileNamed("next to it")),
              tree_.Parent(tree_.Parent(FileNamed("deepest"))));
    for (cVSItemId id = 1; tree_.IsItem(id); ++id) {
        EXPECT_LE(Depth(id), cVSReconstructionBuilder::kMaxTreeDepth + 1);
    }
}

TEST_F(Builder, TreeNeverNestsBeyondWhatResultFilesHold) {
    // Each new chain of 120 records hangs below the deepest folder made so far.
    constexpr std::uint64_t kRecords = 1200;
    builder_.AddDirectory(0, 0, u"root");
    for (std::uint64_t n = 1; n < kRecords; ++n) {
        builder_.AddDirectory(n, n - 1, u"d");
    }
    for (std::uint64_t n = 100; n < kRecords; n += 100) {
        Pending(n, "f" + std::to_string(n));
    }
    builder_.Build();
    for (cVSItemId id = 1; tree_.IsItem(id); ++id) {
        EXPECT_LE(Depth(id), cVSReconstructionBuilder::kMaxTreeDepth + 1) << PathOf(id);
    }
}

TEST(VStorageNames, LongNamesAreCutWhereACharacterBegins) {
    // 127 two-byte letters and a three-byte one: 257 bytes, cut before the last letter.
    std::u16string name(127, u'\u044F');
    name += u'\u20AC';
    EXPECT_EQ(cVSReconstructionBuilder::kMaxChain, 128u);
    cQORNVStorage tree;
    cVSReconstructionBuilder builder(tree);
    builder.AddDirectory(1, 1, u"r");
    builder.AddDirectory(2, 1, name);
    builder.AddPending(2, tree.NewFile("f", {}));
    builder.Build();
    const std::string_view kept = tree.Name(tree.FirstSubfolder(tree.Root()));
    EXPECT_EQ(kept.size(), 254u);
    EXPECT_EQ(kept, utf::ToUtf8(name).substr(0, 254));
}

} // namespace
