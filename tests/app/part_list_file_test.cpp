// Partition list files that this program did not write: wrong magic, cut short, nested
// or chained beyond what a search lists.

#include "app/findpart/part_list_file.h"
#include "base/bytes.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr std::uint8_t kChildren = 1, kSibling = 2;

std::vector<std::uint8_t> Record(std::uint64_t start, std::uint64_t count, std::uint8_t type,
                                 std::uint8_t flags) {
    std::vector<std::uint8_t> record(partlist::kRecordBytes);
    bytes::PutLe64(&record[0], start);
    bytes::PutLe64(&record[8], count);
    record[16] = type;
    record[19] = flags;
    return record;
}

std::vector<std::uint8_t> File(const std::vector<std::vector<std::uint8_t>>& records,
                               std::string magic = "QORNR400") {
    std::vector<std::uint8_t> file(magic.begin(), magic.end());
    for (const auto& record : records) {
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

struct cLoad {
    explicit cLoad(const std::vector<std::uint8_t>& file) {
        auto top = std::make_unique<cPartTreeItem>();
        top->SetRecord(&storage, 0, storage.GetSectorCount(), 0);
        tree.AddChild(nullptr, std::move(top));
        result = partlist::Decode(file, tree, *tree.First(),
                                  [this](cPartTreeItem& node, std::uint8_t type, std::uint16_t) {
                                      attached.push_back({node.Start(), type});
                                  });
    }
    cMemIO storage{std::vector<std::uint8_t>(1 << 20)};
    cPartTree tree;
    partlist::cLoadResult result;
    std::vector<std::pair<std::uint64_t, std::uint8_t>> attached;
};

TEST(PartListFile, OnlyTheTopRecordLoadsWithNoPartition) {
    const cLoad load(File({Record(0, 2048, 0, 0)}));
    EXPECT_TRUE(load.result.ok);
    EXPECT_TRUE(load.result.sameSize);
    EXPECT_EQ(load.tree.NodeCount(), 1u);
}

TEST(PartListFile, TheTopRecordsSizeIsComparedAndItsSiblingBitIgnored) {
    const cLoad load(File({Record(77, 4096, 7, kSibling | kChildren), Record(100, 50, 6, 0)}));
    EXPECT_TRUE(load.result.ok);
    EXPECT_FALSE(load.result.sameSize);
    EXPECT_EQ(load.attached, (std::vector<std::pair<std::uint64_t, std::uint8_t>>{{100, 6}}));
}

TEST(PartListFile, NodesNestAsTheirFlagsSayInPreOrder) {
    // top { a { a1, a2 { a21 } }, b, c }
    const cLoad load(
        File({Record(0, 2048, 0, kChildren), Record(10, 500, 0, kChildren | kSibling),
              Record(11, 5, 6, kSibling), Record(20, 5, 7, kChildren), Record(21, 1, 1, 0),
              Record(600, 100, 2, kSibling), Record(700, 100, 0, 0)}));
    ASSERT_TRUE(load.result.ok);
    EXPECT_EQ(load.result.fileSystems, 4u);
    const cPartTreeItem& top = *load.tree.First();
    ASSERT_EQ(top.Children().size(), 3u);
    const cPartTreeItem& a = *top.Children()[0];
    ASSERT_EQ(a.Children().size(), 2u);
    EXPECT_EQ(a.Children()[1]->Start(), 20u);
    ASSERT_EQ(a.Children()[1]->Children().size(), 1u);
    EXPECT_EQ(a.Children()[1]->Children()[0]->Start(), 21u);
    EXPECT_EQ(top.Children()[1]->Start(), 600u);
    EXPECT_EQ(top.Children()[2]->Start(), 700u);
}

TEST(PartListFile, BrokenFilesFailAndKeepWhatWasAdded) {
    EXPECT_FALSE(cLoad(File({Record(0, 2048, 0, 0)}, "QORNR401")).result.ok);
    EXPECT_FALSE(cLoad(std::vector<std::uint8_t>{'Q', 'O', 'R'}).result.ok);
    auto cut = File({Record(0, 2048, 0, kChildren), Record(5, 5, 6, kSibling), Record(9, 9, 6, 0)});
    cut.resize(cut.size() - 1);
    const cLoad load(cut);
    EXPECT_FALSE(load.result.ok);
    EXPECT_EQ(load.tree.NodeCount(), 2u);
}

TEST(PartListFile, ChildrenWithoutEndOrDepthFail) {
    // Each record says a sibling follows, until the file ends.
    std::vector<std::vector<std::uint8_t>> endless{Record(0, 2048, 0, kChildren)};
    for (int i = 0; i < 100; ++i) {
        endless.push_back(Record(i, 1, 0, kSibling));
    }
    EXPECT_FALSE(cLoad(File(endless)).result.ok);
    // Every record opens a level below the one before.
    std::vector<std::vector<std::uint8_t>> deep{Record(0, 2048, 0, kChildren)};
    for (unsigned i = 0; i < partlist::kMaxDepth + 2; ++i) {
        deep.push_back(Record(i, 1, 0, kChildren));
    }
    deep.push_back(Record(0, 1, 0, 0));
    const cLoad load(File(deep));
    EXPECT_FALSE(load.result.ok);
    EXPECT_LE(load.tree.NodeCount(), partlist::kMaxDepth + 1);
}

TEST(PartListFile, MoreNodesThanASearchListsFail) {
    std::vector<std::vector<std::uint8_t>> many{Record(0, 2048, 0, kChildren)};
    for (std::size_t i = 0; i <= partlist::kMaxNodes; ++i) {
        many.push_back(Record(i, 1, 0, kSibling));
    }
    const cLoad load(File(many));
    EXPECT_FALSE(load.result.ok);
    EXPECT_EQ(load.tree.NodeCount(), partlist::kMaxNodes + 1);
}

} // namespace
