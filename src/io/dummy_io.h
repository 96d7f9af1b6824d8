#pragma once
// A storage that is endless zeros: a placeholder where a reader is needed but no
// storage exists. It needs no resource and cannot be written.

#include "io/base_io.h"

class cDummyIO final : public cBaseIO {
public:
    std::unique_ptr<cBaseIO> Duplicate() const override;
    // Any pair of dummies is the same storage.
    bool IsSameStorage(const cBaseIO* other) const override;
    // Accepts any resource, even none.
    bool Open(const cBaseIoResource* resource, bool readOnly) override;
    // Every position exists, so a seek always lands where asked.
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint64_t GetSectorCount() const override;
    std::uint32_t GetStorageKind() const override { return storage_kind::kNoDevice; }
    std::uint32_t GetResourceKind() const override { return resource_kind::kNone; }
};
