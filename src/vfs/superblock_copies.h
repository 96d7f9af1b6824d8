#pragma once
// Searching every sector of a disk meets each volume's superblock more than once: FAT32
// keeps a copy of its boot sector 6 sectors in, NTFS one in the sector behind the volume,
// ext one in many block groups. A copy must lead to the volume's true start, never to a
// volume of its own.

#include "vfs/probes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sbcopy {

// The volume starts worth trying for a superblock of typeCode found at an absolute
// sector, best first: a copy's own volume start before the start the superblock tests
// give (matchStart). read reads absolute sectors of the storage.
std::vector<std::uint64_t> VolumeStarts(std::uint32_t typeCode, std::uint64_t sector,
                                        std::uint64_t matchStart,
                                        std::span<const std::uint8_t> data,
                                        const probe::SectorSource& read);

} // namespace sbcopy
