#pragma once
// CD/DVD drives read as storages. Blocks (2048 bytes on data discs) are read whole into a
// one-block cache and the 512-byte units cut out of it. Where the block layer gives up on
// a block, the drive is asked directly with READ CD, which some drives answer for
// sectors their ordinary read path refuses.

#include "io/base_io.h"
#include "io/device_access.h"

#include <memory>
#include <vector>

class cWinCDIO final : public cBaseIO {
public:
    explicit cWinCDIO(cDeviceProvider& devices = SystemDevices());
    ~cWinCDIO() override;

    std::unique_ptr<cBaseIO> Duplicate() const override;
    std::uint32_t Reset() override;
    std::uint32_t Close() override;
    // Opens CD/DVD drive number N, read-only only: a writable open answers no.
    bool Open(const cBaseIoResource* resource, bool readOnly) override;
    // Positions beyond the end land on the end; the answer is the sector asked for.
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint64_t GetSectorCount() const override { return sectorCount_; }
    std::uint32_t GetStorageKind() const override { return storage_kind::kCdDvd; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kDevice; }
    bool GetGeometry(cDiskGeometry& geometry) const override;
    // "Drive sr0: (CD/DVD) ", the device suffix and the size in GB; no while closed.
    bool GetName(std::u16string& name) const override;
    const cBaseIoResource* GetResource() const override { return &resource_; }

private:
    static constexpr std::uint64_t kNoBlock = ~std::uint64_t(0);

    // One unit through the block cache, by an ordinary read or by READ CD.
    bool ReadUnit(std::uint64_t unit, std::uint8_t* out, bool raw);
    bool LoadBlock(std::uint64_t block);
    bool LoadBlockRaw(std::uint64_t block);

    cDeviceProvider& devices_;
    std::unique_ptr<cBlockDevice> device_;
    cNumberedDeviceResource resource_;
    std::optional<cDeviceDescriptor> descriptor_;
    std::uint64_t sectorCount_ = 0;
    std::uint64_t position_ = 0;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> rawBlock_;
    std::uint64_t cachedBlock_ = kNoBlock;
    std::uint32_t unitsPerBlock_ = 0;
    std::uint32_t bytesPerBlock_ = 0;
    std::uint32_t sectorsPerTrack_ = 0;
    std::uint32_t heads_ = 0;
};
