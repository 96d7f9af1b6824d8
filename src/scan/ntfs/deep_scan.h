#pragma once
// The NTFS deep scan of a partition, as the command line and the recovery flow run it:
// the geometry from the mounted reader, or else from detection (and then a reader built
// from it is attached to the partition); on a mounted volume the MFT's own records first;
// then every record of the partition, filed into the three results and placed. The two
// steps run apart behind their progress forms, or together.

#include "base/progress.h"
#include "scan/ntfs/mft_detect.h"
#include "scan/ntfs/record_filer.h"

#include <array>
#include <optional>

class cPartRecord;
class cVNTFS;

namespace ntfsscan {

// The stages the progress target is told of through SetStage.
enum Stage : int { kDetectStage, kMftStage, kScanStage, kPlaceStage };

// The reader mounted on the partition as its own, when it is NTFS.
cVNTFS* MountedReader(const cPartRecord& record);

// Detection over the partition; on success the reader built from the geometry is
// attached to it.
mftdetect::cResult DetectVolume(cPartRecord& record, cProgressNotifyTarget* progress);

struct cLongScanOutcome {
    bool finished = false; // every range was read to its end
    std::array<std::uint64_t, 3> counts{};
};

// Reads the records (with a mounted reader, those of its MFT first) and files them into
// results, empty trees; what was read is placed even when the scan was stopped.
cLongScanOutcome LongScan(cPartRecord& record, const cNTFSGeometry& geometry,
                          const cNTFSResults& results, cProgressNotifyTarget* progress);

struct cDeepScanOutcome {
    mftdetect::cResult detection; // empty when the geometry came from the mounted reader
    std::optional<cNTFSGeometry> geometry;
    bool fromMountedReader = false;
    cLongScanOutcome scan;
};

// Both steps; without a geometry nothing is filed.
cDeepScanOutcome DeepScan(cPartRecord& record, const cNTFSResults& results,
                          cProgressNotifyTarget* progress);

} // namespace ntfsscan
