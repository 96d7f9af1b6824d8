#include "io/win_hd_io.h"
#include "support/sim_device.h"

#include <gtest/gtest.h>

namespace {

using Reads = std::vector<std::pair<std::uint64_t, std::size_t>>;

std::unique_ptr<cWinHDIO> OpenDrive(SimDevices& devices, std::uint32_t number) {
    auto io = std::make_unique<cWinHDIO>(devices);
    const cNumberedDeviceResource resource(number);
    return io->Open(&resource, true) ? std::move(io) : nullptr;
}

// Reads count units from sector and checks them against the disk's own bytes.
void ExpectRead(cWinHDIO& io, const SimDisk& disk, std::uint64_t sector, std::uint32_t count,
                std::uint32_t expected) {
    std::vector<std::uint8_t> out(std::size_t(count) * 512, 0xCC);
    ASSERT_EQ(io.SeekSector(sector), std::int64_t(sector));
    ASSERT_EQ(io.ReadSectors(out.data(), count), expected) << sector << "+" << count;
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + std::size_t(expected) * 512,
                           disk.bytes.begin() + sector * 512))
        << sector << "+" << count;
}

} // namespace

TEST(WinHDIO, LargeSectorsAreReadAsHeadMiddleAndTail) {
    struct Case {
        std::uint64_t sector;
        std::uint32_t count;
        Reads reads;
    };
    const Case cases[] = {
        {5, 3, {{0, 4096}}},                              // inside physical sector 0
        {8, 16, {{4096, 8192}}},                          // two whole sectors, one request
        {3, 20, {{0, 4096}, {4096, 4096}, {8192, 4096}}}, // head, middle, tail
        {16, 3, {{8192, 4096}}},                          // tail only
        {6, 2, {{0, 4096}}},                              // head ending on a boundary
        {7, 17, {{0, 4096}, {4096, 8192}}},               // head and middle
    };
    SimDevices devices;
    auto disk = devices.Drive(0) = MakeSimDisk(64 * 4096, 4096);
    for (const auto& c : cases) {
        auto io = OpenDrive(devices, 0);
        ASSERT_TRUE(io);
        disk->reads.clear();
        ExpectRead(*io, *disk, c.sector, c.count, c.count);
        EXPECT_EQ(disk->reads, c.reads) << c.sector << "+" << c.count;
    }
}

TEST(WinHDIO, ConsecutiveReadsContinueWhereTheLastEnded) {
    SimDevices devices;
    auto disk = devices.Drive(0) = MakeSimDisk(16 * 4096, 4096);
    auto io = OpenDrive(devices, 0);
    ASSERT_TRUE(io);
    ASSERT_EQ(io->SeekSector(1), 1);
    std::vector<std::uint8_t> out(16 * 4096);
    std::size_t at = 512;
    for (std::uint32_t count : {3u, 9u, 1u, 17u, 7u}) {
        ASSERT_EQ(io->ReadSectors(out.data(), count), count);
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + count * 512, disk->bytes.begin() + at));
        at += count * 512;
    }
}

TEST(WinHDIO, ReadsStopAtTheEndAndAtABadSector) {
    SimDevices devices;
    auto small = devices.Drive(0) = MakeSimDisk(64 * 512);
    auto large = devices.Drive(1) = MakeSimDisk(16 * 4096, 4096);
    auto io = OpenDrive(devices, 0);
    ASSERT_TRUE(io);
    ExpectRead(*io, *small, 60, 8, 4); // cut at the end
    ExpectRead(*io, *small, 64, 1, 0);
    small->badBytes.insert(20 * 512 + 7);
    ExpectRead(*io, *small, 10, 20, 10); // short read: the units before the bad one

    auto big = OpenDrive(devices, 1);
    ASSERT_TRUE(big);
    ExpectRead(*big, *large, 125, 8, 3);
    large->badBytes.insert(2 * 4096 + 100);
    ExpectRead(*big, *large, 3, 30, 5);   // the middle fails: only the head counts
    ExpectRead(*big, *large, 20, 4, 0);   // the head sector itself is bad
    ExpectRead(*big, *large, 12, 8, 4);   // the tail fails
    ExpectRead(*big, *large, 8, 16, 0);   // a middle with a bad sector reads nothing
    ExpectRead(*big, *large, 24, 16, 16); // and the reader recovers afterwards
}

TEST(WinHDIO, UncachedReadsTakeWholeDriveSectorsAndFailAlone) {
    SimDevices devices;
    auto disk = devices.Drive(0) = MakeSimDisk(16 * 4096, 4096);
    disk->badBytes.insert(2 * 4096 + 100);
    auto io = OpenDrive(devices, 0);
    ASSERT_TRUE(io);
    EXPECT_EQ(io->UncachedUnit(), 8u);
    std::vector<std::uint8_t> out(4096);
    EXPECT_EQ(io->ReadUncached(16, out.data()), 0u); // the unit holding the bad byte
    EXPECT_EQ(io->ReadUncached(12, out.data()), 0u); // not on a drive sector
    disk->reads.clear();
    ASSERT_EQ(io->ReadUncached(24, out.data()), 8u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), disk->bytes.begin() + 24 * 512));
    EXPECT_EQ(disk->reads, (Reads{{24 * 512, 4096}}));
    ExpectRead(*io, *disk, 32, 1, 1);
    EXPECT_EQ(io->ReadUncached(16 * 8, out.data()), 0u); // past the end
}

