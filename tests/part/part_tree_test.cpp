#include "disk_builder.h"
#include "part/map_io.h"
#include "part/storage_tree_builder.h"

#include <gtest/gtest.h>

namespace {

// An extension that records when its hook and destructor run.
class LoggingExtension : public cPartExtension {
public:
    LoggingExtension(std::uint32_t kind, std::string name, std::vector<std::string>& log,
                     std::vector<std::uint8_t> identity = {})
        : kind_(kind), name_(std::move(name)), log_(log), identity_(std::move(identity)) {}
    ~LoggingExtension() override { log_.push_back(name_ + " destroyed"); }
    void ExtensionHook() override { log_.push_back(name_ + " hook"); }
    std::uint32_t GetExtensionKind() const override { return kind_; }
    std::vector<std::uint8_t> ExtensionIdentity() const override { return identity_; }

private:
    std::uint32_t kind_;
    std::string name_;
    std::vector<std::string>& log_;
    std::vector<std::uint8_t> identity_;
};

TEST(PartTypes, NamesComeFromTheTable) {
    const struct {
        std::uint16_t code;
        std::u16string_view name;
    } cases[] = {
        {0x00, u"Empty"},       {0x07, u"NTFS"},
        {0x13, u"[unknown]"},   {0x115, u"UFS JFS2"},
        {0x129, u"Apple HFSX"}, {0x5FA0, u"LVM Physical volume"},
        {0x7FFC, u"[unknown]"}, {0x7FFE, u"PRO Scan Result Extended"},
        {0xFFFF, u"[unknown]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetTypeName(c.code), c.name) << std::hex << c.code;
    }
}

TEST(PartRecord, SetRecordDestroysEveryExtensionFirst) {
    cMemIO storage(std::vector<std::uint8_t>(100 * 512));
    std::vector<std::string> log;
    cPartRecord record;
    record.AttachExtension(std::make_unique<LoggingExtension>(part_ext::kParser, "parser", log));
    record.AttachExtension(std::make_unique<LoggingExtension>(part_ext::kFileSystem, "fs", log));
    EXPECT_TRUE(record.SetRecord(&storage, 10, 20, 0x0B));
    EXPECT_EQ(log, (std::vector<std::string>{"parser hook", "parser destroyed", "fs hook",
                                             "fs destroyed"}));
    EXPECT_TRUE(record.Extensions().empty());
    EXPECT_EQ(record.TypeName(), u"FAT32");
    EXPECT_EQ(record.Storage(), &storage);

    EXPECT_FALSE(record.SetRecord(&storage, 5, 0, 0x07)) << "a zero length answers no";
    EXPECT_EQ(record.Start(), 5u);
    EXPECT_EQ(record.TypeCode(), 0x07);

    record.AttachExtension(std::make_unique<LoggingExtension>(part_ext::kVolumeName, "name", log));
    EXPECT_FALSE(record.SetRecord(nullptr, 1, 1, 0x83));
    EXPECT_EQ(record.Start(), 5u) << "a null storage changes nothing but the extensions";
    EXPECT_EQ(record.FindExtension(part_ext::kVolumeName), nullptr);
}

TEST(PartRecord, SetRangeCutsAtTheStorageEnd) {
    cMemIO storage(std::vector<std::uint8_t>(100 * 512));
    const struct {
        std::uint64_t start, length, wantStart, wantLength;
    } cases[] = {
        {10, 50, 10, 50},   // inside
        {90, 50, 90, 10},   // cut at the end
        {100, 5, 1, 2},     // starts at the end: unchanged
        {5, 0, 1, 2},       // nothing left: unchanged
        {~0ull, 5, 1, 2},   // far beyond
        {0, ~0ull, 0, 100}, // huge length
    };
    for (const auto& c : cases) {
        cPartRecord record;
        record.SetRecord(&storage, 1, 2, 0x83);
        record.SetRange(c.start, c.length);
        EXPECT_EQ(record.Start(), c.wantStart) << c.start << "+" << c.length;
        EXPECT_EQ(record.Length(), c.wantLength) << c.start << "+" << c.length;
    }
}

TEST(PartRecord, OneExtensionPerKindTheNewReplacesTheOld) {
    std::vector<std::string> log;
    {
        cPartRecord record;
        record.AttachExtension(
            std::make_unique<LoggingExtension>(part_ext::kFileSystem, "fat", log));
        record.AttachExtension(
            std::make_unique<LoggingExtension>(part_ext::kVolumeName, "name", log));
        record.AttachExtension(
            std::make_unique<LoggingExtension>(part_ext::kFileSystem, "ntfs", log));
        record.AttachExtension(nullptr);
        EXPECT_EQ(log, (std::vector<std::string>{"fat hook", "fat destroyed"}));
        ASSERT_EQ(record.Extensions().size(), 2u);
        EXPECT_EQ(record.Extensions()[1].get(), record.FindExtension(part_ext::kFileSystem))
            << "appended at the end";
        EXPECT_EQ(record.FindExtension(part_ext::kParser), nullptr);
        log.clear();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"name hook", "name destroyed", "ntfs hook",
                                             "ntfs destroyed"}));
}

