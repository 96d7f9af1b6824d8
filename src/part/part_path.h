#pragma once
// Partition paths name a node of a storage's tree in listings and on command lines: the
// whole-storage node is "0", its children "1", "2", ..., their children "2.1", "2.2", ...

#include "part/part_tree.h"

#include <string>
#include <string_view>

std::string PartitionPath(const cPartTreeItem& node);

// The node a path names in the tree; null for a malformed path or one that names no node.
cPartTreeItem* FindByPartitionPath(const cPartTree& tree, std::string_view path);
