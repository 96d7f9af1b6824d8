#pragma once
// Directory blocks of Ext2/3/4: records of an inode number, a record length, a name
// length and the name, chained by their record lengths inside one block.

#include "base/bytes.h"

#include <cstdint>
#include <functional>

namespace ext {

struct cDirRecord {
    std::uint32_t inode = 0;
    bytes::Span name;
};

// Calls visit for every record of the block that names an inode, in order, and answers
// no as soon as visit does. Records naming inode 0 are skipped by their length, not
// taken as the end: deleted entries, the checksum tail of a metadata_csum volume and the
// index blocks of a hashed folder all look like that, and live records follow them. The
// block's walk ends at a record length of 0, at a record running past the block or too
// short for its own name, and at the block's end.
bool WalkDirBlock(bytes::Span block, const std::function<bool(const cDirRecord&)>& visit);

} // namespace ext
