#include "vfs/ufs/ufs_dir.h"

namespace ufs {

namespace {
constexpr std::size_t kHeaderBytes = 8;
}

bool WalkFolder(bytes::Span data, const cByteOrder& order, const DirVisitor& visit) {
    std::size_t at = 0;
    while (const auto header = bytes::Slice<kHeaderBytes>(data, at)) {
        const std::uint16_t length = order.U16<4>(*header);
        const std::uint8_t nameBytes = (*header)[7] != 0 ? (*header)[7] : (*header)[6];
        if (length == 0 || nameBytes == 0 || kHeaderBytes + nameBytes > length ||
            !bytes::Fits(data.size(), at, length)) {
            return true;
        }
        const std::uint32_t inode = order.U32<0>(*header);
        if (inode != 0 && !visit({inode, data.subspan(at + kHeaderBytes, nameBytes)})) {
            return false;
        }
        at += length;
    }
    return true;
}

} // namespace ufs
