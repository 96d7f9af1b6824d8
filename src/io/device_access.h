#pragma once
// The device readers (cWinHDIO, cWinFloppyIO, cWinCDIO) reach devices only through these
// two small interfaces, so that a simulated device can show them what no real device
// here will: a geometry request that fails, a short read, an unreadable CD block that
// only the raw READ CD recovers. SystemDevices() is the real thing on Linux.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The bus a device hangs on, numbered as storage descriptors number them; the last few
// are buses that older descriptors had no number for.
namespace bus_type {
inline constexpr std::uint32_t kUnknown = 0;
inline constexpr std::uint32_t kScsi = 1;
inline constexpr std::uint32_t kAtapi = 2;
inline constexpr std::uint32_t kAta = 3;
inline constexpr std::uint32_t kFireWire = 4;
inline constexpr std::uint32_t kSsa = 5;
inline constexpr std::uint32_t kFibre = 6;
inline constexpr std::uint32_t kUsb = 7;
inline constexpr std::uint32_t kRaid = 8;
inline constexpr std::uint32_t kIscsi = 9;
inline constexpr std::uint32_t kSata = 10;
inline constexpr std::uint32_t kSas = 11;
inline constexpr std::uint32_t kSd = 12;
inline constexpr std::uint32_t kMmc = 13;
inline constexpr std::uint32_t kVirtual = 14;
inline constexpr std::uint32_t kFileBackedVirtual = 15;
inline constexpr std::uint32_t kNvme = 17;
} // namespace bus_type

struct cDeviceGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t heads = 0;
    std::uint64_t cylinders = 0;
};

// What a device says about itself for its display name.
struct cDeviceDescriptor {
    bool removable = false;
    std::uint32_t busType = bus_type::kUnknown;
    std::string product; // 8-bit text as the device reports it, trailing blanks included
};

// One open device node.
class cBlockDevice {
public:
    // The transfer READ CD asks for: one whole 2352-byte CD frame.
    static constexpr std::size_t kRawCdTransfer = 2352;

    virtual ~cBlockDevice() = default;
    // Bytes transferred; short at the end of the device or at the first error.
    virtual std::size_t ReadAt(void* buffer, std::size_t size, std::uint64_t offset) = 0;
    // ReadAt past the system's cache, for whole logical sectors; devices without a cache
    // read as ReadAt does.
    virtual std::size_t ReadUncachedAt(void* buffer, std::size_t size, std::uint64_t offset) {
        return ReadAt(buffer, size, offset);
    }
    virtual std::size_t WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) = 0;
    // Nothing when the device does not answer the geometry request.
    virtual std::optional<cDeviceGeometry> Geometry() = 0;
    // The capacity in bytes, when the device reports it.
    virtual std::optional<std::uint64_t> Length() = 0;
    virtual std::optional<cDeviceDescriptor> Descriptor() = 0;
    // READ CD of one block (user data only) into kRawCdTransfer bytes at buffer; the bytes
    // transferred, or nothing when the request failed.
    virtual std::optional<std::size_t> ReadCdBlock(std::uint32_t lba, void* buffer) = 0;
};

// Names and opens device nodes. Readers keep a reference to the provider they were made
// with (and give it to their duplicates), so a provider outlives its readers.
class cDeviceProvider {
public:
    virtual ~cDeviceProvider() = default;
    // Physical drives are numbered from 0; DrivePath answers "" for a number without one.
    virtual std::uint32_t DriveCount() = 0;
    virtual std::string DrivePath(std::uint32_t number) = 0;
    // The drive number of a device node, when it is one of the physical drives.
    virtual std::optional<std::uint32_t> DriveNumberOf(const std::string& path) = 0;
    // Floppy drives by letter ('A', 'B') and CD/DVD drives by number.
    virtual std::string FloppyPath(std::uint32_t letter) = 0;
    virtual std::string CdPath(std::uint32_t number) = 0;
    virtual bool IsCdDrive(const std::string& path) = 0;
    // Opens an existing device node; read-only unless writable.
    virtual std::unique_ptr<cBlockDevice> Open(const std::string& path, bool writable) = 0;
};

// The machine's own block devices.
cDeviceProvider& SystemDevices();
