#pragma once
// Finding an exFAT volume whose boot regions are lost. The root folder alone holds the
// allocation-bitmap and up-case entries, which name the clusters of both tables; the
// up-case table's bytes are recognisable and carry the checksum the entry records. Once
// the sector where the table starts is known, each cluster size places the cluster heap
// (the table's cluster must land there) and the root's cluster, and the bitmap, which
// must mark the clusters of all three used, tells the right size from the wrong ones.
// The FAT, when it survives, begins with the media and end-of-chain entries before the
// heap. Sectors are 512 bytes, relative to the partition.

#include "vfs/exfat/exfat_boot.h"
#include "vfs/probes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class cBaseIO;
class cProgressNotifyTarget;

namespace exfatscan {

inline constexpr std::size_t kSectorBytes = 512;
using cSector = std::span<const std::uint8_t, kSectorBytes>;

// The root folder's table entries, as one sector of its first cluster shows them.
struct cRootSighting {
    std::uint64_t sector = 0;
    std::uint32_t bitmapCluster = 0;
    std::uint64_t bitmapLength = 0;
    std::uint32_t upcaseCluster = 0;
    std::uint64_t upcaseLength = 0;
    std::uint32_t upcaseChecksum = 0;
};

// The first FAT's bitmap entry and the up-case entry among the sector's entries, before
// any end of the folder, with their reserved bytes clear and lengths the format allows.
std::optional<cRootSighting> RootEntriesIn(cSector sector);
// A sector that opens an up-case table: the units up to 0x7F fold only a-z, to A-Z.
bool OpensUpcaseTable(cSector sector);
// A sector that opens a FAT: the media entry F8 and the end-of-chain entry of cluster 1.
bool OpensFat(cSector sector);

// What a read of the partition from front to back has met, the first few of each kind.
class cSightings {
public:
    static constexpr std::size_t kMaxEach = 32;

    // True when the sector was a new root or up-case sighting.
    bool Feed(std::uint64_t sector, cSector data);

    const std::vector<cRootSighting>& Roots() const { return roots_; }
    const std::vector<std::uint64_t>& UpcaseStarts() const { return upcaseStarts_; }
    const std::vector<std::uint64_t>& FatStarts() const { return fatStarts_; }

private:
    std::vector<cRootSighting> roots_;
    std::vector<std::uint64_t> upcaseStarts_;
    std::vector<std::uint64_t> fatStarts_;
};

struct cFoundVolume {
    // Put together as a boot sector would hold it, in 512-byte sectors.
    exfatboot::cBootRecord boot;
    bool fatFound = false;
};

// The volume that one root sighting and one up-case start describe together; the FAT
// starts are tried for its FAT. Nothing when the table's checksum does not hold or no
// cluster size fits. partitionSectors bounds the volume.
std::optional<cFoundVolume> Resolve(const cRootSighting& root, std::uint64_t upcaseStart,
                                    std::span<const std::uint64_t> fatStarts,
                                    const probe::SectorSource& read,
                                    std::uint64_t partitionSectors);

struct cFindRequest {
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    std::uint64_t sectorCount = 0;
    cProgressNotifyTarget* progress = nullptr;
};

// Reads the partition until a root sighting and an up-case start resolve into a volume.
// Nothing when none does, the storage cannot be read or the progress target asked to stop.
std::optional<cFoundVolume> FindVolume(const cFindRequest& request);

} // namespace exfatscan
