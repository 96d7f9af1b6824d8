#pragma once
// The storage list owns each storage's partition tree, but the tree is built by the
// partition layer, which sits above this one. The list therefore knows the tree only
// through this interface and is given, when it is made, the builder to run on every
// entry it adds.

#include <functional>
#include <memory>

class cBaseIO;

class cStorageTree {
public:
    virtual ~cStorageTree() = default;
};

// Builds the tree of a storage that has just been added to the list. The reader outlives
// the tree: an entry destroys its tree before its reader. May answer null; an empty
// builder makes a list whose entries carry no tree.
using cStorageTreeBuilder = std::function<std::unique_ptr<cStorageTree>(cBaseIO& storage)>;
