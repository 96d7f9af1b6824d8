// The own sparse volume: Create sizes blocks by the capacity, writes allocate blocks in
// the order they come, and a damaged header or map is refused.

#include "base/bytes.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/kvb_sparse_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

using namespace container_check;

TEST(KvbSparseIO, NewVolumesSizeTheirBlocksByTheCapacity) {
    const std::string dir = fixtures::ScratchDir();
    const struct {
        std::uint64_t capacity;
        std::uint32_t blockSectors;
    } sizes[] = {{1000, 128}, {std::uint64_t(1) << 30, 1024}, {std::uint64_t(1) << 31, 2048}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.capacity);
        std::unique_ptr<cBaseIO> disk =
            CreateContainer(std::make_unique<cKVBSparseIO>(), dir + "/new.kvbs", size.capacity);
        ASSERT_TRUE(disk);
        const auto& sparse = static_cast<const cKVBSparseIO&>(*disk);
        EXPECT_EQ(sparse.BlockSectors(), size.blockSectors);
        EXPECT_EQ(sparse.Blocks(), (size.capacity + size.blockSectors - 1) / size.blockSectors);
        EXPECT_EQ(disk->GetSectorCount(), size.capacity);
    }
    // The last, 2^31 sectors in 2048-sector blocks: 2^20 map entries in 8192 sectors.
    EXPECT_EQ(ReadFile(dir + "/new.kvbs").size(), (1 + 8192) * kSectorSize);
}

TEST(KvbSparseIO, WrittenBlocksReadBackAndUnwrittenOnesAreZeros) {
    const std::string path = fixtures::ScratchDir() + "/volume.kvbs";
    std::unique_ptr<cBaseIO> disk = CreateContainer(std::make_unique<cKVBSparseIO>(), path, 50000);
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> expected(50000 * kSectorSize, 0);
    WriteRuns(*disk, expected);
    EXPECT_TRUE(SameSectors(*disk, expected));
    std::unique_ptr<cBaseIO> reopened = OpenImage(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->GetStorageKind(), storage_kind::kKvbSparse);
    EXPECT_TRUE(SameSectors(*reopened, expected));
    // Blocks are stored in the order they were first written: the run at sector 100 first.
    const std::vector<std::uint8_t> file = ReadFile(path);
    EXPECT_EQ(bytes::unchecked::Le32(file.data() + 512 + 4 * (100 / 128)), 0u);
    EXPECT_EQ(bytes::unchecked::Le32(file.data() + 512 + 4 * 200), 0xFFFFFFFFu);
    // The identifier names the volume: a duplicate is the same storage, another volume not.
    std::unique_ptr<cBaseIO> twin = reopened->Duplicate();
    ASSERT_TRUE(twin);
    EXPECT_TRUE(twin->IsSameStorage(reopened.get()));
    std::vector<std::uint8_t> other = file;
    other[24] ^= 0xFF;
    EXPECT_FALSE(OpenContainer(cMemIO(other))->IsSameStorage(reopened.get()));
}

TEST(KvbSparseIO, DamagedVolumesDoNotOpenOrReadShort) {
    std::vector<std::uint8_t> image(4 * kSectorSize, 0xFF);
    std::copy_n("KVBSparF", 8, image.begin());
    bytes::PutLe64(image.data() + 8, 1000);
    bytes::PutLe32(image.data() + 16, 128);
    ASSERT_TRUE(OpenContainer(cMemIO(image)));
    std::vector<std::uint8_t> noBlocks = image;
    bytes::PutLe32(noBlocks.data() + 16, 0);
    EXPECT_FALSE(OpenContainer(cMemIO(noBlocks)));
    // A map of 2^40 blocks does not fit the file.
    std::vector<std::uint8_t> hugeMap = image;
    bytes::PutLe64(hugeMap.data() + 8, std::uint64_t(1) << 47);
    EXPECT_FALSE(OpenContainer(cMemIO(hugeMap)));
    // A block entered past the file ends reads short.
    std::vector<std::uint8_t> lost = image;
    bytes::PutLe32(lost.data() + 512, 5000);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(lost));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> out(kSectorSize);
    EXPECT_EQ(disk->ReadSectors(out.data(), 1), 0u);
}
