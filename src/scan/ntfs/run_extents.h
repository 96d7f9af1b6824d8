#pragma once
// A file's data runs as the packed extent list of a raw result item: sectors from the
// partition start, adjacent runs merged.

#include "scan/ntfs/ntfs_geometry.h"
#include "vfs/ntfs/mapping_pairs.h"

#include <cstdint>
#include <span>
#include <vector>

struct cRunExtents {
    std::vector<std::uint8_t> packed; // of the runs before the first that cannot be read
    std::uint64_t bytes = 0;          // what those runs hold
    bool plain = true;                // no hole: every run lies on the volume
    bool inVolume = true;             // no run reaches past the volume's last cluster
};

cRunExtents RunExtents(std::span<const ntfs::Run> runs, const cNTFSGeometry& geometry,
                       std::uint64_t volumeClusters);
