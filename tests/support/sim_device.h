#pragma once
// A simulated block device for tests and fuzzers, for what no loop device shows: geometry requests
// that fail, reads that stop short at a bad spot, a count of device requests, CD blocks that only
// READ CD returns. Drives are numbered as the provider's map says; a missing number fails
// to open.

#include "io/device_access.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct SimDisk {
    std::vector<std::uint8_t> bytes;
    std::uint32_t bytesPerSector = 512;
    bool geometryFails = false;
    bool lengthFails = false;
    // When set, the length the device claims instead of the size of bytes.
    std::optional<std::uint64_t> claimedLength;
    bool optical = false;
    std::optional<cDeviceDescriptor> descriptor;
    // Reads stop before the first of these byte offsets that they would touch.
    std::set<std::uint64_t> badBytes;
    // Blocks READ CD returns even though they are bad for ordinary reads.
    std::set<std::uint32_t> rawReadable;
    // Every ordinary read as (offset, size), and every READ CD by block address.
    std::vector<std::pair<std::uint64_t, std::size_t>> reads;
    std::vector<std::uint32_t> rawReads;
    std::vector<std::pair<std::uint64_t, std::size_t>> writes;
};

class SimDevice final : public cBlockDevice {
public:
    explicit SimDevice(std::shared_ptr<SimDisk> disk) : disk_(std::move(disk)) {}

    std::size_t ReadAt(void* buffer, std::size_t size, std::uint64_t offset) override;
    std::size_t WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) override;
    std::optional<cDeviceGeometry> Geometry() override;
    std::optional<std::uint64_t> Length() override;
    std::optional<cDeviceDescriptor> Descriptor() override { return disk_->descriptor; }
    std::optional<std::size_t> ReadCdBlock(std::uint32_t lba, void* buffer) override;

private:
    std::shared_ptr<SimDisk> disk_;
};

class SimDevices final : public cDeviceProvider {
public:
    std::shared_ptr<SimDisk>& Drive(std::uint32_t number) { return drives_[number]; }
    std::shared_ptr<SimDisk>& Cd(std::uint32_t number) { return cds_[number]; }
    std::shared_ptr<SimDisk>& Floppy(char letter) { return floppies_[std::uint32_t(letter)]; }
    // Drives counted by DriveCount: numbers up to and including the highest present.
    std::uint32_t DriveCount() override;
    std::string DrivePath(std::uint32_t number) override;
    std::optional<std::uint32_t> DriveNumberOf(const std::string& path) override;
    std::string FloppyPath(std::uint32_t letter) override;
    std::string CdPath(std::uint32_t number) override;
    bool IsCdDrive(const std::string& path) override;
    std::unique_ptr<cBlockDevice> Open(const std::string& path, bool writable) override;

    // Paths opened for writing, to prove that nothing asked for write access.
    std::vector<std::string> writableOpens;

private:
    std::shared_ptr<SimDisk> Find(const std::string& path);

    std::map<std::uint32_t, std::shared_ptr<SimDisk>> drives_, cds_, floppies_;
};

// A disk of the given size whose every byte tells its offset apart from its neighbours'.
std::shared_ptr<SimDisk> MakeSimDisk(std::size_t size, std::uint32_t bytesPerSector = 512);
