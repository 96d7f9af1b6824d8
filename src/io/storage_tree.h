#pragma once
// The storage list owns each storage's partition tree, but the tree is built by the
// partition layer, which sits above this one. The list therefore knows the tree only
// through this interface and asks a builder, registered at start-up by the layer that
// can build it, after it has added an entry. Without a builder entries carry no tree.

#include <memory>

class cBaseIO;

class cStorageTree {
public:
    virtual ~cStorageTree() = default;
};

// Builds the tree of a storage that has just been added to the list. The reader outlives
// the tree: an entry destroys its tree before its reader. May answer null.
using cStorageTreeBuilder = std::unique_ptr<cStorageTree> (*)(cBaseIO& storage);

// Registers the builder (null removes it). Called once at start-up, before any storage is
// added, from the engine's initialisation.
void SetStorageTreeBuilder(cStorageTreeBuilder builder);
cStorageTreeBuilder GetStorageTreeBuilder();
