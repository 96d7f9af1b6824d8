#pragma once
// Rebuilding an exFAT volume found without its boot regions into result trees: the
// exFAT reader is mounted from the boot record the search put together, and its tree is
// walked from the root, deleted folders included. Live files go to the rebuilt tree,
// deleted ones to the deleted tree and files whose data cannot be had whole (a chain
// that breaks, a deleted file whose clusters were taken again) to the damaged tree, each
// under its folder path. The results name where each file's clusters lie, so that they
// read without the reader.

#include "scan/exfat/exfat_locate.h"

#include <cstdint>
#include <memory>

class cPartRecord;
class cProgressNotifyTarget;
class cQORNVStorage;
class cVExFAT;

namespace exfatscan {

struct cResults {
    // Any of them may be null: what would go there is dropped.
    cQORNVStorage* rebuilt = nullptr;
    cQORNVStorage* deleted = nullptr;
    cQORNVStorage* damaged = nullptr;
};

struct cBuildCounts {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t deletedFiles = 0;
    std::uint64_t damagedFiles = 0;
    std::uint64_t bytes = 0;
};

// The exFAT reader mounted on record (not attached to it) from what the search found;
// null when it refuses.
std::unique_ptr<cVExFAT> MountFound(cPartRecord& record, const cFoundVolume& found);

// Files the reader's tree into the results; no when the progress target asked to stop.
bool Rebuild(cVExFAT& reader, const cResults& results, cProgressNotifyTarget* progress,
             cBuildCounts* counts = nullptr);

} // namespace exfatscan
