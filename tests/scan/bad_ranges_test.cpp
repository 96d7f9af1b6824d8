// The list of unreadable runs a scan reports: runs that touch or overlap merge, whatever
// order the reads met them in.

#include "scan/bad_ranges.h"

#include <gtest/gtest.h>

namespace {

using Ranges = std::vector<cSectorRange>;

TEST(BadRangesTest, TouchingAndOverlappingRunsMerge) {
    cBadRanges ranges;
    ranges.Add(10, 2);
    ranges.Add(12, 1); // touches the end
    ranges.Add(8, 2);  // touches the start
    ranges.Add(20, 5);
    ranges.Add(30, 1);
    EXPECT_EQ(ranges.Ranges(), (Ranges{{8, 5}, {20, 5}, {30, 1}}));
    ranges.Add(11, 20); // swallows the second and reaches the third
    EXPECT_EQ(ranges.Ranges(), (Ranges{{8, 23}}));
    ranges.Add(8, 23);
    EXPECT_EQ(ranges.SectorCount(), 23u);
}

TEST(BadRangesTest, RunsArrivingOutOfOrderLandSorted) {
    cBadRanges ranges;
    ranges.Add(100, 1);
    ranges.Add(50, 1);
    ranges.Add(70, 0);
    ranges.Add(0, 10);
    ranges.Add(60, 1);
    EXPECT_EQ(ranges.Ranges(), (Ranges{{0, 10}, {50, 1}, {60, 1}, {100, 1}}));
    cBadRanges other;
    other.Add(51, 9);
    ranges.Add(other);
    EXPECT_EQ(ranges.Ranges(), (Ranges{{0, 10}, {50, 11}, {100, 1}}));
}

TEST(BadRangesTest, RunAtTheEndOfTheSectorSpaceIsCut) {
    cBadRanges ranges;
    ranges.Add(UINT64_MAX - 2, 10);
    ranges.Add(UINT64_MAX - 4, 2);
    EXPECT_EQ(ranges.Ranges(), (Ranges{{UINT64_MAX - 4, 4}}));
}

TEST(BadRangesTest, FormatGivesCountSectorsAndRuns) {
    cBadRanges ranges;
    EXPECT_EQ(FormatBadRanges(ranges), "no bad sectors");
    ranges.Add(2048, 1);
    EXPECT_EQ(FormatBadRanges(ranges), "1 bad range (1 sector): 2048");
    ranges.Add(100, 8);
    EXPECT_EQ(FormatBadRanges(ranges), "2 bad ranges (9 sectors): 100-107, 2048");
}

} // namespace
