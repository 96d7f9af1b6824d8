#pragma once
// An image read with the sectors its maker could not rescue failing as they did on the
// drive it was copied from. An image of a failing drive holds zeros there; read plainly,
// a scan would take them for data, and what was lost would not show in its report.

#include "io/base_io.h"

#include <cstdint>
#include <memory>
#include <vector>

struct cSectorRun {
    std::uint64_t first = 0;
    std::uint64_t count = 0;

    bool operator==(const cSectorRun&) const = default;
};

class cUnreadableIO final : public cBaseIO {
public:
    // runs: sorted and apart, as an image map gives them. Duplicates share them.
    cUnreadableIO(std::unique_ptr<cBaseIO> inner, std::vector<cSectorRun> runs);

    std::unique_ptr<cBaseIO> Duplicate() const override;
    bool IsSameStorage(const cBaseIO* other) const override;
    std::int64_t SeekSector(std::uint64_t sector) override;
    // Stops short at the first unreadable sector.
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint32_t UncachedUnit() const override { return inner_->UncachedUnit(); }
    // A unit holding an unreadable sector reads nothing.
    std::uint32_t ReadUncached(std::uint64_t first, void* buffer) override;
    std::uint64_t GetSectorCount() const override { return inner_->GetSectorCount(); }
    std::uint32_t GetStorageKind() const override { return inner_->GetStorageKind(); }
    std::uint32_t GetResourceKind() const override { return inner_->GetResourceKind(); }
    bool GetGeometry(cDiskGeometry& geometry) const override;
    bool GetName(std::u16string& name) const override { return inner_->GetName(name); }
    const cBaseIoResource* GetResource() const override { return inner_->GetResource(); }

private:
    cUnreadableIO(std::unique_ptr<cBaseIO> inner,
                  std::shared_ptr<const std::vector<cSectorRun>> runs);
    // How many sectors from first on, up to count, read before an unreadable one.
    std::uint64_t ReadableFrom(std::uint64_t first, std::uint64_t count) const;

    std::unique_ptr<cBaseIO> inner_;
    std::shared_ptr<const std::vector<cSectorRun>> runs_;
    std::uint64_t position_ = 0;
};
