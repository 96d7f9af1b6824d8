#include "vfs/ntfs/update_sequence.h"

#include "base/bytes.h"
#include "vfs/ntfs/ntfs_layout.h"

#include <algorithm>

namespace ntfs {

bool ApplyUpdateSequence(std::span<std::uint8_t> block) {
    if (block.size() < 8) {
        return false;
    }
    const std::uint32_t offset = bytes::unchecked::Le16(&block[4]);
    const std::uint32_t count = bytes::unchecked::Le16(&block[6]);
    if (count == 0) {
        return true;
    }
    const std::size_t strides = std::min<std::size_t>(count - 1, block.size() / kStride);
    if (!bytes::Fits(block.size(), offset, 2 * (strides + 1))) {
        return false;
    }
    for (std::size_t i = 0; i < strides; ++i) {
        std::uint8_t* end = &block[(i + 1) * kStride - 2];
        const std::uint8_t* saved = &block[offset + 2 * (i + 1)];
        end[0] = saved[0];
        end[1] = saved[1];
    }
    return true;
}

} // namespace ntfs
