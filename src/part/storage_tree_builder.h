#pragma once
// The partition tree as the storage list holds it: built when a storage is added, with the
// file systems of its leaves detected.

#include "io/storage_tree.h"
#include "part/part_tree.h"

#include <memory>

class cPartStorageTree final : public cStorageTree {
public:
    cPartTree& Tree() { return tree_; }
    const cPartTree& Tree() const { return tree_; }

private:
    cPartTree tree_;
};

class cLeafDetector;

// The tree the engine's storage lists give every entry: the maps of the storage, then
// the file systems detector finds on the leaves. Answers a tree even when the storage is
// empty (with no nodes), so that every entry has one.
std::unique_ptr<cStorageTree> BuildStorageTree(cBaseIO& storage, cLeafDetector& detector);
