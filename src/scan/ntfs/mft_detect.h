#pragma once
// Finds an NTFS volume whose boot sectors are lost by the $MFT record the MFT holds about
// itself: its data runs give the MFT's first cluster and its allocation the cluster
// size, so the record's own place gives the volume's start.

#include "base/bytes.h"
#include "base/progress.h"
#include "io/base_io.h"
#include "scan/ntfs/ntfs_geometry.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace mftdetect {

// The first sectors examined: the MFT of every volume formatted by the usual tools starts
// within them.
inline constexpr std::uint64_t kRangeSectors = 0x6C0000;

// A record passes when its allocated size is a power of two from 512 to 8191, it parses
// with its update sequence applied and it is in use. The fixed-up copy, or nothing.
std::optional<std::vector<std::uint8_t>> Candidate(bytes::Span at);

// What a candidate record says when it is a "$MFT" (or, with wanted "$MFTMirr", that)
// file record: its cluster size, its first cluster and its record size. The volume start
// is the record's sector less the first cluster's; it is not known here.
struct cSelfRecord {
    std::uint32_t clusterSize = 0;
    std::uint32_t recordSize = 0;
    std::uint64_t firstCluster = 0;
    std::uint64_t firstClusterSectors = 0; // firstCluster in sectors
};
std::optional<cSelfRecord> SelfRecord(bytes::Span record, std::u16string_view wanted);

struct cRequest {
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    std::uint64_t partitionSectors = 0;
    cProgressNotifyTarget* progress = nullptr;
};

struct cResult {
    std::optional<cNTFSGeometry> geometry;
    // Sectors before the partition at which a found $MFT would put the volume start; such
    // a volume is not used, but the user is told.
    std::vector<std::uint64_t> startsBefore;
    // Where a "$MFTMirr" record passed the same tests, from the partition start.
    std::optional<std::uint64_t> mirrorRecordSector;
    bool stopped = false; // by the progress target, or the storage could not be read
};

cResult Detect(const cRequest& request);

// The geometry that the record at a sector of the request's partition gives when it is
// the MFT's own record (told apart from the mirror's copy of it), or nothing. at holds the
// bytes from that sector on: the record and, to see the mirror's record behind it, the
// next one.
std::optional<cNTFSGeometry> SelfRecordAt(const cRequest& request, bytes::Span at,
                                          std::uint64_t sector);

} // namespace mftdetect
