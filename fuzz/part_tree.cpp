// Builds the partition tree of arbitrary bytes taken as a disk, as the storage list does
// for every drive and image, then walks it the way listings do. Whatever the maps claim,
// the build must end, stay inside what it read, and give a consistent tree.

#include "part/build_tree.h"
#include "part/map_io.h"
#include "part/part_path.h"
#include "support/mem_io.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(data, size);
    cPartTree tree;
    BuildTree(tree, storage);
    std::size_t nodes = 0;
    tree.ForEach([&](cPartTreeItem& node) {
        ++nodes;
        if (FindByPartitionPath(tree, PartitionPath(node)) != &node) {
            std::abort();
        }
    });
    if (nodes != tree.NodeCount() || nodes > part::kMaxTreeNodes) {
        std::abort();
    }
    return 0;
}
