#include "sim_device.h"

#include <algorithm>
#include <cstring>

std::size_t SimDevice::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) {
    disk_->reads.emplace_back(offset, size);
    if (offset >= disk_->bytes.size()) {
        return 0;
    }
    std::size_t n = std::min<std::size_t>(size, disk_->bytes.size() - offset);
    const auto bad = disk_->badBytes.lower_bound(offset);
    if (bad != disk_->badBytes.end() && *bad - offset < n) {
        // A device transfers whole sectors: the sector holding the bad byte is lost too.
        n = std::size_t(*bad - offset) / disk_->bytesPerSector * disk_->bytesPerSector;
    }
    std::memcpy(buffer, disk_->bytes.data() + offset, n);
    return n;
}

std::size_t SimDevice::WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) {
    disk_->writes.emplace_back(offset, size);
    if (offset >= disk_->bytes.size()) {
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(size, disk_->bytes.size() - offset);
    std::memcpy(disk_->bytes.data() + offset, buffer, n);
    return n;
}

std::optional<cDeviceGeometry> SimDevice::Geometry() {
    if (disk_->geometryFails) {
        return std::nullopt;
    }
    const std::uint64_t cylinder = std::uint64_t(disk_->bytesPerSector) * 63 * 255;
    return cDeviceGeometry{disk_->bytesPerSector, 63, 255, disk_->bytes.size() / cylinder};
}

std::optional<std::uint64_t> SimDevice::Length() {
    if (disk_->lengthFails) {
        return std::nullopt;
    }
    return disk_->claimedLength.value_or(disk_->bytes.size());
}

std::optional<std::size_t> SimDevice::ReadCdBlock(std::uint32_t lba, void* buffer) {
    disk_->rawReads.push_back(lba);
    const std::uint64_t offset = std::uint64_t(lba) * disk_->bytesPerSector;
    if (!disk_->rawReadable.count(lba) || offset + disk_->bytesPerSector > disk_->bytes.size()) {
        return std::nullopt;
    }
    std::memset(buffer, 0, kRawCdTransfer);
    std::memcpy(buffer, disk_->bytes.data() + offset, disk_->bytesPerSector);
    return disk_->bytesPerSector;
}

std::uint32_t SimDevices::DriveCount() {
    return drives_.empty() ? 0 : drives_.rbegin()->first + 1;
}

std::string SimDevices::DrivePath(std::uint32_t number) {
    return number < DriveCount() ? "sim:drive" + std::to_string(number) : std::string();
}

std::optional<std::uint32_t> SimDevices::DriveNumberOf(const std::string& path) {
    for (const auto& [number, disk] : drives_) {
        if (DrivePath(number) == path) {
            return number;
        }
    }
    return std::nullopt;
}

std::string SimDevices::FloppyPath(std::uint32_t letter) {
    return "sim:fd" + std::to_string(letter);
}

std::string SimDevices::CdPath(std::uint32_t number) {
    return "sim:sr" + std::to_string(number);
}

bool SimDevices::IsCdDrive(const std::string& path) {
    const auto disk = Find(path);
    return disk && disk->optical;
}

std::shared_ptr<SimDisk> SimDevices::Find(const std::string& path) {
    for (auto* table : {&drives_, &cds_, &floppies_}) {
        for (const auto& [number, disk] : *table) {
            const std::string name = table == &drives_ ? DrivePath(number)
                                     : table == &cds_  ? CdPath(number)
                                                       : FloppyPath(number);
            if (name == path) {
                return disk;
            }
        }
    }
    return nullptr;
}

std::unique_ptr<cBlockDevice> SimDevices::Open(const std::string& path, bool writable) {
    if (writable) {
        writableOpens.push_back(path);
    }
    auto disk = Find(path);
    return disk ? std::make_unique<SimDevice>(disk) : nullptr;
}

std::shared_ptr<SimDisk> MakeSimDisk(std::size_t size, std::uint32_t bytesPerSector) {
    auto disk = std::make_shared<SimDisk>();
    disk->bytesPerSector = bytesPerSector;
    disk->bytes.resize(size);
    for (std::size_t i = 0; i < size; ++i) {
        disk->bytes[i] = std::uint8_t(i * 31 + i / 512 + i / 65536);
    }
    return disk;
}
