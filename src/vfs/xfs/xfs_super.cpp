#include "vfs/xfs/xfs_super.h"

#include "base/checked.h"
#include "vfs/probes.h"

#include <algorithm>
#include <bit>

namespace xfs {

namespace {

constexpr std::uint16_t kVersionMask = 0x000F;
constexpr std::uint32_t kVersion2FileType = 0x00000200; // features2, version 4
constexpr std::uint32_t kIncompatFileType = 0x00000001; // features_incompat, version 5

bool Plausible(const cGeometry& g) {
    // Inodes are 256 to 2048 bytes and a power of two; a group holds at least one block and
    // no more than its block log can number.
    return g.blockSize >= 512 && g.blockSize % 512 == 0 && g.blockSize <= 65536 &&
           probe::IsPowerOfTwo(g.blockSize) && g.inodeSize != 0 &&
           probe::IsPowerOfTwo(g.inodeSize) && g.inodeSize <= g.blockSize && g.agBlocks != 0 &&
           g.agBlockLog < 32 && (std::uint64_t(1) << g.agBlockLog) >= g.agBlocks &&
           g.agCount != 0 && g.dataBlocks != 0 && g.dataBlocks <= UINT64_MAX / g.blockSize &&
           g.sectorSize >= 512 && probe::IsPowerOfTwo(g.sectorSize) &&
           g.sectorSize <= g.blockSize && g.dirBlockLog < 8;
}

} // namespace

std::uint32_t cGeometry::InodesPerBlockLog() const {
    return std::uint32_t(std::countr_zero(blockSize / inodeSize));
}

std::optional<std::uint64_t> cGeometry::InodePosition(std::uint64_t n) const {
    const std::uint32_t perBlockLog = InodesPerBlockLog();
    const std::uint64_t group = n >> (agBlockLog + perBlockLog);
    const std::uint64_t block = (n >> perBlockLog) & ((std::uint64_t(1) << agBlockLog) - 1);
    const std::uint64_t index = n & ((std::uint64_t(1) << perBlockLog) - 1);
    if (group >= agCount || block >= agBlocks) {
        return std::nullopt;
    }
    // group and block are below 2^32, so the linear block fits 64 bits.
    const std::uint64_t linear = group * agBlocks + block;
    const std::optional<std::uint64_t> start = checked::Mul(linear, std::uint64_t(blockSize));
    if (linear >= dataBlocks || !start) {
        return std::nullopt;
    }
    return checked::Add(*start, index * inodeSize);
}

std::optional<std::uint64_t> cGeometry::LinearBlock(std::uint64_t pointer) const {
    const std::uint64_t group = pointer >> agBlockLog;
    const std::uint64_t block = pointer & ((std::uint64_t(1) << agBlockLog) - 1);
    if (group >= agCount || block >= agBlocks) {
        return std::nullopt;
    }
    return group * agBlocks + block;
}

std::optional<cGeometry> ParseSuperblock(bytes::Fixed<kSuperblockBytes> sb) {
    if (bytes::Be32<0>(sb) != 0x58465342) { // "XFSB"
        return std::nullopt;
    }
    cGeometry g;
    g.blockSize = bytes::Be32<4>(sb);
    g.dataBlocks = bytes::Be64<8>(sb);
    std::copy_n(sb.begin() + 32, 16, g.uuid.begin());
    g.rootInode = bytes::Be64<56>(sb);
    g.agBlocks = bytes::Be32<84>(sb);
    g.agCount = bytes::Be32<88>(sb);
    const std::uint16_t version = bytes::Be16<100>(sb) & kVersionMask;
    g.sectorSize = bytes::Be16<102>(sb);
    g.inodeSize = bytes::Be16<104>(sb);
    std::copy_n(sb.begin() + 108, 12, g.label.begin());
    g.agBlockLog = sb[124];
    g.dirBlockLog = sb[192];
    g.v5 = version == 5;
    g.fileTypes = g.v5 ? (bytes::Be32<216>(sb) & kIncompatFileType) != 0
                       : (bytes::Be32<200>(sb) & kVersion2FileType) != 0;
    if ((version != 4 && version != 5) || !Plausible(g)) {
        return std::nullopt;
    }
    return g;
}

cExtXFSParams ParamsOf(const cGeometry& geometry) {
    cExtXFSParams params;
    params.blockSize = geometry.blockSize;
    params.rootInode = geometry.rootInode;
    params.inodeSize = geometry.inodeSize;
    params.agBlocks = geometry.agBlocks;
    params.agBlockLog = geometry.agBlockLog;
    params.agCount = geometry.agCount;
    params.dataBlocks = geometry.dataBlocks;
    params.sectorSize = geometry.sectorSize;
    return params;
}

std::optional<cGeometry> FromParams(const cExtXFSParams& params) {
    cGeometry g;
    g.blockSize = params.blockSize;
    g.rootInode = params.rootInode;
    g.inodeSize = params.inodeSize;
    g.agBlocks = params.agBlocks;
    g.agBlockLog = params.agBlockLog;
    g.agCount = params.agCount;
    g.dataBlocks = params.dataBlocks;
    g.sectorSize = params.sectorSize;
    if (!Plausible(g)) {
        return std::nullopt;
    }
    return g;
}

} // namespace xfs
