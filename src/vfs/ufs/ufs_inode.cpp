#include "vfs/ufs/ufs_inode.h"

namespace ufs {

namespace {

template <std::size_t kBytes, std::size_t kPointersAt, std::size_t kPointerBytes>
void LoadPointers(bytes::Fixed<kBytes> raw, const cByteOrder& order, cInode& inode) {
    static_assert(kPointersAt + (kDirectPointers + kIndirectLevels) * kPointerBytes <= kBytes);
    for (std::size_t n = 0; n < kDirectPointers + kIndirectLevels; ++n) {
        const auto field = bytes::Slice<kPointerBytes>(raw, kPointersAt + n * kPointerBytes);
        std::uint64_t pointer = 0;
        if constexpr (kPointerBytes == 8) {
            pointer = order.U64(*field);
        } else {
            pointer = order.U32(*field);
        }
        (n < kDirectPointers ? inode.direct[n] : inode.indirect[n - kDirectPointers]) = pointer;
    }
}

} // namespace

std::optional<cInode> ParseInode(bytes::Span data, const cGeometry& geometry) {
    cInode inode;
    const cByteOrder& order = geometry.order;
    if (geometry.ufs2) {
        const auto raw = bytes::Slice<256>(data);
        if (!raw) {
            return std::nullopt;
        }
        inode.mode = order.U16<0>(*raw);
        inode.size = order.U64<16>(*raw);
        inode.mtime = fstime::FromUnixTime(std::int64_t(order.U64<40>(*raw)));
        LoadPointers<256, 112, 8>(*raw, order, inode);
    } else {
        const auto raw = bytes::Slice<128>(data);
        if (!raw) {
            return std::nullopt;
        }
        inode.mode = order.U16<0>(*raw);
        inode.size = order.U64<8>(*raw);
        inode.mtime = fstime::FromUnixTime(std::int32_t(order.U32<24>(*raw)));
        LoadPointers<128, 40, 4>(*raw, order, inode);
    }
    return inode;
}

} // namespace ufs
