#include "vfs/ufs/ufs_super.h"

#include "base/checked.h"

#include <algorithm>
#include <bit>

namespace ufs {

namespace {

constexpr std::uint32_t kUfs1Magic = 0x00011954;
constexpr std::uint32_t kUfs2Magic = 0x19540119;
// The group header itself, up to its free-fragment map's offset fields.
constexpr std::uint32_t kMinHeaderBytes = 168;

constexpr std::uint64_t kUfsPlaces[] = {16, 128, 512, 0};
constexpr std::uint64_t kAdaptecPlaces[] = {32};

// Which generation the magic names at this place, or nothing. makefs writes UFS2 at
// 8 KiB, where only UFS1 belongs, and records that place in the superblock (offset 1000).
std::optional<bool> Generation(bytes::Fixed<kSuperblockBytes> sb, const cByteOrder& order,
                               std::uint64_t sector) {
    const std::uint32_t magic = order.U32<1372>(sb);
    const bool ufs1Place = sector == 16 || sector == 512 || sector == 0;
    const bool ufs2Place =
        sector == 128 || sector == 0 || (sector == 16 && order.U64<1000>(sb) == 8192);
    if (magic == kUfs1Magic && ufs1Place) {
        return false;
    }
    if (magic == kUfs2Magic && ufs2Place) {
        return true;
    }
    return std::nullopt;
}

// The Adaptec form has no magic; its superblock lies one block-sized step into a group
// whose block is 32 sectors ÷ (block size ÷ 512).
bool AdaptecShape(bytes::Fixed<kSuperblockBytes> sb) {
    const std::uint32_t blockSize = bytes::Le32<48>(sb);
    return bytes::Le32<1372>(sb) == 0 && blockSize >= 512 && std::has_single_bit(blockSize) &&
           bytes::Le32<16>(sb) != 0 && bytes::Le32<8>(sb) == 32 / (blockSize / 512);
}

bool SaneGeometry(const cGeometry& g) {
    if (g.fragmentSize < 512 || !std::has_single_bit(g.fragmentSize) ||
        !std::has_single_bit(g.fragmentsPerBlock) || g.fragmentsPerBlock > 8 ||
        std::uint64_t(g.fragmentSize) * g.fragmentsPerBlock != g.blockSize ||
        g.blockSize > kMaxBlockBytes) {
        return false;
    }
    if (g.groups == 0 || g.inodesPerGroup == 0 || g.fragmentsPerGroup < g.fragmentsPerBlock ||
        g.fragments == 0 || g.headerBytes < kMinHeaderBytes || g.headerBytes > g.blockSize) {
        return false;
    }
    // Every group starts inside the volume, and its inodes fit in it.
    const std::optional<std::uint64_t> lastStart =
        checked::Mul<std::uint64_t>(g.groups - 1, g.fragmentsPerGroup);
    if (!lastStart || *lastStart >= g.fragments || g.headerFragment >= g.fragmentsPerGroup ||
        g.inodeFragment >= g.fragmentsPerGroup) {
        return false;
    }
    const std::uint64_t inodeArea =
        std::uint64_t(g.fragmentsPerGroup - g.inodeFragment) * g.fragmentSize;
    return std::uint64_t(g.inodesPerGroup) * g.InodeBytes() <= inodeArea &&
           checked::Mul<std::uint64_t>(g.fragments, g.fragmentSize).has_value();
}

} // namespace

std::span<const std::uint64_t> Places(eVariant variant) {
    if (variant == eVariant::kAdaptec) {
        return kAdaptecPlaces;
    }
    return kUfsPlaces;
}

std::optional<cGeometry> ParseSuperblock(bytes::Fixed<kSuperblockBytes> sb, eVariant variant,
                                         std::uint64_t sector) {
    cGeometry g;
    g.order.big = variant == eVariant::kBigEndian;
    if (variant == eVariant::kAdaptec) {
        if (sector != 32 || !AdaptecShape(sb)) {
            return std::nullopt;
        }
    } else {
        const std::optional<bool> ufs2 = Generation(sb, g.order, sector);
        if (!ufs2) {
            return std::nullopt;
        }
        g.ufs2 = *ufs2;
    }
    const cByteOrder& o = g.order;
    g.headerFragment = o.U32<12>(sb);
    g.inodeFragment = o.U32<16>(sb);
    g.groupOffset = o.U32<24>(sb);
    g.groupMask = o.U32<28>(sb);
    g.groups = o.U32<44>(sb);
    g.blockSize = o.U32<48>(sb);
    g.fragmentSize = o.U32<52>(sb);
    g.fragmentsPerBlock = o.U32<56>(sb);
    g.headerBytes = o.U32<160>(sb);
    g.inodesPerGroup = o.U32<184>(sb);
    g.fragmentsPerGroup = o.U32<188>(sb);
    g.fragments = o.U64<1080>(sb);
    g.dataFragments = o.U64<1088>(sb);
    // UFS1 volumes older than the 64-bit fields kept only the 32-bit counts.
    if (!g.ufs2) {
        g.fragments = g.fragments != 0 ? g.fragments : o.U32<36>(sb);
        g.dataFragments = g.dataFragments != 0 ? g.dataFragments : o.U32<40>(sb);
    }
    const auto mountPoint = sb.subspan<212, 468>();
    const auto volumeName = sb.subspan<680, 32>();
    std::copy(mountPoint.begin(), mountPoint.end(), g.mountPoint.begin());
    std::copy(volumeName.begin(), volumeName.end(), g.volumeName.begin());
    const auto swuid = sb.subspan<712, 8>();
    const auto size = sb.subspan<1080, 8>();
    const auto id = sb.subspan<144, 8>();
    std::copy(swuid.begin(), swuid.end(), g.identity.begin());
    std::copy(size.begin(), size.end(), g.identity.begin() + 8);
    std::copy(id.begin(), id.end(), g.identity.begin() + 16);
    if (!SaneGeometry(g)) {
        return std::nullopt;
    }
    return g;
}

std::optional<std::uint64_t> cGeometry::GroupStart(std::uint32_t group) const {
    if (group >= groups) {
        return std::nullopt;
    }
    std::uint64_t start = std::uint64_t(group) * fragmentsPerGroup;
    if (!ufs2) {
        const std::optional<std::uint64_t> stagger =
            checked::Mul<std::uint64_t>(groupOffset, group & ~groupMask);
        const std::optional<std::uint64_t> staggered =
            stagger ? checked::Add(start, *stagger) : std::nullopt;
        if (!staggered) {
            return std::nullopt;
        }
        start = *staggered;
    }
    return start < fragments ? std::optional<std::uint64_t>(start) : std::nullopt;
}

std::optional<std::uint64_t> cGeometry::InodePosition(std::uint64_t n) const {
    if (n / inodesPerGroup >= groups) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> start = GroupStart(std::uint32_t(n / inodesPerGroup));
    if (!start || inodeFragment >= fragments - *start) {
        return std::nullopt;
    }
    const std::uint64_t position =
        (*start + inodeFragment) * fragmentSize + (n % inodesPerGroup) * InodeBytes();
    if (!bytes::Fits(VolumeBytes(), position, InodeBytes())) {
        return std::nullopt;
    }
    return position;
}

} // namespace ufs
