#include "vfs/run_list.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kHole = cRun::kSparse;

TEST(RunList, MergesContinuingExtentsAndHoles) {
    cRunList runs;
    ASSERT_TRUE(runs.Append(10, 3));
    ASSERT_TRUE(runs.Append(13, 2));
    ASSERT_EQ(runs.Count(), 1u);
    EXPECT_EQ(runs.First().length, 5u);

    ASSERT_TRUE(runs.Append(kHole, 4));
    ASSERT_TRUE(runs.Append(kHole, 1));
    ASSERT_TRUE(runs.Append(100, 1));
    ASSERT_EQ(runs.Count(), 3u);
    EXPECT_EQ(runs[1].logicalStart, 5u);
    EXPECT_EQ(runs[1].length, 5u);
    EXPECT_EQ(runs[2].logicalStart, 10u);
    EXPECT_EQ(runs.LogicalLength(), 11u);
}

TEST(RunList, AHoleNeverJoinsARealExtent) {
    // All ones plus the hole's length wraps to a small number; it must not glue.
    cRunList runs;
    ASSERT_TRUE(runs.Append(kHole, 4));
    ASSERT_TRUE(runs.Append(3, 2));
    ASSERT_TRUE(runs.Append(kHole, 1));
    EXPECT_EQ(runs.Count(), 3u);
}

TEST(RunList, UnitsPerBlockScaleLengths) {
    cRunList runs;
    ASSERT_TRUE(runs.Append(8, 2, 4));
    ASSERT_TRUE(runs.Append(16, 1, 4));
    ASSERT_EQ(runs.Count(), 1u);
    EXPECT_EQ(runs.First().length, 12u);
}

TEST(RunList, RefusesOverflowAndIgnoresEmptyRuns) {
    cRunList runs;
    EXPECT_TRUE(runs.Append(5, 0));
    EXPECT_TRUE(runs.Empty());
    EXPECT_FALSE(runs.Append(1, ~0ull / 2 + 1, 2));
    EXPECT_FALSE(runs.Append(~0ull - 3, 8)); // would end beyond the hole marker
    ASSERT_TRUE(runs.Append(kHole, ~0ull - 1));
    EXPECT_FALSE(runs.Append(kHole, 2));
    EXPECT_EQ(runs.Count(), 1u);
}

TEST(RunList, FindsAcrossChunks) {
    cRunList runs;
    const std::size_t count = cRunList::kRunsPerChunk * 2 + 7;
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_TRUE(runs.Append(i * 10, 1 + i % 3)); // gaps keep every run separate
    }
    ASSERT_EQ(runs.Count(), count);
    std::uint64_t logical = 0;
    for (std::size_t i = 0; i < count; i += 97) {
        const cRun& expected = runs[i];
        EXPECT_EQ(runs.Find(expected.logicalStart + expected.length - 1), &expected);
        logical = expected.logicalStart;
    }
    EXPECT_EQ(runs.Find(logical)->logicalStart, logical);
    EXPECT_EQ(runs.Find(runs.LogicalLength()), nullptr);
    runs.Clear();
    EXPECT_TRUE(runs.Empty());
    EXPECT_EQ(runs.Find(0), nullptr);
}

} // namespace
