// The scan reader over a memory storage whose every sector says which it is: blocks and
// look-aheads hold the right sectors, ranges end where they should, and the worker
// stops and restarts cleanly.

#include "scan/async_scan_io.h"
#include "support/failing_io.h"
#include "support/mem_io.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

constexpr std::uint32_t kBlock = 64;
constexpr std::uint32_t kLookAhead = 16;
constexpr std::uint64_t kSectors = 1000;

// Sector n holds n in its first eight bytes and a byte pattern of n behind them.
std::vector<std::uint8_t> SectorBytes(std::uint64_t n) {
    std::vector<std::uint8_t> bytes(kSectorSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(n * 7 + i);
    }
    std::memcpy(bytes.data(), &n, sizeof n);
    return bytes;
}

std::unique_ptr<cFailingIO> MakeStorage(std::uint32_t cachedPage = 8,
                                        std::uint32_t uncachedUnit = 1) {
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t n = 0; n < kSectors; ++n) {
        const auto sector = SectorBytes(n);
        bytes.insert(bytes.end(), sector.begin(), sector.end());
    }
    return std::make_unique<cFailingIO>(std::make_unique<cMemIO>(std::move(bytes)), cachedPage,
                                        uncachedUnit);
}

bool HoldsSector(const std::uint8_t* at, std::uint64_t n) {
    return std::memcmp(at, SectorBytes(n).data(), kSectorSize) == 0;
}

bool IsZero(const std::uint8_t* at) {
    return std::all_of(at, at + kSectorSize, [](std::uint8_t byte) { return byte == 0; });
}

struct Block {
    std::uint32_t count = 0;
    std::vector<std::uint8_t> bytes; // the block and its look-ahead
};

// Drains the range, keeping a copy of each block with its look-ahead.
std::vector<Block> Drain(cAsyncScanIO& reader, std::uint32_t lookAhead = kLookAhead) {
    std::vector<Block> blocks;
    std::uint32_t count = 0;
    while (const std::uint8_t* data = reader.NextBlock(count)) {
        const std::size_t bytes = std::size_t(count + lookAhead) * kSectorSize;
        blocks.push_back(Block{count, std::vector<std::uint8_t>(data, data + bytes)});
        if (blocks.size() > kSectors) {
            ADD_FAILURE() << "the range never ends";
            break;
        }
    }
    return blocks;
}

// Every delivered sector, in order, is the one the range holds there.
void ExpectRange(const std::vector<Block>& blocks, std::uint64_t first, std::uint64_t count) {
    std::uint64_t at = first;
    for (const Block& block : blocks) {
        for (std::uint32_t i = 0; i < block.count; ++i, ++at) {
            EXPECT_TRUE(HoldsSector(block.bytes.data() + std::size_t(i) * kSectorSize, at))
                << "sector " << at;
        }
    }
    EXPECT_EQ(at, first + count);
}

TEST(AsyncScanIOTest, RangeShorterThanABlockIsOneBlockWithoutLookAhead) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    EXPECT_EQ(reader.Seek(10, 20), 10);
    const auto blocks = Drain(reader, 0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].count, 20u);
    ExpectRange(blocks, 10, 20);
    EXPECT_EQ(storage->Reads(), (std::vector<cFailingIO::cRead>{{10, 20, false}}));
}

TEST(AsyncScanIOTest, ExactBlocksEachCarryTheNextSectorsAsLookAhead) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(100, 3 * kBlock), 100);
    const auto blocks = Drain(reader);
    ASSERT_EQ(blocks.size(), 3u);
    ExpectRange(blocks, 100, 3 * kBlock);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::uint64_t next = 100 + (b + 1) * kBlock;
        for (std::uint32_t i = 0; i < kLookAhead; ++i) {
            // The last block's look-ahead comes from beyond the range.
            EXPECT_TRUE(HoldsSector(blocks[b].bytes.data() + std::size_t(kBlock + i) * kSectorSize,
                                    next + i))
                << "block " << b << " look-ahead " << i;
        }
    }
    // The look-ahead is read once, with the first block, and never again.
    EXPECT_EQ(storage->Reads(),
              (std::vector<cFailingIO::cRead>{
                  {100, kBlock + kLookAhead, false}, {180, kBlock, false}, {244, kBlock, false}}));
}

