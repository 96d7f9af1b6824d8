#pragma once
// The whole NTFS deep scan of a partition, as the command line and the recovery flow run
// it: the geometry from the mounted reader, or else from detection (and then a reader
// built from it is attached to the partition); on a mounted volume the MFT's own records
// first; then every record of the partition, filed into the three results.

#include "base/progress.h"
#include "scan/ntfs/mft_detect.h"
#include "scan/ntfs/record_filer.h"

#include <array>
#include <optional>

class cPartRecord;

namespace ntfsscan {

// The stages the progress target is told of through SetStage.
enum Stage : int { kDetectStage, kMftStage, kScanStage };

struct cDeepScanOutcome {
    mftdetect::cResult detection; // empty when the geometry came from the mounted reader
    std::optional<cNTFSGeometry> geometry;
    bool fromMountedReader = false;
    bool finished = false; // every stage ran to its end
    std::array<std::uint64_t, 3> counts{};
};

// results: empty trees. Without a geometry nothing is filed.
cDeepScanOutcome DeepScan(cPartRecord& record, const cNTFSResults& results,
                          cProgressNotifyTarget* progress);

} // namespace ntfsscan