TEST(WinHDIO, OpenNeedsGeometryAndTakesTheLength) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(1000 * 512);
    devices.Drive(0)->geometryFails = true;
    devices.Drive(1) = MakeSimDisk(1000 * 512);
    devices.Drive(1)->lengthFails = true;
    EXPECT_FALSE(OpenDrive(devices, 0));
    EXPECT_FALSE(OpenDrive(devices, 7));
    // Without the length the size is whole cylinders, here none at all.
    auto io = OpenDrive(devices, 1);
    ASSERT_TRUE(io);
    EXPECT_EQ(io->GetSectorCount(), 0u);
    devices.Drive(1)->lengthFails = false;
    io = OpenDrive(devices, 1);
    EXPECT_EQ(io->GetSectorCount(), 1000u);
    cDiskGeometry geometry;
    ASSERT_TRUE(io->GetGeometry(geometry));
    EXPECT_EQ(geometry.bytesPerSector, 512u);
    EXPECT_EQ(geometry.heads, 255u);
    EXPECT_EQ(geometry.sectorsPerTrack, 63u);
    EXPECT_TRUE(io->IsReadOnly());
    EXPECT_TRUE(devices.writableOpens.empty());
}

TEST(WinHDIO, NameCarriesTheDeviceSuffix) {
    struct Case {
        std::optional<cDeviceDescriptor> descriptor;
        std::u16string name;
    };
    const std::string longProduct(150, 'x');
    const Case cases[] = {
        {std::nullopt, u"Drive0"},
        {cDeviceDescriptor{true, bus_type::kUsb, "Flash Disk      \n"},
         u"Drive0: Removable USB Flash Disk"},
        {cDeviceDescriptor{false, bus_type::kSata, "SSD 870"}, u"Drive0: Fixed SATA SSD 870"},
        {cDeviceDescriptor{false, bus_type::kNvme, ""}, u"Drive0: Fixed NVMe"},
        {cDeviceDescriptor{false, bus_type::kFileBackedVirtual, "/img/a.img\n"},
         u"Drive0: Fixed Virtual /img/a.img"},
        {cDeviceDescriptor{false, 99, std::string("Disk\0junk", 9)}, u"Drive0: Fixed Unknown Disk"},
        {cDeviceDescriptor{false, bus_type::kScsi, longProduct},
         u"Drive0: Fixed SCSI " + std::u16string(100, u'x')},
    };
    for (const auto& c : cases) {
        SimDevices devices;
        devices.Drive(0) = MakeSimDisk(8 * 512);
        devices.Drive(0)->descriptor = c.descriptor;
        cWinHDIO io(devices);
        std::u16string name = u"untouched";
        EXPECT_FALSE(io.GetName(name));
        EXPECT_EQ(name, u"untouched");
        const cNumberedDeviceResource resource(0);
        ASSERT_TRUE(io.Open(&resource, true));
        ASSERT_TRUE(io.GetName(name));
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(io.DisplayName(), c.name);
        EXPECT_EQ(io.IsRemovable(), c.descriptor && c.descriptor->removable);
        io.Close();
        EXPECT_FALSE(io.GetName(name));
    }
}

TEST(WinHDIO, DuplicateRefusesANumberThatNowNamesAnotherDrive) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(8 * 512);
    devices.Drive(1) = MakeSimDisk(8 * 512);
    auto io = OpenDrive(devices, 1);
    ASSERT_TRUE(io);
    auto copy = io->Duplicate();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->IsSameStorage(io.get()));
    EXPECT_FALSE(copy->IsSameStorage(OpenDrive(devices, 0).get()));
    devices.Drive(1).reset(); // the drive went away
    EXPECT_EQ(io->Duplicate(), nullptr);
}

TEST(WinHDIO, WritesLandOnTheUnitAskedForAndNeverOnAReadOnlyDrive) {
    SimDevices devices;
    auto disk = devices.Drive(0) = MakeSimDisk(16 * 4096, 4096);
    auto io = OpenDrive(devices, 0);
    ASSERT_TRUE(io);
    const std::vector<std::uint8_t> data(1024, 0xAB);
    EXPECT_EQ(io->WriteSectors(3, data.data(), 2), 0u);
    EXPECT_TRUE(disk->writes.empty());
    ASSERT_TRUE(io->SetReadOnly(false));
    EXPECT_EQ(io->WriteSectors(3, data.data(), 2), 2u);
    EXPECT_EQ(disk->writes, Reads({{3 * 512, 1024}}));
    EXPECT_EQ(io->WriteSectors(127, data.data(), 2), 1u); // cut at the end
    EXPECT_EQ(io->WriteSectors(128, data.data(), 1), 0u);
}

TEST(WinFloppyIO, IsARemovableLetteredDrive) {
    SimDevices devices;
    devices.Floppy('A') = MakeSimDisk(2880 * 512);
    cWinFloppyIO io(devices);
    const cNumberedDeviceResource resource('A');
    ASSERT_TRUE(io.Open(&resource, true));
    std::u16string name;
    ASSERT_TRUE(io.GetName(name));
    EXPECT_EQ(name, u"Drive A:");
    EXPECT_TRUE(io.IsRemovable());
    EXPECT_EQ(io.GetStorageKind(), storage_kind::kLocalDrive);
    EXPECT_EQ(io.GetSectorCount(), 2880u);
    auto copy = io.Duplicate();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetStorageKind(), storage_kind::kLocalDrive);
    cWinFloppyIO missing(devices);
    const cNumberedDeviceResource b('B');
    EXPECT_FALSE(missing.Open(&b, true));
}
