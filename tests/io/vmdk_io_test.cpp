// VMDK sparse extents as qemu-img writes them (monolithic sparse, stream-optimized,
// with zeroed grains, without the redundant directory) read sector for sector as
// qemu-img reads them; files our Create makes read back in qemu-img; damaged headers.

#include "base/utf.h"
#include "container_check.h"
#include "io/container_formats.h"
#include "io/containers/vmdk_io.h"
#include "io/flat_io.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <gtest/gtest.h>

using namespace container_check;

namespace {

// Counts what ReadSectors reports of each piece.
class PieceCounter final : public cReadNotify {
public:
    void OnPiece(std::uint64_t, std::uint32_t count, bool stored) override {
        (stored ? storedSectors : zeroSectors) += count;
    }
    std::uint64_t storedSectors = 0;
    std::uint64_t zeroSectors = 0;
};

// A little-endian field patched into an image's bytes.
void Put(std::vector<std::uint8_t>& image, std::size_t offset, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        image[offset + std::size_t(i)] = std::uint8_t(value >> (8 * i));
    }
}

} // namespace

TEST(VmdkIO, QemuImagesReadAsQemuReadsThem) {
    for (const char* name : {"mono.vmdk", "stream.vmdk"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<cBaseIO> disk = OpenImage(Fixture(name));
        ASSERT_TRUE(disk);
        EXPECT_EQ(disk->GetStorageKind(), storage_kind::kVmdk);
        EXPECT_TRUE(disk->IsReadOnly());
        EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture(std::string(name) + ".raw"))));
    }
}

// A footer before the end marker holds the directory when the header could not.
TEST(VmdkIO, StreamOptimizedHeaderMayLeaveTheDirectoryToTheFooter) {
    std::vector<std::uint8_t> image = ReadFile(Fixture("stream.vmdk"));
    ASSERT_EQ(image.size() % kSectorSize, 0u);
    const std::vector<std::uint8_t> header(image.begin(), image.begin() + kSectorSize);
    std::vector<std::uint8_t> marker(kSectorSize, 0);
    marker[12] = 3; // footer marker
    image.insert(image.end(), marker.begin(), marker.end());
    image.insert(image.end(), header.begin(), header.end());
    image.insert(image.end(), kSectorSize, 0); // end-of-stream marker
    Put(image, 56, ~std::uint64_t(0), 8);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(image));
    ASSERT_TRUE(disk);
    EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture("stream.vmdk.raw"))));
}

// The scan reader reads a failing sector again past the page cache; through a container
// it gets the same bytes, from the carrier's own uncached read where the sector is stored.
TEST(VmdkIO, UncachedReadsGiveTheSameBytes) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("mono.vmdk"));
    ASSERT_TRUE(disk);
    const std::vector<std::uint8_t> expected = ReadFile(Fixture("mono.vmdk.raw"));
    std::vector<std::uint8_t> sector(kSectorSize);
    for (const std::uint64_t at : {0u, 2048u, 6000u, 40000u, 49151u}) {
        ASSERT_EQ(disk->ReadUncached(at, sector.data()), 1u) << at;
        EXPECT_TRUE(std::equal(sector.begin(), sector.end(),
                               expected.begin() + std::ptrdiff_t(at * kSectorSize)))
            << at;
    }
}

TEST(VmdkIO, HolesAreReportedAsZeroFilledPieces) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("mono.vmdk"));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> all(disk->GetSectorCount() * kSectorSize);
    PieceCounter pieces;
    ASSERT_EQ(disk->SeekSector(0), 0);
    ASSERT_EQ(disk->ReadSectors(all.data(), std::uint32_t(disk->GetSectorCount()), &pieces),
              disk->GetSectorCount());
    EXPECT_GT(pieces.storedSectors, 0u);
    EXPECT_GT(pieces.zeroSectors, 0u);
    EXPECT_EQ(pieces.storedSectors + pieces.zeroSectors, disk->GetSectorCount());
}

// Writers that keep no second directory clear the flag and leave its field 0; reading
// through that "directory" at sector 0 gave a disk of zeros.
TEST(VmdkIO, ImageWithoutRedundantDirectoryReadsThroughThePrimaryOne) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("single-directory.vmdk"));
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetStorageKind(), storage_kind::kVmdk);
    EXPECT_TRUE(SameSectors(*disk, ReadFile(Fixture("single-directory.vmdk.raw"))));
}

