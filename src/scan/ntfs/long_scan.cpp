#include "scan/ntfs/long_scan.h"

#include "scan/ntfs/found_record.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/vntfs.h"

namespace ntfsscan {

namespace {
constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kBlockClusters = 64;
constexpr std::uint32_t kLookAheadSectors = 16;
} // namespace

cRecordRange WholeRange(const cNTFSGeometry& geometry, std::uint64_t partitionSectors) {
    const std::uint32_t perCluster = geometry.SectorsPerCluster();
    const std::uint64_t first = geometry.volumeStart % perCluster;
    const std::uint64_t end = partitionSectors < first
                                  ? first
                                  : first + (partitionSectors - first) / perCluster * perCluster;
    return {first, end - first};
}

std::vector<cRecordRange> MftRanges(cVNTFS& fs) {
    std::vector<cRecordRange> ranges;
    const auto mft = fs.OpenStream(ntfs::kMftRecord, ntfs::kData);
    if (!mft) {
        return ranges;
    }
    const std::uint64_t perCluster = fs.ClusterSize() / kSectorBytes;
    const cRunList& runs = mft->Runs();
    for (std::size_t i = 0; i < runs.Count(); ++i) {
        const cRun& run = runs[i];
        // The reader keeps only runs inside the volume, so these products stay small.
        if (!run.IsSparse() && run.physicalStart < fs.ClusterLimit() &&
            run.length <= fs.ClusterLimit() - run.physicalStart) {
            ranges.push_back({run.physicalStart * perCluster, run.length * perCluster});
        }
    }
    return ranges;
}

cNTFSGeometry GeometryOf(cVNTFS& fs) {
    cNTFSGeometry geometry;
    geometry.clusterSize = fs.ClusterSize();
    geometry.recordSize = fs.RecordSize();
    geometry.volumeStart = 0;
    geometry.mftRecordSector = fs.MftStart() - fs.PartitionStart();
    geometry.mftCluster = geometry.mftRecordSector / geometry.SectorsPerCluster();
    return geometry;
}

bool ScanRecords(const cLongScanRequest& request, const std::vector<cRecordRange>& ranges,
                 cNTFSRecordFiler& filer) {
    cRecordScanRequest scan;
    scan.storage = request.storage;
    scan.partitionStart = request.partitionStart;
    scan.blockSectors = kBlockClusters * request.geometry.SectorsPerCluster();
    scan.lookAheadSectors = kLookAheadSectors;
    scan.progress = request.progress;
    const std::uint32_t recordSize = request.geometry.recordSize;
    return ScanRecordPositions(scan, ranges,
                               [&filer, recordSize](bytes::Span at, std::uint64_t sector) {
                                   if (auto record = ReadFoundRecord(at, recordSize)) {
                                       filer.File(*record, sector);
                                   }
                                   return true;
                               });
}

} // namespace ntfsscan
