#include "scan/ntfs/deep_scan.h"

#include "scan/ntfs/long_scan.h"
#include "scan/ntfs/ntfs_attach.h"
#include "vfs/ntfs/vntfs.h"

namespace ntfsscan {

namespace {

void SetStage(cProgressNotifyTarget* progress, Stage stage) {
    if (progress) {
        progress->SetStage(stage);
    }
}

} // namespace

cVNTFS* MountedReader(const cPartRecord& record) {
    return dynamic_cast<cVNTFS*>(record.FindExtensionAs<cVFS>(part_ext::kFileSystem));
}

mftdetect::cResult DetectVolume(cPartRecord& record, cProgressNotifyTarget* progress) {
    SetStage(progress, kDetectStage);
    mftdetect::cRequest request;
    request.storage = record.Storage();
    request.partitionStart = record.Start();
    request.partitionSectors = record.Length();
    request.progress = progress;
    mftdetect::cResult found = mftdetect::Detect(request);
    if (found.geometry) {
        AttachNtfsReader(record, *found.geometry);
    }
    return found;
}

cLongScanOutcome LongScan(cPartRecord& record, const cNTFSGeometry& geometry,
                          const cNTFSResults& results, cProgressNotifyTarget* progress) {
    cNTFSRecordFiler filer(geometry, record.Length(), results);
    cLongScanRequest request;
    request.storage = record.Storage();
    request.partitionStart = record.Start();
    request.geometry = geometry;
    request.progress = progress;
    cLongScanOutcome outcome;
    outcome.finished = true;
    if (cVNTFS* mounted = MountedReader(record)) {
        SetStage(progress, kMftStage);
        outcome.finished = ScanRecords(request, MftRanges(*mounted), filer);
    }
    if (outcome.finished) {
        SetStage(progress, kScanStage);
        outcome.finished = ScanRecords(request, {WholeRange(geometry, record.Length())}, filer);
    }
    SetStage(progress, kPlaceStage);
    filer.Finish();
    outcome.counts = filer.Counts();
    return outcome;
}

cDeepScanOutcome DeepScan(cPartRecord& record, const cNTFSResults& results,
                          cProgressNotifyTarget* progress) {
    cDeepScanOutcome outcome;
    if (cVNTFS* mounted = MountedReader(record)) {
        outcome.geometry = GeometryOf(*mounted);
        outcome.fromMountedReader = true;
    } else {
        outcome.detection = DetectVolume(record, progress);
        outcome.geometry = outcome.detection.geometry;
    }
    if (outcome.geometry) {
        outcome.scan = LongScan(record, *outcome.geometry, results, progress);
    }
    return outcome;
}

} // namespace ntfsscan
