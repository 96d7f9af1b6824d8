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

// The builder the engine registers with SetStorageTreeBuilder. Answers a tree even when
// the storage is empty (with no nodes), so that every entry has one.
std::unique_ptr<cStorageTree> BuildStorageTree(cBaseIO& storage);
