#pragma once
// A storage that cannot read chosen sectors, wrapped around any other (a cMemIO in tests,
// an image file in benchmarks), for everything that must carry on past bad sectors. It
// fails them as a drive read through the system's page cache does: an ordinary read stops
// short at the start of the cached page holding a bad sector, so the good sectors sharing
// that page are lost too, while an uncached read fails only the units holding a bad
// sector.
//
// Duplicates share the failing sectors and the read log, so a test sees what a reader's
// private duplicate (a scan's worker, say) asked for.

#include "io/base_io.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

class cFailingIO final : public cBaseIO {
public:
    struct cRead {
        std::uint64_t first = 0;
        std::uint32_t count = 0;
        bool uncached = false;

        bool operator==(const cRead&) const = default;
    };

    // cachedPage: the sectors an ordinary read fails together (8, a 4 KiB page; 1 for a
    // storage without a cache). uncachedUnit: what UncachedUnit answers (8 for a drive
    // with 4096-byte sectors).
    explicit cFailingIO(std::unique_ptr<cBaseIO> inner, std::uint32_t cachedPage = 8,
                        std::uint32_t uncachedUnit = 1);

    void FailSectors(std::uint64_t first, std::uint64_t count = 1);
    // Every read of this storage and its duplicates, in order.
    std::vector<cRead> Reads() const;
    void ClearReads();

    std::unique_ptr<cBaseIO> Duplicate() const override;
    std::int64_t SeekSector(std::uint64_t sector) override;
    std::uint32_t ReadSectors(void* buffer, std::uint32_t count,
                              cReadNotify* notify = nullptr) override;
    std::uint32_t UncachedUnit() const override { return uncachedUnit_; }
    std::uint32_t ReadUncached(std::uint64_t first, void* buffer) override;
    std::uint64_t GetSectorCount() const override { return inner_->GetSectorCount(); }
    std::uint32_t GetStorageKind() const override { return inner_->GetStorageKind(); }
    bool GetName(std::u16string& name) const override { return inner_->GetName(name); }

private:
    struct Shared {
        std::mutex lock;
        std::set<std::uint64_t> failing;
        std::vector<cRead> reads;
    };
    cFailingIO(std::unique_ptr<cBaseIO> inner, std::shared_ptr<Shared> shared,
               std::uint32_t cachedPage, std::uint32_t uncachedUnit);
    // The first failing sector in [first, first + count), if any.
    std::optional<std::uint64_t> FirstFailing(std::uint64_t first, std::uint64_t count) const;
    void Log(std::uint64_t first, std::uint32_t count, bool uncached);

    std::unique_ptr<cBaseIO> inner_;
    std::shared_ptr<Shared> shared_;
    std::uint32_t cachedPage_;
    std::uint32_t uncachedUnit_;
    std::uint64_t position_ = 0;
};
