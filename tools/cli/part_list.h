#pragma once
// --partlist FILE.qornpl: a partition list saved by the search (findpart --save, or the
// search window) used as the storage's partitions, so that volumes whose partition table
// is lost can be browsed and copied out.

#include "part/part_tree.h"

#include <string>
#include <string_view>

namespace cli {

// Puts the list's partitions in place of those under the tree's whole-storage node, each
// with the reader of its stored file system. On failure tells why for command and
// answers false.
bool UsePartList(std::string_view command, cPartTree& tree, const std::string& path);

} // namespace cli