TEST(PartRecord, LegacyAndNameHooksReleaseTheirData) {
    cPartLegacyBoot boot(std::vector<std::uint8_t>(446, 1));
    EXPECT_EQ(boot.GetExtensionKind(), part_ext::kLegacyBoot);
    boot.ExtensionHook();
    EXPECT_TRUE(boot.Bytes().empty());
    cPartNameData name(u"DATA");
    name.ExtensionHook();
    EXPECT_TRUE(name.Name().empty());
}

class PartTreeOps : public ::testing::Test {
protected:
    // 0 { 1 {1.1, 1.2}, 2, 3 {3.1} }, starts chosen so that 1.2 and 2 share one.
    void SetUp() override {
        root_ = Add(nullptr, 0, 1000);
        one_ = Add(root_, 10, 100);
        oneOne_ = Add(one_, 10, 50);
        oneTwo_ = Add(one_, 200, 50);
        two_ = Add(root_, 200, 100);
        three_ = Add(root_, 300, 100);
        threeOne_ = Add(three_, 310, 10);
    }

    cPartTreeItem* Add(cPartTreeItem* parent, std::uint64_t start, std::uint64_t length) {
        auto node = std::make_unique<cPartTreeItem>();
        node->SetRecord(&storage_, start, length, 0x83);
        return &tree_.AddChild(parent, std::move(node));
    }

    cMemIO storage_{std::vector<std::uint8_t>(1000 * 512)};
    std::vector<std::string> log_; // outlives the nodes whose extensions write to it
    cPartTree tree_;
    cPartTreeItem *root_, *one_, *oneOne_, *oneTwo_, *two_, *three_, *threeOne_;
};

TEST_F(PartTreeOps, LinksAndCounts) {
    EXPECT_EQ(tree_.NodeCount(), 7u);
    EXPECT_EQ(tree_.First(), root_);
    EXPECT_EQ(one_->Next(), two_);
    EXPECT_EQ(two_->Previous(), one_);
    EXPECT_EQ(three_->Next(), nullptr);
    EXPECT_EQ(one_->Previous(), nullptr);
    EXPECT_EQ(threeOne_->Parent(), three_);
    EXPECT_EQ(threeOne_->Tree(), &tree_);
    EXPECT_EQ(threeOne_->Depth(), 2u);
    EXPECT_EQ(PartitionPath(*threeOne_), "3.1");
}

TEST_F(PartTreeOps, FindByStartVisitsANodeBeforeItsChildrenAndThemBeforeTheNextSibling) {
    EXPECT_EQ(tree_.FindByStart(10), one_);
    EXPECT_EQ(tree_.FindByStart(200), oneTwo_);
    EXPECT_EQ(tree_.FindByStart(310), threeOne_);
    EXPECT_EQ(tree_.FindByStart(11), nullptr);
}

TEST_F(PartTreeOps, FindByFileSystemComparesWholeIdentityRecords) {
    two_->AttachExtension(std::make_unique<LoggingExtension>(part_ext::kFileSystem, "a", log_,
                                                             std::vector<std::uint8_t>{1, 2, 3}));
    threeOne_->AttachExtension(std::make_unique<LoggingExtension>(
        part_ext::kFileSystem, "b", log_, std::vector<std::uint8_t>{1, 2, 3, 4}));
    const std::uint8_t longer[] = {1, 2, 3, 4};
    const std::uint8_t shorter[] = {1, 2};
    EXPECT_EQ(tree_.FindByFileSystem(longer), threeOne_);
    EXPECT_EQ(tree_.FindByFileSystem(std::span(longer, 3)), two_);
    EXPECT_EQ(tree_.FindByFileSystem(shorter), nullptr);
}

