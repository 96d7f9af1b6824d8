// VHD disks as qemu-img writes them (dynamic and fixed) read sector for sector as
// qemu-img reads them; dynamic disks our Create makes read back in qemu-img, with the
// footer moved behind each new block and the written sectors marked in its bitmap.

#include "base/bytes.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/vhd_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

using namespace container_check;

TEST(VhdIO, DynamicQemuImageReadsAsQemuReadsIt) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("dynamic.vhd"));
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kVhd);
    EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture("dynamic.vhd.raw"))));
    cDiskGeometry geometry;
    ASSERT_TRUE(disk->GetGeometry(geometry));
    EXPECT_EQ(geometry.heads, ReadFile(Fixture("dynamic.vhd"))[58]);
}

// A fixed disk was read as a raw image one sector too long, its footer as the last
// sector of the disk.
TEST(VhdIO, FixedDiskIsPresentedWithoutItsFooter) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("fixed.vhd"));
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kVhd);
    const std::vector<std::uint8_t> expected = ReadFile(Fixture("fixed.vhd.raw"));
    EXPECT_EQ(expected.size() + kSectorSize, ReadFile(Fixture("fixed.vhd")).size());
    EXPECT_TRUE(SameSectors(*disk, expected));
}

TEST(VhdIO, CreatedFilesReadBackInQemuWithTheFooterMovedAndTheBitmapSet) {
    const std::string path = fixtures::ScratchDir() + "/new.vhd";
    std::unique_ptr<cBaseIO> disk = CreateContainer(std::make_unique<cMSVpcIO>(), path, 50000);
    ASSERT_TRUE(disk);
    // The geometry's disk holds at least what was asked.
    EXPECT_GE(disk->GetSectorCount(), 50000u);
    EXPECT_LT(disk->GetSectorCount(), 50000u + 16 * 63);
    std::vector<std::uint8_t> expected(disk->GetSectorCount() * kSectorSize, 0);
    WriteRuns(*disk, expected);
    EXPECT_TRUE(SameSectors(*disk, expected));
    disk.reset();

    const std::vector<std::uint8_t> file = ReadFile(path);
    ASSERT_GT(file.size(), 4 * kSectorSize);
    EXPECT_TRUE(std::equal(file.end() - kSectorSize, file.end(), file.begin()));
    // Sector 20000 alone was written in its block (4 of 4096 sectors): bit 3616 of the
    // block's bitmap, most significant bit first.
    const std::uint32_t bitmap = bytes::unchecked::Be32(file.data() + 1536 + 4 * 4);
    ASSERT_NE(bitmap, 0xFFFFFFFFu);
    const auto* bits = file.data() + std::size_t(bitmap) * kSectorSize;
    for (std::size_t i = 0; i < kSectorSize; ++i) {
        EXPECT_EQ(bits[i], i == 452 ? 0x80 : 0) << "bitmap byte " << i;
    }

    EXPECT_EQ(QemuRaw(path, "vpc"), expected);
    std::unique_ptr<cBaseIO> reopened = OpenImage(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->GetStorageKind(), storage_kind::kVhd);
    EXPECT_TRUE(SameSectors(*reopened, expected));
}

TEST(VhdIO, DamagedDynamicHeadersDoNotOpen) {
    const std::vector<std::uint8_t> good = ReadFile(Fixture("dynamic.vhd"));
    ASSERT_TRUE(OpenContainer(cMemIO(good)));
    const struct {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    } damages[] = {
        {"block size 0", 512 + 32, 0},
        {"block size not whole sectors", 512 + 32, 1000},
        {"table past the file", 512 + 20, 0x7FFFFFFF},
        {"billions of table entries", 512 + 28, 0xFFFFFFFF},
        {"a differencing disk, whose parent is not here", 60, 4},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::vector<std::uint8_t> bad = good;
        bytes::PutBe32(bad.data() + damage.offset, damage.value);
        EXPECT_FALSE(OpenContainer(cMemIO(bad)));
    }
    // A block entry past the file ends reads short instead of inventing data.
    std::vector<std::uint8_t> lost = good;
    bytes::PutBe32(lost.data() + 1536, 0x7FFFFF00);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(lost));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> out(kSectorSize);
    EXPECT_EQ(disk->ReadSectors(out.data(), 1), 0u);
}
