// Loop devices are real block devices: the kernel's sector sizes, sizes and sysfs
// entries, over image files whose every byte is known.

#include "base/utf.h"
#include "io/flat_io.h"
#include "io/storage_list.h"
#include "io/storage_source.h"
#include "io/win_hd_io.h"
#include "support/fixtures.h"
#include "support/loop_device.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// 1 MiB and three 4 KiB blocks: a multiple of 4096, and not of any larger power of two.
constexpr std::size_t kImageSize = (1 << 20) + 3 * 4096;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = std::uint8_t(state >> 24);
    }
    return bytes;
}

std::string WriteImage(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return fs::canonical(path).string();
}

std::uint64_t Hash(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t hash = 1469598103934665603ull;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        hash = (hash ^ std::uint8_t(*it)) * 1099511628211ull;
    }
    return hash;
}

// Drive numbers shift when anyone attaches or detaches a device, so the drive is looked up
// and opened until the reader really is on the loop device.
std::unique_ptr<cWinHDIO> OpenLoopDrive(const std::string& path) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto number = SystemDevices().DriveNumberOf(path);
        if (!number) {
            continue;
        }
        auto drive = std::make_unique<cWinHDIO>();
        const cNumberedDeviceResource resource(*number);
        if (drive->Open(&resource, true) && drive->Path() == utf::FromUtf8(path)) {
            return drive;
        }
    }
    return nullptr;
}

class LoopDeviceTest : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        if (!fixtures::IsRoot()) {
            GTEST_SKIP() << "loop devices need root";
        }
        bytes_ = Pattern(kImageSize, GetParam());
        image_ = WriteImage(fixtures::ScratchDir() + "/loop.img", bytes_);
        loop_ = std::make_unique<fixtures::LoopDevice>(image_, GetParam());
        ASSERT_TRUE(loop_->Attached());
        drive_ = OpenLoopDrive(loop_->Path());
        ASSERT_TRUE(drive_) << loop_->Path();
    }

    void ExpectSectors(std::uint64_t sector, std::uint32_t count, std::uint32_t expected) {
        std::vector<std::uint8_t> out(std::size_t(count) * 512, 0xCC);
        ASSERT_EQ(drive_->SeekSector(sector), std::int64_t(sector));
        ASSERT_EQ(drive_->ReadSectors(out.data(), count), expected) << sector << "+" << count;
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + std::size_t(expected) * 512,
                               bytes_.begin() + std::ptrdiff_t(sector * 512)))
            << sector << "+" << count;
    }

    std::vector<std::uint8_t> bytes_;
    std::string image_;
    std::unique_ptr<fixtures::LoopDevice> loop_;
    std::unique_ptr<cWinHDIO> drive_;
};

} // namespace

TEST_P(LoopDeviceTest, DriveReportsTheDevicesSizeSectorSizeAndName) {
    EXPECT_EQ(drive_->GetSectorCount(), kImageSize / 512);
    cDiskGeometry geometry;
    ASSERT_TRUE(drive_->GetGeometry(geometry));
    EXPECT_EQ(geometry.bytesPerSector, GetParam());
    EXPECT_TRUE(drive_->IsReadOnly());
    std::u16string name;
    ASSERT_TRUE(drive_->GetName(name));
    const std::string text = utf::ToUtf8(name);
    EXPECT_EQ(text.substr(0, 5), "Drive");
    // The product of a loop device is its backing file, cut at 100 characters.
    EXPECT_NE(text.find(": Fixed Virtual " + image_.substr(0, 100)), std::string::npos) << text;
}

TEST_P(LoopDeviceTest, SectorReadsAtAnyAlignmentReturnTheFilesBytes) {
    const std::uint32_t total = kImageSize / 512;
    const std::pair<std::uint64_t, std::uint32_t> reads[] = {
        {0, 1},         {0, 8},         {1, 1},    {5, 3},         {8, 16},
        {3, 20},        {7, 1},         {7, 2},    {13, 100},      {9, 7},
        {total - 3, 3}, {total - 8, 8}, {0, 2047}, {1, total - 1}, {0, total},
    };
    for (const auto& [sector, count] : reads) {
        ExpectSectors(sector, count, count);
    }
    ExpectSectors(total - 1, 5, 1); // cut at the end
    ExpectSectors(total, 1, 0);
}

TEST_P(LoopDeviceTest, ByteReadsAcrossSectorEdgesReturnTheFilesBytes) {
    const std::pair<std::uint64_t, std::uint32_t> ranges[] = {
        {0, 10},
        {1020, 10},
        {511, 2},
        {4095, 2},
        {100, 1500},
        {4000, 9000},
        {3 * 4096 + 17, 70000},
        {kImageSize - 10, 10},
        {kImageSize - 5000, 5000},
    };
    for (const auto& [offset, length] : ranges) {
        std::vector<std::uint8_t> out(length, 0xCC);
        ASSERT_TRUE(drive_->ReadBytes(out.data(), offset, length)) << offset;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes_.begin() + std::ptrdiff_t(offset)))
            << offset << "+" << length;
    }
    std::uint8_t out[20];
    EXPECT_FALSE(drive_->ReadBytes(out, kImageSize - 10, 20));
}

