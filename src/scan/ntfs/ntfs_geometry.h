#pragma once
// What detection learns about an NTFS volume from its $MFT record alone, and what the long
// scan and the reader built for a lost boot sector need.

#include <cstdint>

struct cNTFSGeometry {
    std::uint32_t clusterSize = 4096;
    std::uint32_t recordSize = 1024;
    std::uint64_t mftCluster = 0;
    // Sectors from the partition start to the volume's cluster 0.
    std::uint64_t volumeStart = 0;
    // Where $MFT's record lies, in sectors from the partition start.
    std::uint64_t mftRecordSector = 0;

    std::uint32_t SectorsPerCluster() const { return clusterSize / 512; }
};