// A first read cut by the range's end fetches less than a full look-ahead; the last block
// must still be followed by the sectors behind the range, not by stale bytes.
TEST(AsyncScanIOTest, LookAheadStaysInPlaceWhenTheRangeEndsInsideTheFirstLookAhead) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(0, kBlock + 3), 0);
    const auto blocks = Drain(reader);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].count, 3u);
    ExpectRange(blocks, 0, kBlock + 3);
    for (std::uint32_t i = 0; i < 3 + kLookAhead; ++i) {
        EXPECT_TRUE(HoldsSector(blocks[1].bytes.data() + std::size_t(i) * kSectorSize, kBlock + i))
            << i;
    }
}

TEST(AsyncScanIOTest, RangeIsCutAtTheEndOfTheStorage) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(kSectors - 10, 50), std::int64_t(kSectors - 10));
    const auto blocks = Drain(reader, 0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].count, 10u);
    EXPECT_TRUE(reader.BadRanges().Empty());
    EXPECT_EQ(reader.Seek(kSectors, 5), -1);
    std::uint32_t count = 0;
    EXPECT_EQ(reader.NextBlock(count), nullptr);
}

TEST(AsyncScanIOTest, AttachRefusesSizesOutOfRange) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    EXPECT_FALSE(reader.Attach(storage.get(), 0, 16));
    EXPECT_FALSE(reader.Attach(storage.get(), 699051, 16));
    EXPECT_FALSE(reader.Attach(storage.get(), 16, 699051));
    EXPECT_FALSE(reader.Attach(nullptr, 16, 16));
    EXPECT_EQ(reader.Seek(0, 10), -1);
    EXPECT_TRUE(reader.Attach(storage.get(), 699050, 0));
    EXPECT_EQ(reader.Seek(0, 10), 0);
    std::uint32_t count = 0;
    EXPECT_NE(reader.NextBlock(count), nullptr);
    EXPECT_EQ(count, 10u);
}

TEST(AsyncScanIOTest, StorageThatCannotBeDuplicatedIsRefused) {
    class cNoDuplicate final : public cBaseIO {
        std::unique_ptr<cBaseIO> Duplicate() const override { return nullptr; }
    };
    cNoDuplicate storage;
    cAsyncScanIO reader;
    EXPECT_FALSE(reader.Attach(&storage, kBlock, kLookAhead));
    EXPECT_EQ(reader.Seek(0, 1), -1);
}

TEST(AsyncScanIOTest, SeekRestartsDeliveryFromTheNewRange) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(0, 10 * kBlock), 0);
    std::uint32_t count = 0;
    ASSERT_NE(reader.NextBlock(count), nullptr);
    // The second block is being read while the range changes.
    ASSERT_EQ(reader.Seek(500, 2 * kBlock + 5), 500);
    const auto blocks = Drain(reader);
    ASSERT_EQ(blocks.size(), 3u);
    ExpectRange(blocks, 500, 2 * kBlock + 5);
    EXPECT_TRUE(HoldsSector(blocks[0].bytes.data() + std::size_t(kBlock) * kSectorSize, 564));
}

// The worker reads on while the scanner examines a block, but never into the buffer the
// scanner holds nor over blocks it has not yet taken.
TEST(AsyncScanIOTest, ReadsAheadWhileTheScannerHoldsABlockButNeverOverIt) {
    auto storage = MakeStorage();
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(0, 10 * kBlock), 0);
    std::uint32_t count = 0;
    const std::uint8_t* held = reader.NextBlock(count);
    ASSERT_NE(held, nullptr);
    const std::size_t ring = cAsyncIOJob::kBuffers;
    for (int wait = 0; wait < 500 && storage->Reads().size() < ring; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(storage->Reads().size(), ring);
    for (std::uint32_t i = 0; i < count + kLookAhead; ++i) {
        EXPECT_TRUE(HoldsSector(held + std::size_t(i) * kSectorSize, i)) << i;
    }
    ExpectRange(Drain(reader), kBlock, 9 * kBlock);
}

TEST(AsyncScanIOTest, StopAndDestroyEndTheWorkerWhereverItWaits) {
    auto storage = MakeStorage();
    {
        cAsyncScanIO idle;
        ASSERT_TRUE(idle.Attach(storage.get(), kBlock, kLookAhead));
        idle.Stop();
        std::uint32_t count = 0;
        EXPECT_EQ(idle.NextBlock(count), nullptr);
        // A stopped reader answers no block until it is attached again.
        idle.Seek(0, kBlock);
        EXPECT_EQ(idle.NextBlock(count), nullptr);
        ASSERT_TRUE(idle.Attach(storage.get(), kBlock, kLookAhead));
        ASSERT_EQ(idle.Seek(0, kBlock), 0);
        EXPECT_NE(idle.NextBlock(count), nullptr);
    }
    {
        // Destroyed with a block delivered that nobody took.
        cAsyncScanIO pending;
        ASSERT_TRUE(pending.Attach(storage.get(), kBlock, kLookAhead));
        ASSERT_EQ(pending.Seek(0, 4 * kBlock), 0);
    }
    cAsyncScanIO never;
    never.Stop();
}

