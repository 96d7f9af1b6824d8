#pragma once
// A partition the user defines by hand on a storage: what the detection finds on the
// range before it is defined, and the partition itself once the user has settled its
// size. The window asks its questions in between; the command line decides alone.

#include "part/part_tree.h"

#include <cstdint>
#include <string>

class cBaseIO;

namespace defpart {

struct cFound {
    std::uint32_t fsType = 0; // 0: no file system recognised
    std::u16string label;
    // The volume's own size in sectors; 0 when its reader cannot tell.
    std::uint64_t fsSectors = 0;
    // The volume runs past the storage's last sector: one member of a striped set, or
    // an image cut short.
    bool pastStorageEnd = false;
};

// Runs the detection on a scratch record of the range; length 0 reaches to the end of the
// storage. Nothing is found on a range that starts past the storage's end.
cFound Probe(cBaseIO& storage, std::uint64_t start, std::uint64_t length);

// The length a partition at start takes when the user gives none: the file system's own
// size, else all up to the storage's end.
std::uint64_t DefaultLength(const cBaseIO& storage, std::uint64_t start, const cFound& found);

// Appends the partition under the storage's whole-storage node and attaches the file
// system detected on it, if any. Null when the range is empty or starts past the end.
cPartTreeItem* Define(cPartTree& tree, std::uint64_t start, std::uint64_t length);

} // namespace defpart
