#include "vfs/ntfs/update_sequence.h"

#include "base/bytes.h"
#include "vfs/ntfs/ntfs_layout.h"

#include <algorithm>

namespace ntfs {

bool ApplyUpdateSequence(std::span<std::uint8_t> block) {
    const auto header = bytes::Slice<8>(block);
    if (!header) {
        return false;
    }
    const std::uint32_t offset = bytes::Le16<4>(*header);
    const std::uint32_t count = bytes::Le16<6>(*header);
    if (count == 0) {
        return true;
    }
    const std::size_t strides = std::min<std::size_t>(count - 1, block.size() / kStride);
    if (!bytes::Fits(block.size(), offset, 2 * (strides + 1))) {
        return false;
    }
    // Both ranges were proved above: strides ends inside the block, the array too.
    for (std::size_t i = 0; i < strides; ++i) {
        const auto saved = block.subspan(offset + 2 * (i + 1), 2);
        std::copy(saved.begin(), saved.end(), block.begin() + ((i + 1) * kStride - 2));
    }
    return true;
}

} // namespace ntfs