// A table entry of 1 marks a grain written as zeros; read as a sector number it gave the
// header's bytes as disk data.
TEST(VmdkIO, GrainsWrittenAsZerosReadAsZeros) {
    std::unique_ptr<cBaseIO> disk = OpenImage(Fixture("zeroed.vmdk"));
    ASSERT_TRUE(disk);
    const std::vector<std::uint8_t> expected = ReadFile(Fixture("zeroed.vmdk.raw"));
    ASSERT_EQ(expected.size(), 24u << 20);
    // The fixture zeroed 256 KiB at 1 MiB, where the volume's boot sector was.
    EXPECT_TRUE(std::all_of(expected.begin() + (1 << 20),
                            expected.begin() + (1 << 20) + (256 << 10),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(SameSectors(*disk, expected));
}

TEST(VmdkIO, CompressedGrainsOpenReadOnlyOnly) {
    const std::string folder = fixtures::ScratchDir();
    const std::string copy = folder + "/stream.vmdk";
    WriteFile(copy, ReadFile(Fixture("stream.vmdk")));
    auto file = std::make_unique<cFlatIO>();
    const cNamedFileResource name(utf::FromUtf8(copy));
    ASSERT_TRUE(file->Open(&name, false));
    const cNastedIOResource carrier(std::move(file));
    cVMWareIO disk;
    EXPECT_FALSE(disk.Open(&carrier, false));
    EXPECT_TRUE(disk.Open(&carrier, true));
    EXPECT_FALSE(disk.SetReadOnly(false));
}

TEST(VmdkIO, CreatedFilesReadBackInQemuAndInOurReader) {
    const std::string path = fixtures::ScratchDir() + "/new.vmdk";
    const std::uint64_t capacity = 70001; // two grain tables, the last grain partial
    std::unique_ptr<cBaseIO> disk = CreateContainer(std::make_unique<cVMWareIO>(), path, capacity);
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> expected(capacity * kSectorSize, 0);
    WriteRuns(*disk, expected);
    EXPECT_TRUE(SameSectors(*disk, expected));
    disk.reset();

    EXPECT_EQ(std::system(("qemu-img check -q -f vmdk '" + path + "'").c_str()), 0);
    EXPECT_EQ(QemuRaw(path, "vmdk"), expected);
    std::unique_ptr<cBaseIO> reopened = OpenImage(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->GetStorageKind(), storage_kind::kVmdk);
    EXPECT_TRUE(SameSectors(*reopened, expected));
    // Duplicates read the same and are the same storage.
    std::unique_ptr<cBaseIO> twin = reopened->Duplicate();
    ASSERT_TRUE(twin);
    EXPECT_TRUE(twin->IsSameStorage(reopened.get()));
    EXPECT_TRUE(SameSectors(*twin, expected));
}

TEST(VmdkIO, DamagedHeadersDoNotOpen) {
    const std::vector<std::uint8_t> good = ReadFile(Fixture("mono.vmdk"));
    ASSERT_TRUE(OpenContainer(cMemIO(good)));
    struct Damage {
        const char* what;
        std::size_t offset;
        std::uint64_t value;
        int size;
    };
    const Damage damages[] = {
        {"grain size 0", 20, 0, 8},
        {"huge grain size", 20, std::uint64_t(1) << 40, 8},
        {"no table entries", 44, 0, 4},
        {"directory past the file", 48, 1u << 30, 8},
        {"billions of directory entries", 12, std::uint64_t(1) << 50, 8},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::vector<std::uint8_t> bad = good;
        Put(bad, damage.offset, damage.value, damage.size);
        EXPECT_FALSE(OpenContainer(cMemIO(bad)));
    }
    // A grain table past the file ends reads short instead of inventing data.
    std::vector<std::uint8_t> lost = good;
    Put(lost, 21 * kSectorSize, 1u << 30, 4);
    Put(lost, 0x1a * kSectorSize, 1u << 30, 4);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(lost));
    ASSERT_TRUE(disk);
    std::vector<std::uint8_t> out(kSectorSize);
    EXPECT_EQ(disk->ReadSectors(out.data(), 1), 0u);
}

// The older sparse format: 44-byte header, one directory of 512-entry tables.
TEST(VmdkIO, CowdExtentsRead) {
    const std::uint32_t grain = 16;
    const std::uint32_t sectors = 512 * grain + 100; // two tables
    std::vector<std::uint8_t> image(8 * kSectorSize, 0);
    std::copy_n("COWD", 4, image.begin());
    Put(image, 4, 1, 4);
    Put(image, 12, sectors, 4);
    Put(image, 16, grain, 4);
    Put(image, 20, 4, 4); // directory at sector 4
    Put(image, 36, 16, 4);
    Put(image, 40, 63, 4);
    Put(image, 4 * kSectorSize + 4, 5, 4);     // the second table at sector 5
    Put(image, 5 * kSectorSize + 4 * 3, 8, 4); // its grain 3 at sector 8
    image.resize((8 + grain) * kSectorSize, 0x3c);
    std::unique_ptr<cBaseIO> disk = OpenContainer(cMemIO(image));
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->GetSectorCount(), sectors);
    std::vector<std::uint8_t> expected(std::size_t(sectors) * kSectorSize, 0);
    std::fill_n(expected.begin() + std::ptrdiff_t((512 + 3) * grain * kSectorSize),
                grain * kSectorSize, 0x3c);
    EXPECT_TRUE(SameSectors(*disk, expected));
    cDiskGeometry geometry;
    ASSERT_TRUE(disk->GetGeometry(geometry));
    EXPECT_EQ(geometry.heads, 16u);
}