TEST_F(PartTreeOps, RemoveMoveAndDestroy) {
    tree_.Remove(one_);
    EXPECT_EQ(tree_.NodeCount(), 4u);
    EXPECT_EQ(root_->FirstChild(), two_);
    EXPECT_EQ(two_->Previous(), nullptr);

    EXPECT_FALSE(tree_.Move(three_, threeOne_)) << "a node cannot go inside itself";
    EXPECT_TRUE(tree_.Move(threeOne_, two_));
    EXPECT_EQ(threeOne_->Parent(), two_);
    EXPECT_FALSE(three_->HasChildren());
    EXPECT_EQ(PartitionPath(*threeOne_), "1.1");
    EXPECT_EQ(tree_.NodeCount(), 4u);

    tree_.DestroyChildren(*root_);
    EXPECT_EQ(tree_.NodeCount(), 1u);
    EXPECT_FALSE(root_->HasChildren());
    tree_.DestroyAll();
    EXPECT_EQ(tree_.First(), nullptr);
    EXPECT_EQ(tree_.NodeCount(), 0u);
}

TEST_F(PartTreeOps, DestroySubtreeTakesTheFollowingSiblingsToo) {
    tree_.DestroySubtree(two_);
    EXPECT_EQ(root_->Children().size(), 1u);
    EXPECT_EQ(tree_.NodeCount(), 4u);
}

TEST_F(PartTreeOps, UserPartitions) {
    cPartTreeItem* user = tree_.AddUserPartition(nullptr, 500, 20);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->Parent(), root_);
    EXPECT_EQ(user->Storage(), &storage_);
    EXPECT_EQ(user->TypeCode(), 0);
    EXPECT_EQ(PartitionPath(*user), "4");
    EXPECT_EQ(tree_.AddUserPartition(two_, 500, 0), nullptr);
    EXPECT_EQ(tree_.AddUserPartition(two_, 500, 1)->Parent(), two_);
}

TEST_F(PartTreeOps, PartitionPathsLookUp) {
    const std::pair<std::string_view, cPartTreeItem*> found[] = {
        {"0", root_}, {"1", one_}, {"1.2", oneTwo_}, {"3.1", threeOne_}};
    for (const auto& [path, node] : found) {
        EXPECT_EQ(FindByPartitionPath(tree_, path), node) << path;
        EXPECT_EQ(PartitionPath(*node), path);
    }
    for (std::string_view bad :
         {"", "4", "0.1", "1.", ".1", "1..2", "1.3", "x", "-1", "1.2.1", "99999999999999999999"}) {
        EXPECT_EQ(FindByPartitionPath(tree_, bad), nullptr) << bad;
    }
}

TEST_F(PartTreeOps, ARecordThatCannotBeSetIsNotAdded) {
    EXPECT_EQ(part::AddPartition(*two_, 250, 0, 0x83), nullptr);
    EXPECT_EQ(tree_.NodeCount(), 7u);
    EXPECT_FALSE(two_->HasChildren());
    ASSERT_NE(part::AddPartition(*two_, 250, 10, 0x83), nullptr);
    EXPECT_EQ(tree_.NodeCount(), 8u);
}

TEST(BuildTree, EmptyStorageGivesAnEmptyTree) {
    BuiltTree built(std::make_unique<cMemIO>(std::vector<std::uint8_t>(100)));
    EXPECT_FALSE(built.result);
    EXPECT_EQ(built.tree.First(), nullptr);
}

TEST(BuildTree, BlankStorageIsOneWholeStorageNode) {
    BuiltTree built(std::make_unique<cMemIO>(std::vector<std::uint8_t>(64 * 512)));
    EXPECT_TRUE(built.result);
    EXPECT_EQ(Listing(built.tree), (std::vector<std::string>{"0 0+64 0x7FFC"}));
    EXPECT_EQ(built.tree.First()->TypeName(), u"[unknown]");
    EXPECT_EQ(built.tree.First()->Parser(), nullptr);
}

// Marks every partition it is asked about.
class MarkingDetector : public cLeafDetector {
public:
    std::unique_ptr<cPartExtension> Detect(cPartRecord& record) override {
        return std::make_unique<cPartNameData>(u"seen");
    }
};

TEST(BuildTree, DetectorRunsOnLeavesOnly) {
    DiskBuilder disk(64);
    disk.MbrEntry(0, 0, 0x83, 8, 8).MbrEntry(0, 1, 0x83, 16, 8);
    auto storage = disk.Storage();
    MarkingDetector detector;
    auto built = BuildStorageTree(*storage, detector);
    const cPartTree& tree = static_cast<cPartStorageTree&>(*built).Tree();
    EXPECT_EQ(tree.First()->FindExtension(part_ext::kVolumeName), nullptr);
    for (const auto& child : tree.First()->Children()) {
        EXPECT_NE(child->FindExtension(part_ext::kVolumeName), nullptr);
    }
}

} // namespace
