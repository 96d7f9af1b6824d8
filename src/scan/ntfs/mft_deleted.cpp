#include "scan/ntfs/mft_deleted.h"

#include "scan/ntfs/long_scan.h"
#include "vfs/ntfs/vntfs.h"

bool FindDeletedInMft(cVNTFS& fs, cQORNVStorage& deleted, cProgressNotifyTarget* progress) {
    const std::vector<cRecordRange> ranges = ntfsscan::MftRanges(fs);
    if (ranges.empty() || !fs.Partition()) {
        return false;
    }
    cQORNVStorage live;
    cQORNVStorage damaged;
    ntfsscan::cLongScanRequest request;
    request.storage = fs.Storage();
    request.partitionStart = fs.PartitionStart();
    request.geometry = ntfsscan::GeometryOf(fs);
    request.progress = progress;
    cNTFSRecordFiler filer(request.geometry, fs.Partition()->Length(), {&live, &deleted, &damaged});
    const bool done = ntfsscan::ScanRecords(request, ranges, filer);
    filer.Finish();
    return done;
}
