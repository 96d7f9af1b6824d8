#include "base/progress.h"
#include "io/base_io.h"
#include "scan/async_scan_io.h"
#include "scan/exfat/exfat_locate.h"

#include <memory>

namespace exfatscan {
namespace {

constexpr std::uint32_t kBlockSectors = 2048;

// Sightings are resolved as they come: each new one against those met before it, which
// is enough, as the tables usually come before the root and the FAT before both.
class cResolver {
public:
    cResolver(const cSightings& sightings, const probe::SectorSource& read,
              std::uint64_t partitionSectors)
        : sightings_(sightings), read_(read), partitionSectors_(partitionSectors) {}

    std::optional<cFoundVolume> TryNew() {
        const auto& roots = sightings_.Roots();
        const auto& starts = sightings_.UpcaseStarts();
        std::optional<cFoundVolume> found;
        for (std::size_t r = 0; r < roots.size() && !found; ++r) {
            for (std::size_t u = r < triedRoots_ ? triedStarts_ : 0; u < starts.size() && !found;
                 ++u) {
                found =
                    Resolve(roots[r], starts[u], sightings_.FatStarts(), read_, partitionSectors_);
            }
        }
        triedRoots_ = roots.size();
        triedStarts_ = starts.size();
        return found;
    }

private:
    const cSightings& sightings_;
    const probe::SectorSource& read_;
    std::uint64_t partitionSectors_;
    std::size_t triedRoots_ = 0;
    std::size_t triedStarts_ = 0;
};

} // namespace

std::optional<cFoundVolume> FindVolume(const cFindRequest& request) {
    if (!request.storage || request.sectorCount == 0) {
        return std::nullopt;
    }
    std::shared_ptr<cBaseIO> duplicate = request.storage->Duplicate();
    cAsyncScanIO scanner;
    if (!duplicate || !scanner.Attach(request.storage, kBlockSectors, 0) ||
        scanner.Seek(request.partitionStart, request.sectorCount) < 0) {
        return std::nullopt;
    }
    const probe::SectorSource read = [&](std::uint64_t sector, std::uint32_t count,
                                         std::uint8_t* out) {
        const std::uint64_t at = request.partitionStart + sector;
        return sector < request.sectorCount && count <= request.sectorCount - sector &&
               duplicate->SeekSector(at) == std::int64_t(at) &&
               duplicate->ReadSectors(out, count) == count;
    };
    cSightings sightings;
    cResolver resolver(sightings, read, request.sectorCount);
    std::uint64_t sector = 0;
    std::uint32_t count = 0;
    while (const std::uint8_t* block = scanner.NextBlock(count)) {
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!sightings.Feed(sector + i,
                                cSector(block + std::size_t(i) * kSectorBytes, kSectorBytes))) {
                continue;
            }
            if (std::optional<cFoundVolume> found = resolver.TryNew()) {
                scanner.Stop();
                return found;
            }
        }
        sector += count;
        if (request.progress &&
            !request.progress->OnProgress(100.0 * double(sector) / double(request.sectorCount))) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace exfatscan
