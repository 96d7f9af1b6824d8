// An image read with the runs its map says were not rescued: reads stop at them, uncached
// units holding one fail, and duplicates (a scan's worker reads through one) fail the same.

#include "io/unreadable_io.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr std::uint64_t kSectors = 64;

std::unique_ptr<cBaseIO> Image() {
    std::vector<std::uint8_t> bytes(kSectors * kSectorSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(i / kSectorSize + 1);
    }
    return std::make_unique<cUnreadableIO>(std::make_unique<cMemIO>(std::move(bytes)),
                                           std::vector<cSectorRun>{{0, 1}, {10, 3}, {63, 1}});
}

// How many sectors a read of count from first gets.
std::uint32_t Got(cBaseIO& io, std::uint64_t first, std::uint32_t count) {
    std::vector<std::uint8_t> buffer(std::size_t(count) * kSectorSize);
    EXPECT_EQ(io.SeekSector(first), std::int64_t(first));
    return io.ReadSectors(buffer.data(), count);
}

TEST(UnreadableIO, ReadsStopAtTheRunsAndDuplicatesShareThem) {
    const std::unique_ptr<cBaseIO> image = Image();
    const std::unique_ptr<cBaseIO> copy = image->Duplicate();
    ASSERT_TRUE(copy);
    for (cBaseIO* io : {image.get(), copy.get()}) {
        EXPECT_EQ(Got(*io, 0, 5), 0u);
        EXPECT_EQ(Got(*io, 1, 20), 9u);
        EXPECT_EQ(Got(*io, 11, 1), 0u);
        EXPECT_EQ(Got(*io, 13, 50), 50u);
        EXPECT_EQ(Got(*io, 62, 2), 1u);
        std::uint8_t sector[kSectorSize];
        EXPECT_EQ(io->ReadUncached(12, sector), 0u);
        EXPECT_EQ(io->ReadUncached(13, sector), 1u);
        EXPECT_EQ(sector[0], 14);
    }
    EXPECT_EQ(image->GetSectorCount(), kSectors);
    // Sectors read one at a time after a stop go on behind it.
    std::uint8_t sector[kSectorSize];
    ASSERT_EQ(image->SeekSector(9), 9);
    EXPECT_EQ(image->ReadSectors(sector, 1), 1u);
    EXPECT_EQ(image->ReadSectors(sector, 1), 0u);
}

} // namespace
