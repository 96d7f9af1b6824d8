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

cDeepScanOutcome DeepScan(cPartRecord& record, const cNTFSResults& results,
                          cProgressNotifyTarget* progress) {
    cDeepScanOutcome outcome;
    auto* mounted = dynamic_cast<cVNTFS*>(record.FindExtensionAs<cVFS>(part_ext::kFileSystem));
    if (mounted) {
        outcome.geometry = GeometryOf(*mounted);
        outcome.fromMountedReader = true;
    } else {
        SetStage(progress, kDetectStage);
        mftdetect::cRequest request;
        request.storage = record.Storage();
        request.partitionStart = record.Start();
        request.partitionSectors = record.Length();
        request.progress = progress;
        outcome.detection = mftdetect::Detect(request);
        outcome.geometry = outcome.detection.geometry;
        if (!outcome.geometry) {
            return outcome;
        }
        AttachNtfsReader(record, *outcome.geometry);
    }
    cNTFSRecordFiler filer(*outcome.geometry, record.Length(), results);
    cLongScanRequest request;
    request.storage = record.Storage();
    request.partitionStart = record.Start();
    request.geometry = *outcome.geometry;
    request.progress = progress;
    outcome.finished = true;
    if (mounted) {
        SetStage(progress, kMftStage);
        outcome.finished = ScanRecords(request, MftRanges(*mounted), filer);
    }
    if (outcome.finished) {
        SetStage(progress, kScanStage);
        outcome.finished =
            ScanRecords(request, {WholeRange(*outcome.geometry, record.Length())}, filer);
    }
    filer.Finish();
    outcome.counts = filer.Counts();
    return outcome;
}

} // namespace ntfsscan
