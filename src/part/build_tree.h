#pragma once
// Building the partition tree of a storage, and the seam through which the file-system
// layer (which sits above this one) recognises what the leaf partitions hold.

#include "part/part_tree.h"

#include <memory>

class cBaseIO;

// Recognises and mounts the file system of a partition. The file-system layer provides
// one; the tree code runs it on every leaf after the maps are parsed.
class cLeafDetector {
public:
    virtual ~cLeafDetector() = default;
    // A mounted file system (an extension of kind 6) for the record, or null.
    virtual std::unique_ptr<cPartExtension> Detect(cPartRecord& record) = 0;
};

// Empties the tree and builds it anew for the storage: the whole-storage node, then the
// maps found on it. No only for a storage of 0 sectors (the tree stays empty); otherwise
// what the root's parser answered, or yes when no map was found.
bool BuildTree(cPartTree& tree, cBaseIO& storage);

// Runs the detector on every node without children and attaches what it mounts as the
// node's file system.
void DetectLeafFileSystems(cPartTree& tree, cLeafDetector& detector);
