#pragma once
// Whether a cluster read from a volume's data area holds folder entries. Most clusters
// hold file data and are refused within their first entries, so the scan of a whole
// volume spends little on them.

#include <cstdint>
#include <span>

namespace fatscan {

struct cDirClusterTest {
    bool isDirectory = false;
    // A 0 entry ends the folder inside this cluster.
    bool endsDirectory = false;
};

// clusterCount: the table's count, or 0 when unknown (first clusters are then not
// checked). fat32: first clusters carry the high word.
cDirClusterTest TestDirectoryCluster(std::span<const std::uint8_t> buffer,
                                     std::uint64_t clusterCount, bool fat32);

} // namespace fatscan
