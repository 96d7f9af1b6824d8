#pragma once
// Rebuilding an exFAT volume found without its boot regions into result trees: the
// exFAT reader is mounted from the boot record the search put together, and its tree is
// walked from the root, deleted folders included. Live files go to the rebuilt tree,
// deleted ones to the deleted tree and files whose data cannot be had whole (a chain
// that breaks, a deleted file whose clusters were taken again) to the damaged tree, each
// under its folder path. The results name where each file's clusters lie, so that they
// read without the reader.

#include "scan/exfat/exfat_locate.h"
#include "scan/rebuild_results.h"

#include <cstdint>
#include <memory>

class cPartRecord;
class cProgressNotifyTarget;
class cVExFAT;

namespace exfatscan {

// The exFAT reader mounted on record (not attached to it) from what the search found;
// null when it refuses.
std::unique_ptr<cVExFAT> MountFound(cPartRecord& record, const cFoundVolume& found);

// Files the reader's tree into the results; no when the progress target asked to stop.
bool Rebuild(cVExFAT& reader, const cRebuildResults& results, cProgressNotifyTarget* progress,
             cRebuildCounts* counts = nullptr);

} // namespace exfatscan