TEST(AsyncScanIOTest, ScanReachesItsEndPastUnreadableSectors) {
    auto storage = MakeStorage();
    // 70 and 71 share a cached page (64..71) with good sectors that belong to the first
    // block's look-ahead; 200 lies inside a later block; 130 is at a block's start.
    storage->FailSectors(70, 2);
    storage->FailSectors(128 + 2);
    storage->FailSectors(200);
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(0, 300), 0);
    const auto blocks = Drain(reader);
    ASSERT_EQ(blocks.size(), 5u);
    std::uint64_t at = 0;
    for (const Block& block : blocks) {
        for (std::uint32_t i = 0; i < block.count; ++i, ++at) {
            const std::uint8_t* sector = block.bytes.data() + std::size_t(i) * kSectorSize;
            const bool bad = at == 70 || at == 71 || at == 130 || at == 200;
            EXPECT_TRUE(bad ? IsZero(sector) : HoldsSector(sector, at)) << "sector " << at;
        }
    }
    EXPECT_EQ(at, 300u);
    EXPECT_EQ(reader.BadRanges().Ranges(),
              (std::vector<cSectorRange>{{70, 2}, {130, 1}, {200, 1}}));
    // Each failing page is mended unit by unit, and only that page.
    std::vector<std::uint64_t> uncached;
    for (const auto& read : storage->Reads()) {
        if (read.uncached) {
            uncached.push_back(read.first);
        }
    }
    EXPECT_EQ(uncached, (std::vector<std::uint64_t>{64,  65,  66,  67,  68,  69,  70,  71,
                                                    128, 129, 130, 131, 132, 133, 134, 135,
                                                    200, 201, 202, 203, 204, 205, 206, 207}));
}

// A drive with 4096-byte sectors reads uncached only whole sectors of its own: the whole
// unit holding a bad sector is lost and reported.
TEST(AsyncScanIOTest, LargeSectorDrivesLoseTheWholeUnit) {
    auto storage = MakeStorage(8, 8);
    storage->FailSectors(75);
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), kBlock, kLookAhead));
    ASSERT_EQ(reader.Seek(0, 200), 0);
    const auto blocks = Drain(reader);
    std::uint64_t at = 0;
    for (const Block& block : blocks) {
        for (std::uint32_t i = 0; i < block.count; ++i, ++at) {
            const std::uint8_t* sector = block.bytes.data() + std::size_t(i) * kSectorSize;
            EXPECT_TRUE(at >= 72 && at < 80 ? IsZero(sector) : HoldsSector(sector, at)) << at;
        }
    }
    EXPECT_EQ(at, 200u);
    EXPECT_EQ(reader.BadRanges().Ranges(), (std::vector<cSectorRange>{{72, 8}}));
}

// A bad unit straddling two blocks is read once and reported whole; a bad sector beyond
// the range, seen only as look-ahead, is neither retried nor reported.
TEST(AsyncScanIOTest, BadSectorsAcrossBlocksAndBeyondTheRange) {
    auto storage = MakeStorage(8, 8);
    storage->FailSectors(kBlock + kLookAhead + 2); // unit 80..87, across blocks 1 and 2 of 24
    storage->FailSectors(250);
    cAsyncScanIO reader;
    ASSERT_TRUE(reader.Attach(storage.get(), 24, kLookAhead));
    ASSERT_EQ(reader.Seek(0, 240), 0);
    const auto blocks = Drain(reader);
    std::uint64_t delivered = 0;
    for (const Block& block : blocks) {
        delivered += block.count;
    }
    EXPECT_EQ(delivered, 240u);
    EXPECT_EQ(reader.BadRanges().Ranges(), (std::vector<cSectorRange>{{80, 8}}));
    int unitReads = 0;
    for (const auto& read : storage->Reads()) {
        unitReads += read.uncached && read.first == 80 ? 1 : 0;
        EXPECT_FALSE(read.uncached && read.first >= 240) << read.first;
    }
    EXPECT_EQ(unitReads, 1);
}

} // namespace
