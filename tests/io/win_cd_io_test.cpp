#include "io/win_cd_io.h"
#include "support/sim_device.h"

#include <gtest/gtest.h>

namespace {

using Reads = std::vector<std::pair<std::uint64_t, std::size_t>>;

std::shared_ptr<SimDisk> MakeDisc(SimDevices& devices, std::size_t blocks) {
    auto disc = devices.Cd(0) = MakeSimDisk(blocks * 2048, 2048);
    disc->optical = true;
    return disc;
}

std::unique_ptr<cWinCDIO> OpenCd(SimDevices& devices) {
    auto io = std::make_unique<cWinCDIO>(devices);
    const cNumberedDeviceResource resource(0);
    return io->Open(&resource, true) ? std::move(io) : nullptr;
}

} // namespace

TEST(WinCDIO, ReadsUnitsThroughAOneBlockCache) {
    SimDevices devices;
    auto disc = MakeDisc(devices, 100);
    auto io = OpenCd(devices);
    ASSERT_TRUE(io);
    EXPECT_EQ(io->GetSectorCount(), 400u);
    std::vector<std::uint8_t> out(10 * 512);
    ASSERT_EQ(io->SeekSector(2), 2);
    ASSERT_EQ(io->ReadSectors(out.data(), 10), 10u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), disc->bytes.begin() + 1024));
    EXPECT_EQ(disc->reads, Reads({{0, 2048}, {2048, 2048}, {4096, 2048}}));
    ASSERT_EQ(io->SeekSector(8), 8);
    ASSERT_EQ(io->ReadSectors(out.data(), 4), 4u); // block 2 is still cached
    EXPECT_EQ(disc->reads.size(), 3u);
    EXPECT_TRUE(disc->rawReads.empty());
}

TEST(WinCDIO, BadBlocksFallBackToReadCdUntilThatFailsToo) {
    SimDevices devices;
    auto disc = MakeDisc(devices, 100);
    disc->badBytes = {5 * 2048, 6 * 2048, 7 * 2048};
    disc->rawReadable = {5, 6};
    auto io = OpenCd(devices);
    ASSERT_TRUE(io);
    std::vector<std::uint8_t> out(40 * 512);
    ASSERT_EQ(io->SeekSector(16), 16);
    // Blocks 4 (ordinary), 5 and 6 (raw) read; block 7 fails both ways.
    ASSERT_EQ(io->ReadSectors(out.data(), 40), 12u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 12 * 512, disc->bytes.begin() + 16 * 512));
    EXPECT_EQ(disc->rawReads, (std::vector<std::uint32_t>{5, 6, 7}));
    // The position moved by what was read; the failed read left no stale block behind.
    ASSERT_EQ(io->ReadSectors(out.data(), 1), 0u);
    ASSERT_EQ(io->SeekSector(24), 24);
    ASSERT_EQ(io->ReadSectors(out.data(), 1), 1u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 512, disc->bytes.begin() + 24 * 512));
}

TEST(WinCDIO, SeekPastTheEndLandsOnTheEnd) {
    SimDevices devices;
    MakeDisc(devices, 10);
    auto io = OpenCd(devices);
    ASSERT_TRUE(io);
    EXPECT_EQ(io->SeekSector(1000), 1000);
    std::uint8_t out[512];
    EXPECT_EQ(io->ReadSectors(out, 1), 0u);
    EXPECT_EQ(io->ReadSectors(out, 0), 0u);
}

TEST(WinCDIO, OpensOnlyReadOnlyOpticalDrivesAndNamesThem) {
    SimDevices devices;
    auto disc = MakeDisc(devices, 10);
    disc->claimedLength = 2295104ull * 2048; // a 4.7 GB DVD
    disc->descriptor = cDeviceDescriptor{true, bus_type::kAtapi, "DVD-ROM  "};
    cWinCDIO io(devices);
    const cNumberedDeviceResource resource(0);
    EXPECT_FALSE(io.Open(&resource, false));
    ASSERT_TRUE(io.Open(&resource, true));
    std::u16string name;
    ASSERT_TRUE(io.GetName(name));
    EXPECT_EQ(name, u"Drive sr0: (CD/DVD) : Removable ATAPI DVD-ROM (4.37GB)");
    EXPECT_EQ(io.DisplayName(), u"sim:sr0");
    EXPECT_EQ(io.GetStorageKind(), storage_kind::kCdDvd);
    EXPECT_TRUE(devices.writableOpens.empty());
    io.Close();
    EXPECT_FALSE(io.GetName(name));

    disc->optical = false; // a hard disk at the CD's path is not a CD
    EXPECT_FALSE(io.Open(&resource, true));
}
