#include "io/base_io.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

TEST(Resources, ValueResourcesCompareAndAssignOnlyTheirOwnKind) {
    cNamedFileResource a(u"/x/a.img"), b(u"/x/A.img");
    cNumberedDeviceResource one(1), two(2);
    EXPECT_TRUE(a.IsSame(&a));
    EXPECT_FALSE(a.IsSame(&b)); // paths compare case-sensitively
    EXPECT_FALSE(a.IsSame(nullptr));
    EXPECT_FALSE(a.IsSame(&one));
    EXPECT_FALSE(one.IsSame(&two));
    EXPECT_FALSE(one.AssignFrom(a));
    EXPECT_EQ(one.Number(), 1u);
    EXPECT_TRUE(one.AssignFrom(two));
    EXPECT_TRUE(one.IsSame(&two));
    EXPECT_TRUE(b.AssignFrom(a));
    EXPECT_EQ(b.Path(), u"/x/a.img");
}

TEST(Resources, NestedResourceHoldsItsOwnDuplicate) {
    cMemIO carrier(std::vector<std::uint8_t>(2048, 1));
    cNastedIOResource source(carrier.Duplicate());
    cNastedIOResource empty;
    cNastedIOResource target;
    EXPECT_FALSE(target.AssignFrom(empty));
    EXPECT_FALSE(empty.IsSame(&source));
    ASSERT_TRUE(target.AssignFrom(source));
    ASSERT_NE(target.Reader(), nullptr);
    EXPECT_NE(target.Reader(), source.Reader());
    EXPECT_TRUE(target.IsSame(&source));
    EXPECT_TRUE(target.Reader()->IsSameStorage(&carrier));

    cMemIO elsewhere(std::vector<std::uint8_t>(2048, 1));
    cNastedIOResource different(elsewhere.Duplicate());
    EXPECT_FALSE(target.IsSame(&different));
    cNamedFileResource file(u"/a");
    EXPECT_FALSE(target.AssignFrom(file));
}

TEST(Resources, ChainAssignmentDuplicatesEachItemInOrder) {
    cMemIO first(std::vector<std::uint8_t>(1024, 1));
    cMemIO second(std::vector<std::uint8_t>(1024, 2));
    cNastedIOResourceChain source;
    source.Append(first.Duplicate(), 0, 2);
    source.Append(second.Duplicate(), 2, 2);

    cNastedIOResourceChain target;
    target.Append(second.Duplicate(), 9, 9);
    ASSERT_TRUE(target.AssignFrom(source));
    ASSERT_EQ(target.Items().size(), 2u);
    EXPECT_EQ(target.Items()[1].start, 2u);
    EXPECT_EQ(target.Items()[1].count, 2u);
    EXPECT_NE(target.Items()[0].reader.get(), source.Items()[0].reader.get());
    EXPECT_TRUE(target.IsSame(&source));

    cNastedIOResourceChain reversed;
    reversed.Append(second.Duplicate(), 0, 2);
    reversed.Append(first.Duplicate(), 2, 2);
    EXPECT_FALSE(reversed.IsSame(&source));
    cNastedIOResourceChain shorter;
    shorter.Append(first.Duplicate(), 0, 2);
    EXPECT_FALSE(shorter.IsSame(&source));
}
