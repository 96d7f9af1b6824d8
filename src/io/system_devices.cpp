// Linux block devices: physical drives are the whole disks sysfs lists (sorted by name,
// empty ones left out), floppies /dev/fdN, CD/DVD drives /dev/srN.

#include "io/device_access.h"
#include "platform/block_device.h"
#include "platform/scsi.h"
#include "platform/storage_file.h"
#include "platform/sysfs.h"

#include <algorithm>

namespace {

// Old partitioning tools assume this geometry when a drive does not report its own.
constexpr std::uint32_t kDefaultSectorsPerTrack = 63;
constexpr std::uint32_t kDefaultHeads = 255;

std::uint32_t BusNumber(platform::BlockBus bus) {
    using platform::BlockBus;
    switch (bus) {
    case BlockBus::Scsi:
        return bus_type::kScsi;
    case BlockBus::Atapi:
        return bus_type::kAtapi;
    case BlockBus::Ata:
        return bus_type::kAta;
    case BlockBus::Sata:
        return bus_type::kSata;
    case BlockBus::FireWire:
        return bus_type::kFireWire;
    case BlockBus::Fibre:
        return bus_type::kFibre;
    case BlockBus::Usb:
        return bus_type::kUsb;
    case BlockBus::Raid:
        return bus_type::kRaid;
    case BlockBus::Iscsi:
        return bus_type::kIscsi;
    case BlockBus::Sas:
        return bus_type::kSas;
    case BlockBus::Sd:
        return bus_type::kSd;
    case BlockBus::Mmc:
        return bus_type::kMmc;
    case BlockBus::Virtual:
        return bus_type::kVirtual;
    case BlockBus::FileBacked:
        return bus_type::kFileBackedVirtual;
    case BlockBus::Nvme:
        return bus_type::kNvme;
    case BlockBus::Unknown:
        break;
    }
    return bus_type::kUnknown;
}

// The sysfs name of the whole disk a node stands for ("sdb" for /dev/sdb or for a
// /dev/disk/by-id link to it).
std::optional<std::string> DiskNameOf(const std::string& path) {
    const auto number = platform::BlockDeviceNumber(path);
    if (!number) {
        return std::nullopt;
    }
    return platform::WholeDiskNameOf(number->major, number->minor);
}

class cSystemDevice final : public cBlockDevice {
public:
    cSystemDevice(platform::StorageFile file, std::string path)
        : file_(std::move(file)), path_(std::move(path)) {}

    std::size_t ReadAt(void* buffer, std::size_t size, std::uint64_t offset) override {
        return file_.ReadAt(buffer, size, offset);
    }
    std::size_t ReadUncachedAt(void* buffer, std::size_t size, std::uint64_t offset) override {
        return file_.ReadUncachedAt(buffer, size, offset);
    }
    std::size_t WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) override {
        return file_.WriteAt(buffer, size, offset);
    }
    std::optional<cDeviceGeometry> Geometry() override {
        const auto sectorSize = platform::LogicalSectorSize(file_);
        if (!sectorSize) {
            return std::nullopt;
        }
        cDeviceGeometry geometry{*sectorSize, kDefaultSectorsPerTrack, kDefaultHeads, 0};
        if (const auto chs = platform::LegacyGeometry(file_)) {
            geometry.sectorsPerTrack = chs->sectorsPerTrack;
            geometry.heads = chs->heads;
        }
        // The driver's cylinder count is 16 bits wide; the capacity gives the real one.
        const std::uint64_t cylinderBytes =
            std::uint64_t(geometry.bytesPerSector) * geometry.sectorsPerTrack * geometry.heads;
        geometry.cylinders = Length().value_or(0) / cylinderBytes;
        return geometry;
    }
    std::optional<std::uint64_t> Length() override { return file_.Size(); }
    std::optional<cDeviceDescriptor> Descriptor() override {
        const auto name = DiskNameOf(path_);
        const auto facts = name ? platform::DescribeBlockDevice(*name) : std::nullopt;
        if (!facts) {
            return std::nullopt;
        }
        return cDeviceDescriptor{facts->removable, BusNumber(facts->bus), facts->product};
    }
    std::optional<std::size_t> ReadCdBlock(std::uint32_t lba, void* buffer) override {
        return platform::ReadCdBlock(file_, lba, buffer);
    }

private:
    platform::StorageFile file_;
    std::string path_;
};

class cSystemDevices final : public cDeviceProvider {
public:
    std::uint32_t DriveCount() override { return std::uint32_t(platform::WholeDiskNames().size()); }
    std::string DrivePath(std::uint32_t number) override {
        const auto names = platform::WholeDiskNames();
        if (number >= names.size()) {
            return {};
        }
        // Kernel names stand for nested /dev paths with '!' ("cciss!c0d0").
        std::string node = names[number];
        std::replace(node.begin(), node.end(), '!', '/');
        return "/dev/" + node;
    }
    std::optional<std::uint32_t> DriveNumberOf(const std::string& path) override {
        const auto name = DiskNameOf(path);
        if (!name) {
            return std::nullopt;
        }
        const auto names = platform::WholeDiskNames();
        const auto found = std::find(names.begin(), names.end(), *name);
        if (found == names.end()) {
            return std::nullopt;
        }
        return std::uint32_t(found - names.begin());
    }
    std::string FloppyPath(std::uint32_t letter) override {
        if (letter < 'A' || letter > 'Z') {
            return {};
        }
        return "/dev/fd" + std::to_string(letter - 'A');
    }
    std::string CdPath(std::uint32_t number) override { return "/dev/sr" + std::to_string(number); }
    bool IsCdDrive(const std::string& path) override {
        const auto name = DiskNameOf(path);
        return name && platform::IsOpticalDrive(*name);
    }
    std::unique_ptr<cBlockDevice> Open(const std::string& path, bool writable) override {
        platform::StorageFile file;
        if (!file.Open(path, writable)) {
            return nullptr;
        }
        return std::make_unique<cSystemDevice>(std::move(file), path);
    }
};

} // namespace

cDeviceProvider& SystemDevices() {
    static cSystemDevices devices;
    return devices;
}
