#include "vfs/jfs/jfs_layout.h"

#include "base/checked.h"

#include <algorithm>
#include <cstring>

namespace jfs {

namespace {

constexpr std::uint32_t kDirIndexFlag = 0x00200000;

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// A text field padded with zeros or blanks.
std::string Text(bytes::Span field) {
    std::string text(field.begin(), std::find(field.begin(), field.end(), 0));
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

} // namespace

std::optional<cSuper> ParseSuper(bytes::Span sector) {
    const auto sb = bytes::Slice<168>(sector);
    if (!sb || std::memcmp(sb->data(), "JFS1", 4) != 0) {
        return std::nullopt;
    }
    cSuper super;
    super.blockSize = bytes::Le32<16>(*sb);
    super.physicalBlockSize = bytes::Le32<24>(*sb);
    // Tree pages are a whole number of blocks, so blocks are no larger than a page.
    if (super.blockSize < 512 || super.blockSize > kPageSize || !IsPowerOfTwo(super.blockSize) ||
        super.physicalBlockSize < 512 || !IsPowerOfTwo(super.physicalBlockSize)) {
        return std::nullopt;
    }
    // The aggregate's size is counted in physical blocks.
    const std::optional<std::uint64_t> bytesInAll =
        checked::Mul(bytes::Le64<8>(*sb), std::uint64_t(super.physicalBlockSize));
    if (!bytesInAll || *bytesInAll / super.blockSize == 0) {
        return std::nullopt;
    }
    super.blockCount = *bytesInAll / super.blockSize;
    super.dirIndex = (bytes::Le32<36>(*sb) & kDirIndexFlag) != 0;
    // Version 2 superblocks carry a 16-byte label; older ones an 11-byte volume name.
    super.label = Text(sb->subspan<152, 16>());
    if (super.label.empty()) {
        super.label = Text(sb->subspan<101, 11>());
    }
    return super;
}

std::optional<cInode> ParseInode(bytes::Span bytes) {
    const auto di = bytes::Slice<kInodeSize>(bytes);
    if (!di) {
        return std::nullopt;
    }
    cInode inode;
    inode.fileset = bytes::Le32<4>(*di);
    inode.number = bytes::Le32<8>(*di);
    inode.size = bytes::Le64<24>(*di);
    inode.links = bytes::Le32<40>(*di);
    inode.mode = bytes::Le32<52>(*di);
    inode.mtime = bytes::Le32<72>(*di);
    std::copy_n(di->begin() + kRootOffset, kRootBytes, inode.root.begin());
    return inode;
}

} // namespace jfs
