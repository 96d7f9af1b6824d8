#pragma once
// cUDFHandle: the run-list handle of a UDF file whose data lies in extents, its runs
// counted in logical blocks of the partition. Extents that are allocated but not recorded,
// or not allocated at all, read as zeros; a descriptor of the fourth kind continues the
// list in the allocation extent block it points to.

#include "vfs/block_handle.h"
#include "vfs/udf/udf_records.h"

#include <cstdint>
#include <vector>

class cVUDF;

class cUDFHandle final : public cBlockHandle<cVUDF> {
public:
    using cBlockHandle::cBlockHandle;

    // Maps the entry whose block bytes are entryBytes; no when its first descriptor list
    // cannot be read at all. Lists that break later leave the handle damaged and short.
    bool Map(const udf::cFileEntry& entry, const std::vector<std::uint8_t>& entryBytes);

    // How many continuation blocks the last Map followed.
    std::uint32_t Continuations() const { return continuations_; }

private:
    // Appends one extent; no once the size is covered or the list must end.
    bool Take(const udf::cAllocation& extent, std::uint64_t size, std::uint64_t& covered);

    std::uint32_t continuations_ = 0;
};
