#include "vfs/ext/ext_dir.h"

namespace ext {
namespace {

constexpr std::size_t kRecordHeader = 8;

// A 64 KiB block cannot state its one record's length in 16 bits; it is written as 0 or
// 65535 there.
std::size_t RecordLength(std::uint16_t stored, std::size_t blockSize) {
    if (blockSize == 65536 && (stored == 0 || stored == 65535)) {
        return blockSize;
    }
    return stored;
}

} // namespace

bool WalkDirBlock(bytes::Span block, const std::function<bool(const cDirRecord&)>& visit) {
    std::size_t at = 0;
    while (block.size() - at >= kRecordHeader) {
        bytes::Cursor header(block, at);
        const std::uint32_t inode = header.Le32();
        const std::size_t length = RecordLength(header.Le16(), block.size());
        const std::uint8_t nameLength = header.U8();
        if (!header.Ok() || length < kRecordHeader || length > block.size() - at ||
            nameLength > length - kRecordHeader) {
            return true;
        }
        if (inode != 0 && nameLength != 0 &&
            !visit({inode, block.subspan(at + kRecordHeader, nameLength)})) {
            return false;
        }
        at += length;
    }
    return true;
}

} // namespace ext
