#pragma once
// UFS folder data: records of inode number (u32), record length (u16) and name, walked by
// record length. The name length is the byte at offset 7, or the byte at offset 6 when
// that is 0 (the older format kept a 16-bit length there, in the volume's byte order).

#include "base/bytes.h"
#include "vfs/ufs/ufs_super.h"

#include <cstdint>
#include <functional>

namespace ufs {

struct cDirEntry {
    std::uint32_t inode = 0;
    bytes::Span name;
};

// Called for each record in use; no stops the walk.
using DirVisitor = std::function<bool(const cDirEntry& entry)>;

// Walks the folder's data. A record length of 0, a record without a name or one that runs
// past the data ends the walk; free records (inode 0) are passed over. No only when the
// visitor stopped it.
bool WalkFolder(bytes::Span data, const cByteOrder& order, const DirVisitor& visit);

} // namespace ufs
