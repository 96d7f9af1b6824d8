// The content scan over a memory storage: where files open and end, weak and strong
// signatures, the free-space filter with and without fragments, the grid, the unit filter,
// cancelling, and the requests it refuses.

#include "raw_scan_support.h"

#include <set>

namespace {

using namespace std::string_view_literals;

using rawscantest::kSector;

// Rules: "AAAA" files end after "ZZ", "SIZE" files hold their size in a 16-bit field at 4,
// "WEAK" is weak, "OPEN" has no end rule.
const char* kRules = R"(
group "Found" {
  file "Marked" mk {
    at 0 "AAAA"
    end string 2 "ZZ"
  }
  file "Sized" sz {
    at 0 "SIZE"
    end size 4 2 le
  }
  file "Weak" wk weak {
    at 0 "WEAK"
  }
  file "Open" op {
    at 0 "OPEN"
  }
}
)";

struct cScan : rawscantest::cScan {
    explicit cScan(std::size_t sectors) : rawscantest::cScan(sectors, kRules) {}
};

TEST(RawScanTest, SizeRuleEndsTheFileInTheUnitItBeganIn) {
    cScan scan(64);
    scan.Put(8 * kSector, "SIZE\xE8\x03"); // 1000 bytes, in a unit of 4096
    scan.Open();
    ASSERT_TRUE(scan.Run(scan.Request(8)));
    EXPECT_EQ(scan.Found(), std::vector<std::string>{"Found/Sized/00000008.sz 1000"});
    EXPECT_EQ(scan.progress.values.back(), 100.0);
}

TEST(RawScanTest, WeakMatchInsideAFileDoesNotCloseItButAStrongOneDoes) {
    cScan scan(16);
    scan.Put(1 * kSector, "AAAA");
    scan.Put(3 * kSector, "WEAK");
    scan.Put(5 * kSector + 100, "ZZ");
    scan.Put(7 * kSector, "OPEN");
    scan.Put(9 * kSector, "SIZE\x00\x04"sv); // 1024 bytes from sector 9
    scan.Put(12 * kSector, "WEAK");
    scan.Open();
    ASSERT_TRUE(scan.Run(scan.Request(1)));
    const std::vector<std::string> expected = {
        "Found/Marked/00000001.mk 2150", // 4 whole sectors, then 100 + 2 bytes
        "Found/Open/00000007.op 1024",   // ended by the strong SIZE at sector 9
        "Found/Sized/00000009.sz 1024",
        "Found/Weak/00000012.wk 2048", // open to the end of the range
    };
    EXPECT_EQ(scan.Found(), expected);
}

TEST(RawScanTest, UsedUnitsEndAFileOrSplitItIntoFragments) {
    for (const bool fragmented : {false, true}) {
        cScan scan(16);
        scan.Put(2 * kSector, "AAAA");
        scan.Put(8 * kSector + 10, "ZZ");
        scan.Open();
        cRawScanRequest request = scan.Request(2);
        request.firstUnit = 100;
        const std::set<std::uint64_t> used = {102, 103}; // sectors 4 to 7
        request.unitInUse = [&](std::uint64_t unit) { return used.count(unit) != 0; };
        request.fragmented = fragmented;
        ASSERT_TRUE(scan.Run(request));
        const std::vector<std::string> expected =
            fragmented ? std::vector<std::string>{"Found/Marked/00000002.mk 1036 2+2 8+2"}
                       : std::vector<std::string>{"Found/Marked/00000002.mk 1024"};
        EXPECT_EQ(scan.Found(), expected) << fragmented;
        EXPECT_EQ(scan.progress.values.back(), 100.0);
    }
}

TEST(RawScanTest, AlignedRangeLiesOnTheUnitGrid) {
    cScan scan(40);
    scan.Put(9 * kSector, "OPEN");  // on the grid 1 + 4n
    scan.Put(11 * kSector, "OPEN"); // between grid points: never tested
    scan.Open();
    cRawScanRequest request = scan.Request(4);
    request.firstSector = 6;
    request.sectorCount = 30;
    request.align = true;
    request.gridOrigin = 1;
    ASSERT_TRUE(scan.Run(request));
    // The range becomes sectors 5 to 28: 26 sectors less the unit it began inside, in
    // whole units; the file runs from sector 9 to the range's end.
    EXPECT_EQ(scan.Found(), std::vector<std::string>{"Found/Open/00000009.op 10240"});
}

TEST(RawScanTest, SkippedUnitsOpenNothingButStillEndFiles) {
    cScan scan(8);
    scan.Put(1 * kSector, "AAAA");
    scan.Put(2 * kSector, "OPEN ZZ");
    scan.Put(4 * kSector, "OPEN");
    scan.Open();
    cRawScanRequest request = scan.Request(1);
    request.skipUnit = [](const std::uint8_t* data, std::uint32_t) { return data[0] == 'O'; };
    ASSERT_TRUE(scan.Run(request));
    EXPECT_EQ(scan.Found(), std::vector<std::string>{"Found/Marked/00000001.mk 519"});
}

TEST(RawScanTest, CancelKeepsWhatWasFoundAndRefusalsReadNothing) {
    cScan scan(600);
    scan.Put(0, "OPEN");
    scan.Open();
    scan.progress.stopAfter = 3;
    EXPECT_FALSE(scan.Run(scan.Request(1)));
    EXPECT_EQ(scan.progress.values.size(), 3u);
    EXPECT_EQ(scan.Found(), std::vector<std::string>{"Found/Open/00000000.op 1536"});

    cScan refused(8);
    refused.Open();
    cRawScanRequest request = refused.Request(1);
    request.progress = nullptr;
    EXPECT_FALSE(refused.Run(request));
    request = refused.Request(0);
    EXPECT_FALSE(refused.Run(request));
    cSigList none;
    request = refused.Request(1);
    request.signatures = &none;
    EXPECT_FALSE(refused.Run(request));
    EXPECT_TRUE(refused.io->Reads().empty());
    request = refused.Request(1);
    request.sectorCount = 0;
    EXPECT_TRUE(refused.Run(request));
}

} // namespace
