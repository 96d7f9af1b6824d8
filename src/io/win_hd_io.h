#pragma once
// Physical drives (and, through the subclass, floppy drives) read as storages. Positions
// are 512-byte units whatever the drive's logical sector size; a drive with larger
// sectors is read in whole sectors of its own, and the units asked for are cut out of
// them (see ReadLargeSectors).
//
// Drives are only ever opened read-only by the program; write access exists for the
// interface's sake.

#include "io/base_io.h"
#include "io/device_access.h"

#include <memory>
#include <optional>
#include <vector>

class cWinHDIO : public cBaseIO {
public:
    explicit cWinHDIO(cDeviceProvider& devices = SystemDevices());
    ~cWinHDIO() override;

    std::unique_ptr<cBaseIO> Duplicate() const override;
    std::uint32_t Reset() override;
    std::uint32_t Close() override;
    bool SetReadOnly(bool readOnly) override;
    // Opens drive number N of the provider; no when the drive cannot be opened or does
    // not answer the geometry request.
    bool Open(const cBaseIoResource* resource, bool readOnly) override;
    // Cut to the sector count.
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    // A whole sector of the drive.
    std::uint32_t UncachedUnit() const override;
    std::uint32_t ReadUncached(std::uint64_t first, void* buffer) override;
    std::uint32_t WriteSectors(std::uint64_t first, const void* buffer,
                               std::uint32_t count) override;
    std::uint64_t GetSectorCount() const override { return sectorCount_; }
    std::uint32_t GetStorageKind() const override { return storage_kind::kWindowsDisk; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kDevice; }
    bool GetGeometry(cDiskGeometry& geometry) const override;
    // "Drive%d" and the device suffix; no while closed.
    bool GetName(std::u16string& name) const override;
    const cBaseIoResource* GetResource() const override { return &resource_; }

    bool IsRemovable() const { return removable_; }

protected:
    // A fresh closed reader of the same class over the same provider.
    virtual std::unique_ptr<cWinHDIO> MakeEmpty() const;
    // The device node of the resource's number.
    virtual std::string DevicePath(std::uint32_t number) const;
    // Whether the reader asks the device for its descriptor (and so its suffix).
    virtual bool HasDescriptor() const { return true; }

    bool IsOpen() const { return device_ != nullptr; }
    const cNumberedDeviceResource& Resource() const { return resource_; }
    cDeviceProvider& Devices() const { return devices_; }

private:
    // Reads bytes at the device pointer and moves it past what came back.
    std::size_t ReadAtPointer(void* buffer, std::size_t size);
    std::uint32_t ReadLargeSectors(std::uint8_t* buffer, std::uint32_t count);

    cDeviceProvider& devices_;
    std::unique_ptr<cBlockDevice> device_;
    cNumberedDeviceResource resource_;
    std::optional<cDeviceDescriptor> descriptor_;
    std::uint64_t sectorCount_ = 0;
    // Byte offset of the next device read, like a file pointer.
    std::uint64_t pointer_ = 0;
    std::uint64_t position_ = 0;
    // First unit of the physical sector holding position_ (large sectors only).
    std::uint64_t alignedPosition_ = 0;
    std::uint32_t bytesPerSector_ = 0;
    std::uint32_t unitsPerSector_ = 0;
    std::uint32_t sectorsPerTrack_ = 0;
    std::uint32_t heads_ = 0;
    std::vector<std::uint8_t> sectorBuffer_;
    bool removable_ = false;
};

// A floppy drive by letter ('A' or 'B'): always removable, named "Drive A:".
class cWinFloppyIO final : public cWinHDIO {
public:
    using cWinHDIO::cWinHDIO;

    std::uint32_t GetStorageKind() const override { return storage_kind::kLocalDrive; }
    bool GetName(std::u16string& name) const override;

protected:
    std::unique_ptr<cWinHDIO> MakeEmpty() const override;
    std::string DevicePath(std::uint32_t letter) const override;
    bool HasDescriptor() const override { return false; }
};