TEST_P(LoopDeviceTest, EnumerationAndSourceResolutionFindTheDevice) {
    cStorageList list(nullptr);
    list.EnumeratePhysicalDrives();
    const cQORNDriveInstance* found = nullptr;
    for (const auto& entry : list.Entries()) {
        if (entry->Reader().Path() == utf::FromUtf8(loop_->Path())) {
            found = entry.get();
        }
    }
    ASSERT_NE(found, nullptr) << loop_->Path();
    EXPECT_EQ(found->Reader().GetSectorCount(), kImageSize / 512);
    EXPECT_EQ(found->Reader().GetStorageKind(), storage_kind::kWindowsDisk);

    std::string error;
    const auto source = ResolveStorageSource(loop_->Path(), error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->kind, cStorageSource::Kind::Drive);
    auto reader = OpenStorageSource(*source);
    ASSERT_TRUE(reader);
    std::vector<std::uint8_t> out(4096);
    ASSERT_TRUE(reader->ReadBytes(out.data(), 8192, 4096));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes_.begin() + 8192));
}

// The retry of a scan past a bad sector must reach the device, not the page cache in
// front of it: a sector changed in the backing file behind the device's cached copy is
// seen only by an uncached read. Both readers of a device node take whole device sectors.
TEST_P(LoopDeviceTest, UncachedReadsBypassTheDevicesCache) {
    const std::uint32_t unit = GetParam() / 512;
    auto node = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(utf::FromUtf8(loop_->Path()));
    ASSERT_TRUE(node->Open(&resource, true));
    EXPECT_EQ(drive_->UncachedUnit(), unit);
    EXPECT_EQ(node->UncachedUnit(), unit);

    const std::uint64_t sector = 3 * unit;
    std::vector<std::uint8_t> out(GetParam());
    ASSERT_EQ(drive_->SeekSector(sector), std::int64_t(sector));
    ASSERT_EQ(drive_->ReadSectors(out.data(), unit), unit); // now in the device's cache
    std::vector<std::uint8_t> changed(bytes_.begin() + std::ptrdiff_t(sector * 512),
                                      bytes_.begin() + std::ptrdiff_t((sector + unit) * 512));
    for (auto& byte : changed) {
        byte ^= 0x5A;
    }
    std::fstream(image_, std::ios::binary | std::ios::in | std::ios::out)
        .seekp(std::streamoff(sector * 512))
        .write(reinterpret_cast<const char*>(changed.data()), std::streamsize(changed.size()));
    for (cBaseIO* reader :
         {static_cast<cBaseIO*>(drive_.get()), static_cast<cBaseIO*>(node.get())}) {
        std::fill(out.begin(), out.end(), 0xCC);
        ASSERT_EQ(reader->ReadUncached(sector, out.data()), unit);
        EXPECT_EQ(out, changed);
        // The position is behind the unit.
        ASSERT_EQ(reader->ReadSectors(out.data(), 1), 1u);
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + 512,
                               bytes_.begin() + std::ptrdiff_t((sector + unit) * 512)));
        EXPECT_EQ(reader->ReadUncached(kImageSize / 512, out.data()), 0u);
        if (unit > 1) {
            EXPECT_EQ(reader->ReadUncached(sector + 1, out.data()), 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, LoopDeviceTest, ::testing::Values(512u, 4096u));

// Listing and reading every drive the machine has must leave the storages untouched.
TEST(LoopDeviceSafety, EnumeratingAndReadingEveryDriveChangesNoByte) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "loop devices need root";
    }
    const std::string folder = fixtures::ScratchDir();
    const std::string small = WriteImage(folder + "/small.img", Pattern(kImageSize, 7));
    const std::string large = WriteImage(folder + "/large.img", Pattern(kImageSize, 8));
    const std::uint64_t before[] = {Hash(small), Hash(large)};
    {
        fixtures::LoopDevice first(small, 512);
        fixtures::LoopDevice second(large, 4096);
        ASSERT_TRUE(first.Attached() && second.Attached());
        cStorageList list(nullptr);
        list.EnumeratePhysicalDrives();
        std::vector<std::uint8_t> buffer(1 << 20);
        for (const auto& entry : list.Entries()) {
            cBaseIO& reader = entry->Reader();
            const std::uint64_t total = reader.GetSectorCount();
            const bool mine = reader.Path() == utf::FromUtf8(first.Path()) ||
                              reader.Path() == utf::FromUtf8(second.Path());
            // Whole loop devices of ours; the first and last MiB of everything else.
            for (std::uint64_t at = 0; at < total;) {
                const std::uint32_t count =
                    std::uint32_t(std::min<std::uint64_t>(2048, total - at));
                reader.SeekSector(at);
                reader.ReadSectors(buffer.data(), count);
                at += count;
                if (!mine && at < total && at >= 2048) {
                    at = std::max(at, total - std::min<std::uint64_t>(total, 2048));
                }
            }
        }
        list.Clear();
    }
    EXPECT_EQ(Hash(small), before[0]);
    EXPECT_EQ(Hash(large), before[1]);
}
