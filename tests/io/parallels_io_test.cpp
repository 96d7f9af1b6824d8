// Parallels images as qemu-img writes them (the newer signature, blocks counted in
// blocks, a last block cut short) read sector for sector as qemu-img reads them; images
// of the older signature our Create makes read back in qemu-img.

#include "base/bytes.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/parallels_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace container_check;

// Current writers sign "WithouFreSpacExt" and enter blocks counted in blocks; such images
// were not recognised at all and read as raw files.
TEST(ParallelsIO, NewerSignatureImagesReadAsQemuReadsThem) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("disk.hdd"));
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kParallels);
    EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture("disk.hdd.raw"))));
}

// 2600 KiB in 1 MiB blocks: three table entries, so dividing the sector count by the
// entries gave 1733-sector blocks and misplaced all but the first.
TEST(ParallelsIO, BlockSizeComesFromTheClusterSizeField) {
    const std::vector<std::uint8_t> image = ReadFile(Fixture("partial.hdd"));
    ASSERT_GE(image.size(), 64u);
    EXPECT_EQ(bytes::unchecked::Le32(image.data() + 32), 3u);
    EXPECT_EQ(bytes::unchecked::Le32(image.data() + 28), 2048u);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(image));
    ASSERT_TRUE(disk);
    EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture("partial.hdd.raw"))));
}

// The newer signature keeps a 64-bit sector count; the older one's high half is
// whatever its writers left there.
TEST(ParallelsIO, SectorCountWidthFollowsTheSignature) {
    std::vector<std::uint8_t> image = ReadFile(Fixture("disk.hdd"));
    ASSERT_GE(image.size(), 64u);
    bytes::PutLe32(image.data() + 40, 1);
    std::unique_ptr<cBaseIO> newer = OpenContainer(cMemIO(image));
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->GetSectorCount(), (std::uint64_t(1) << 32) + 49152);
    std::memcpy(image.data(), "WithoutFreeSpace", 16);
    std::unique_ptr<cBaseIO> older = OpenContainer(cMemIO(image));
    ASSERT_TRUE(older);
    EXPECT_EQ(older->GetSectorCount(), 49152u);
}

TEST(ParallelsIO, CreatedFilesReadBackInQemuAndInOurReader) {
    const std::string path = fixtures::ScratchDir() + "/new.hdd";
    std::unique_ptr<cBaseIO> disk = CreateContainer(std::make_unique<cParallelsIO>(), path, 50000);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetSectorCount(), 50400u); // whole cylinders of 16 x 63 sectors
    std::vector<std::uint8_t> expected(disk->GetSectorCount() * kSectorSize, 0);
    WriteRuns(*disk, expected);
    EXPECT_TRUE(SameSectors(*disk, expected));
    disk.reset();

    EXPECT_EQ(std::system(("qemu-img check -q -f parallels '" + path + "'").c_str()), 0);
    EXPECT_EQ(QemuRaw(path, "parallels"), expected);
    std::unique_ptr<cBaseIO> reopened = OpenImage(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->GetStorageKind(), storage_kind::kParallels);
    EXPECT_TRUE(SameSectors(*reopened, expected));
}

TEST(ParallelsIO, DamagedHeadersDoNotOpen) {
    const std::vector<std::uint8_t> good = ReadFile(Fixture("disk.hdd"));
    ASSERT_TRUE(OpenContainer(cMemIO(good)));
    std::vector<std::uint8_t> signature = good;
    signature[7] ^= 1;
    EXPECT_FALSE(OpenContainer(cMemIO(signature)));
    std::vector<std::uint8_t> noBlocks = good;
    bytes::PutLe32(noBlocks.data() + 28, 0);
    EXPECT_FALSE(OpenContainer(cMemIO(noBlocks)));
    std::vector<std::uint8_t> hugeTable = good;
    bytes::PutLe32(hugeTable.data() + 32, 0xFFFFFFF0);
    EXPECT_FALSE(OpenContainer(cMemIO(hugeTable)));
    // A block entered past the file ends reads short instead of inventing data.
    std::vector<std::uint8_t> lost = good;
    bytes::PutLe32(lost.data() + 64, 0x00FFFFFF);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(lost));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> out(kSectorSize);
    EXPECT_EQ(disk->ReadSectors(out.data(), 1), 0u);
}
