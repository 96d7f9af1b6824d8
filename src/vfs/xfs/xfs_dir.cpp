#include "vfs/xfs/xfs_dir.h"

namespace xfs {

namespace {

constexpr std::uint32_t kBlockMagic = 0x58443242;  // "XD2B": a folder of one block
constexpr std::uint32_t kDataMagic = 0x58443244;   // "XD2D": a data block of a larger one
constexpr std::uint32_t kBlock3Magic = 0x58444233; // "XDB3", version 5
constexpr std::uint32_t kData3Magic = 0x58444433;  // "XDD3", version 5
constexpr std::uint16_t kFreeTag = 0xFFFF;

} // namespace

bool WalkShortForm(bytes::Span fork, const cGeometry& geometry, std::uint64_t self,
                   const DirVisitor& visit) {
    bytes::Cursor cursor(fork);
    const std::uint8_t count = cursor.U8();
    const std::size_t inodeBytes = cursor.U8() != 0 ? 8 : 4;
    const auto load = [&]() -> std::uint64_t {
        return inodeBytes == 8 ? cursor.Be64() : cursor.Be32();
    };
    const std::uint64_t parent = load();
    if (!cursor.Ok()) {
        return true;
    }
    static constexpr std::uint8_t kDot[] = {'.'}, kDotDot[] = {'.', '.'};
    if (!visit({self, kDot}) || !visit({parent, kDotDot})) {
        return false;
    }
    for (std::uint8_t n = 0; n < count; ++n) {
        const std::uint8_t nameLength = cursor.U8();
        cursor.Skip(2); // the entry's offset in the equivalent block form
        const bytes::Span name = cursor.Bytes(nameLength);
        if (geometry.fileTypes) {
            cursor.Skip(1);
        }
        const std::uint64_t inode = load();
        if (!cursor.Ok()) {
            return true;
        }
        if (nameLength != 0 && !visit({inode, name})) {
            return false;
        }
    }
    return true;
}

bool WalkDirBlock(bytes::Span block, const cGeometry& geometry, const DirVisitor& visit) {
    const auto magic = bytes::Be32At(block, 0);
    if (!magic) {
        return true;
    }
    const bool single = *magic == (geometry.v5 ? kBlock3Magic : kBlockMagic);
    if (!single && *magic != (geometry.v5 ? kData3Magic : kDataMagic)) {
        return true;
    }
    std::size_t end = block.size();
    if (single) {
        // A one-block folder ends with its hash index: entries of 8 bytes, then a tail of
        // the entry count and the stale count.
        const auto leafCount = bytes::Be32At(block, block.size() - 8);
        if (!leafCount || *leafCount > (block.size() - 8) / 8) {
            return true;
        }
        end = block.size() - 8 - std::size_t(*leafCount) * 8;
    }
    for (std::size_t at = geometry.v5 ? 64 : 16; at + 8 <= end;) {
        if (bytes::Be16At(block, at) == kFreeTag) {
            const std::size_t length = bytes::Be16At(block, at + 2).value_or(0);
            if (length < 8 || length % 8 != 0 || length > end - at) {
                return true;
            }
            at += length;
            continue;
        }
        // Inode (8), name length (1), name, file type (1, when present), tag (2), padded
        // to 8 bytes.
        const std::uint64_t inode = bytes::Be64At(block, at).value_or(0);
        const std::size_t nameLength = block[at + 8];
        const std::size_t used = 8 + 1 + nameLength + (geometry.fileTypes ? 1 : 0) + 2;
        const std::size_t length = (used + 7) / 8 * 8;
        if (nameLength == 0 || length > end - at) {
            return true;
        }
        if (!visit({inode, block.subspan(at + 9, nameLength)})) {
            return false;
        }
        at += length;
    }
    return true;
}

} // namespace xfs
