#include "part/storage_tree_builder.h"

#include "part/build_tree.h"

std::unique_ptr<cStorageTree> BuildStorageTree(cBaseIO& storage, cLeafDetector& detector) {
    auto tree = std::make_unique<cPartStorageTree>();
    BuildTree(tree->Tree(), storage);
    DetectLeafFileSystems(tree->Tree(), detector);
    return tree;
}
