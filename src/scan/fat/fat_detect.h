#pragma once
// Finding a FAT volume's geometry without its boot sector. Every folder but the root
// starts with "." and ".." entries, and the "." entry names the folder's own cluster: two
// such sectors give the cluster size and where cluster 2 lies; the two table copies,
// which begin with the media byte and end-of-chain entries, lie before that.

#include "scan/fat/fat_geometry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class cBaseIO;
class cProgressNotifyTarget;

namespace fatscan {

// Fed the sectors of a partition front to back, finds the first two folder starts that
// agree on a power-of-two cluster size.
class cFolderStartTracker {
public:
    explicit cFolderStartTracker(std::uint32_t defaultClusterBytes)
        : defaultClusterBytes_(defaultClusterBytes) {}

    // True once two folder starts agree (state 2): nothing later changes the geometry.
    bool Feed(std::uint64_t sector, std::span<const std::uint8_t, kSectorBytes> data);
    const cFATGeometry& Geometry() const { return geometry_; }

private:
    std::uint32_t defaultClusterBytes_;
    cFATGeometry geometry_;
    std::uint64_t firstSector_ = 0;
    std::uint32_t firstCluster_ = 0;
};

// Reads one 512-byte sector of the partition; no when it cannot be read.
using cSectorReader = std::function<bool(std::uint64_t sector, std::uint8_t* out)>;

// Looks for the pair of table copies in front of geometry.dataStart and fills the table
// fields of geometry (type, first table sector, table size, cluster count, root
// entries). No when no pair is found; FAT32 pairs only when allowFat32.
bool FindFATLayout(const cSectorReader& read, std::uint64_t partitionSectors, bool allowFat32,
                   cFATGeometry& geometry);

// The cluster size assumed before a second folder start is met: the FAT12/16 default for
// the partition's size, else the FAT32 one when allowed; 0 when neither has one.
std::uint32_t DefaultClusterBytes(std::uint64_t partitionSectors, bool allowFat32);

struct cFATDetectRequest {
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    std::uint64_t sectorCount = 0;
    bool allowFat32 = true;
    cProgressNotifyTarget* progress = nullptr;
};

// The geometry found: state 0 when no folder start was met, no table layout when no pair
// of copies was found. Nothing when the partition's size has no default cluster size, the
// range cannot be read, or the progress target asked to stop.
std::optional<cFATGeometry> DetectFATGeometry(const cFATDetectRequest& request);

} // namespace fatscan
