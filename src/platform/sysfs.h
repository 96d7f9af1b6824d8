#pragma once
// Block devices as sysfs describes them: which whole disks exist, and what each one is
// (removable media, the bus it hangs on, its product name). Every function takes the
// sysfs root so that tests can point it at a tree of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr const char* kSysfsRoot = "/sys";

// Names in ROOT/block (whole disks only: partitions live below their disk), sorted
// byte-wise, leaving out devices whose size is 0 (detached loop devices, empty drives).
std::vector<std::string> WholeDiskNames(const std::string& root = kSysfsRoot);

// The kernel name ("sda", "loop3") of the whole disk with this device number, or nothing
// when the number is a partition or unknown.
std::optional<std::string> WholeDiskNameOf(std::uint32_t major, std::uint32_t minor,
                                           const std::string& root = kSysfsRoot);

enum class BlockBus {
    Unknown,
    Scsi,
    Atapi,
    Ata,
    Sata,
    FireWire,
    Fibre,
    Usb,
    Raid,
    Iscsi,
    Sas,
    Sd,
    Mmc,
    Virtual,
    FileBacked,
    Nvme,
};

struct BlockDeviceFacts {
    bool removable = false;
    BlockBus bus = BlockBus::Unknown;
    // The model (else the vendor), or a loop device's backing file; raw bytes as sysfs
    // holds them, blanks and newline included.
    std::string product;
};

// Nothing when ROOT/block/NAME does not exist.
std::optional<BlockDeviceFacts> DescribeBlockDevice(const std::string& name,
                                                    const std::string& root = kSysfsRoot);

// True for SCSI devices of the CD/DVD type (peripheral type 5).
bool IsOpticalDrive(const std::string& name, const std::string& root = kSysfsRoot);

} // namespace platform
