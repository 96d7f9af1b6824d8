#include "vfs/ext/ext_super.h"

#include "base/checked.h"

#include <algorithm>

namespace ext {
namespace {

constexpr std::uint16_t kMagic = 0xEF53;
constexpr std::uint32_t kIncompat64Bit = 0x80;

constexpr std::uint32_t kRoCompatSparseSuper = 0x1;
// The group a copy of the superblock was written in; 0 in the primary.
constexpr std::size_t kGroupNumberOffset = 90;

bool IsPowerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

bool IsPowerOf(std::uint64_t value, std::uint64_t base) {
    while (value > 1 && value % base == 0) {
        value /= base;
    }
    return value == 1;
}

bool HasSuperblockCopy(const cSuperblock& sb, std::uint64_t group) {
    return !sb.sparseSuper || group <= 1 || IsPowerOf(group, 3) || IsPowerOf(group, 5) ||
           IsPowerOf(group, 7);
}

} // namespace

std::optional<cSuperblock> ParseSuperblock(bytes::Fixed<kSuperblockBytes> data) {
    if (bytes::Le16<56>(data) != kMagic) {
        return std::nullopt;
    }
    cSuperblock sb;
    sb.inodesCount = bytes::Le32<0>(data);
    sb.blocksCountLow = bytes::Le32<4>(data);
    sb.firstDataBlock = bytes::Le32<20>(data);
    const std::uint32_t logBlockSize = bytes::Le32<24>(data);
    sb.blocksPerGroup = bytes::Le32<32>(data);
    sb.inodesPerGroup = bytes::Le32<40>(data);
    const std::uint32_t revision = bytes::Le32<76>(data);
    sb.inodeSize = revision == 0 ? 128 : bytes::Le16<88>(data);
    const bool wide = (bytes::Le32<96>(data) & kIncompat64Bit) != 0;
    sb.reservedDescriptorBlocks = bytes::Le16<206>(data);
    sb.sparseSuper = (bytes::Le32<100>(data) & kRoCompatSparseSuper) != 0;
    std::copy_n(data.begin() + 104, 16, sb.uuid.begin());
    std::copy_n(data.begin() + 120, 16, sb.volumeName.begin());
    if (sb.inodesCount == 0 || sb.inodesPerGroup == 0 || logBlockSize > 6 || sb.inodeSize < 128 ||
        !IsPowerOfTwo(sb.inodeSize)) {
        return std::nullopt;
    }
    sb.blockSize = 1024u << logBlockSize;
    if (sb.blocksPerGroup == 0 || sb.blocksPerGroup > 8 * sb.blockSize ||
        sb.inodeSize > sb.blockSize) {
        return std::nullopt;
    }
    // 64bit volumes keep the descriptor size in the superblock (offset 254); their
    // descriptors carry the high halves of the block numbers after the first 32 bytes.
    sb.descriptorSize = wide ? bytes::Le16<254>(data) : 32;
    if (sb.descriptorSize < 32 || !IsPowerOfTwo(sb.descriptorSize) ||
        sb.descriptorSize > sb.blockSize) {
        return std::nullopt;
    }
    sb.blocksCount = sb.blocksCountLow;
    if (wide) {
        sb.blocksCount |= std::uint64_t(bytes::Le32<336>(data)) << 32;
    }
    // Every byte offset of a block must fit in 64 bits.
    if (sb.firstDataBlock >= sb.blocksCount || sb.blocksCount > UINT64_MAX / sb.blockSize) {
        return std::nullopt;
    }
    sb.groupCount = sb.inodesCount / sb.inodesPerGroup + (sb.inodesCount % sb.inodesPerGroup != 0);
    sb.descriptorBlock = std::uint64_t(sb.firstDataBlock) + 1;
    return sb;
}

cGroupDescriptor ParseDescriptor(bytes::Span data, std::uint32_t descriptorSize) {
    cGroupDescriptor d;
    const auto low = bytes::Slice<32>(data);
    if (!low) {
        return d;
    }
    d.blockBitmap = bytes::Le32<0>(*low);
    d.inodeBitmap = bytes::Le32<4>(*low);
    d.inodeTable = bytes::Le32<8>(*low);
    d.flags = bytes::Le16<18>(*low);
    if (descriptorSize >= 64) {
        if (const auto high = bytes::Slice<12>(data, 32)) {
            d.blockBitmap |= std::uint64_t(bytes::Le32<0>(*high)) << 32;
            d.inodeBitmap |= std::uint64_t(bytes::Le32<4>(*high)) << 32;
            d.inodeTable |= std::uint64_t(bytes::Le32<8>(*high)) << 32;
        }
    }
    return d;
}

bool UsedInUnwrittenBitmap(const cSuperblock& sb, const std::vector<cGroupDescriptor>& groups,
                           std::uint64_t group, std::uint64_t block) {
    // Groups and block numbers are below the blocks count, so none of this wraps.
    const std::uint64_t first = sb.firstDataBlock + group * sb.blocksPerGroup;
    if (HasSuperblockCopy(sb, group)) {
        const std::uint64_t tableBlocks =
            (groups.size() * sb.descriptorSize + sb.blockSize - 1) / sb.blockSize;
        if (block - first < 1 + tableBlocks + sb.reservedDescriptorBlocks) {
            return true;
        }
    }
    const cGroupDescriptor& own = groups[group];
    const std::uint64_t inodeTableBlocks =
        (std::uint64_t(sb.inodesPerGroup) * sb.inodeSize + sb.blockSize - 1) / sb.blockSize;
    return block == own.blockBitmap || block == own.inodeBitmap ||
           (block >= own.inodeTable && block - own.inodeTable < inodeTableBlocks);
}

std::optional<cSuperblock> LoadSuperblock(const SectorReader& read) {
    std::array<std::uint8_t, kSuperblockBytes> data{};
    if (!read(kSuperblockSector, kSuperblockBytes / 512, data.data())) {
        return std::nullopt;
    }
    return ParseSuperblock(data);
}

std::optional<cSuperblock> LoadSuperblockCopy(const SectorReader& read) {
    for (const std::uint32_t blockSize : {1024u, 2048u, 4096u}) {
        const std::uint32_t firstDataBlock = blockSize == 1024 ? 1 : 0;
        const std::uint32_t blocksPerGroup = 8 * blockSize;
        const std::uint64_t groupStart = firstDataBlock + blocksPerGroup;
        std::array<std::uint8_t, kSuperblockBytes> data{};
        if (!read(groupStart * (blockSize / 512), kSuperblockBytes / 512, data.data())) {
            continue;
        }
        std::optional<cSuperblock> sb = ParseSuperblock(data);
        if (sb && sb->blockSize == blockSize && sb->firstDataBlock == firstDataBlock &&
            sb->blocksPerGroup == blocksPerGroup && bytes::Le16<kGroupNumberOffset>(data) == 1 &&
            groupStart < sb->blocksCount) {
            sb->descriptorBlock = groupStart + 1;
            return sb;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<cGroupDescriptor>> LoadDescriptors(const cSuperblock& sb,
                                                             const SectorReader& read) {
    const std::optional<std::uint64_t> tableBytes =
        checked::Mul(sb.groupCount, std::uint64_t(sb.descriptorSize));
    if (sb.groupCount == 0 || !tableBytes || *tableBytes > kMaxDescriptorTableBytes) {
        return std::nullopt;
    }
    const std::uint64_t sectors = (*tableBytes + 511) / 512;
    const std::optional<std::uint64_t> first =
        checked::Mul(sb.descriptorBlock, std::uint64_t(sb.BlockSectors()));
    if (!first) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table(sectors * 512);
    if (!read(*first, std::uint32_t(sectors), table.data())) {
        return std::nullopt;
    }
    std::vector<cGroupDescriptor> descriptors;
    descriptors.reserve(sb.groupCount);
    for (std::uint64_t g = 0; g < sb.groupCount; ++g) {
        const cGroupDescriptor d =
            ParseDescriptor(bytes::Span(table).subspan(g * sb.descriptorSize, sb.descriptorSize),
                            sb.descriptorSize);
        for (const std::uint64_t block : {d.blockBitmap, d.inodeBitmap, d.inodeTable}) {
            if (block == 0 || block > sb.blocksCount) {
                return std::nullopt;
            }
        }
        descriptors.push_back(d);
    }
    return descriptors;
}

} // namespace ext
