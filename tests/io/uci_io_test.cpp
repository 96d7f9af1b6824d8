// The family's compressed image: stored and zlib blocks, a short last block, and the
// record checks that refuse damaged images.

#include "base/bytes.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/uci_io.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace container_check;

namespace {

constexpr std::uint32_t kBlock = 65536;

std::vector<std::uint8_t> Disk(std::uint64_t sectors) {
    std::vector<std::uint8_t> disk(sectors * kSectorSize);
    for (std::size_t i = 0; i < disk.size(); ++i) {
        disk[i] = std::uint8_t(i / 700 % 3 == 0 ? 0 : i * 29 + i / 512);
    }
    return disk;
}

// Odd blocks stored, even ones compressed; with a short first block, its stream holds
// only that many bytes.
std::vector<std::uint8_t> MakeUci(const std::vector<std::uint8_t>& disk,
                                  std::size_t shortFirst = 0) {
    std::vector<std::uint8_t> image(22, 0);
    std::copy_n("QORNImg0", 8, image.begin());
    bytes::PutLe64(image.data() + 10, disk.size() / kSectorSize);
    bytes::PutLe32(image.data() + 18, kBlock);
    for (std::size_t at = 0, index = 0; at < disk.size(); at += kBlock, ++index) {
        std::size_t size = std::min<std::size_t>(kBlock, disk.size() - at);
        if (index % 2) {
            image.push_back(0);
            image.insert(image.end(), disk.begin() + std::ptrdiff_t(at),
                         disk.begin() + std::ptrdiff_t(at + size));
            continue;
        }
        if (index == 0 && shortFirst != 0) {
            size = shortFirst;
        }
        uLongf length = compressBound(uLong(size));
        std::vector<std::uint8_t> packed(length);
        compress2(packed.data(), &length, disk.data() + at, uLong(size), 5);
        image.push_back(1);
        image.resize(image.size() + 4);
        bytes::PutLe32(image.data() + image.size() - 4, std::uint32_t(length));
        image.insert(image.end(), packed.begin(), packed.begin() + std::ptrdiff_t(length));
    }
    image.resize((image.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
    return image;
}

} // namespace

// 1000 sectors in 64 KiB blocks: 8 blocks, the last of 104 sectors.
TEST(UciIO, StoredAndCompressedBlocksReadAsTheDisk) {
    const std::vector<std::uint8_t> disk = Disk(1000);
    std::unique_ptr<cBaseIO> image = OpenContainer(cMemIO(MakeUci(disk)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetStorageKind(), storage_kind::kUci);
    EXPECT_TRUE(SameSectors(*image, disk));
    EXPECT_EQ(image->SeekSector(5000), 1000);
}

TEST(UciIO, OpensReadOnlyOnly) {
    cMemIO file(MakeUci(Disk(300)));
    file.SetReadOnly(false);
    const cNastedIOResource carrier(file.Duplicate());
    cUciIO image;
    EXPECT_FALSE(image.Open(&carrier, false));
    EXPECT_TRUE(image.Open(&carrier, true));
}

TEST(UciIO, DamagedRecordsAreRefused) {
    const std::vector<std::uint8_t> disk = Disk(1000);
    const std::vector<std::uint8_t> good = MakeUci(disk);
    // The second record (stored) follows the first, compressed one.
    const std::size_t second = 22 + 5 + bytes::unchecked::Le32(good.data() + 23);
    ASSERT_EQ(good[second], 0);
    std::vector<std::uint8_t> kindTwo = good;
    kindTwo[second] = 2;
    EXPECT_FALSE(OpenContainer(cMemIO(kindTwo)));
    std::vector<std::uint8_t> noBlockSize = good;
    bytes::PutLe32(noBlockSize.data() + 18, 0);
    EXPECT_FALSE(OpenContainer(cMemIO(noBlockSize)));
    // Billions of blocks cannot have records in a file this small.
    std::vector<std::uint8_t> billions = good;
    bytes::PutLe64(billions.data() + 10, std::uint64_t(1) << 50);
    EXPECT_FALSE(OpenContainer(cMemIO(billions)));
    // A first block whose stream inflates to less than a block fails to read.
    const std::vector<std::uint8_t> shortBlock = MakeUci(disk, 1000);
    std::unique_ptr<cBaseIO> image = OpenContainer(cMemIO(shortBlock));
    ASSERT_TRUE(image);
    std::vector<std::uint8_t> out(kSectorSize);
    EXPECT_EQ(image->ReadSectors(out.data(), 1), 0u);
}
