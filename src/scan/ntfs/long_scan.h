#pragma once
// The deep scan's reading of records: every record in the ranges it is given, read front
// to back in blocks of 64 clusters, goes to the filer. The whole-volume range reads the
// partition; the MFT's own runs, when a reader knows them, give the records in seconds.

#include "base/progress.h"
#include "io/base_io.h"
#include "scan/ntfs/ntfs_geometry.h"
#include "scan/ntfs/record_filer.h"
#include "scan/ntfs/record_positions.h"

#include <cstdint>
#include <vector>

class cVNTFS;

namespace ntfsscan {

// The partition in whole clusters of the volume: its start and its end each rounded down
// to the cluster grid that starts at the volume start.
cRecordRange WholeRange(const cNTFSGeometry& geometry, std::uint64_t partitionSectors);

// Where a mounted volume's MFT lies, from its own run list, in sectors from the partition
// start; empty when the reader cannot open it.
std::vector<cRecordRange> MftRanges(cVNTFS& fs);

// The geometry of a mounted volume.
cNTFSGeometry GeometryOf(cVNTFS& fs);

struct cLongScanRequest {
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    cNTFSGeometry geometry;
    cProgressNotifyTarget* progress = nullptr;
};

// False when stopped through the progress target or the storage cannot be read.
bool ScanRecords(const cLongScanRequest& request, const std::vector<cRecordRange>& ranges,
                 cNTFSRecordFiler& filer);

} // namespace ntfsscan
