#include "vfs/hfs/hfs_volume.h"

#include <algorithm>
#include <cstring>

namespace hfs {
namespace {

bool Starts(bytes::Span data, std::size_t offset, const char (&text)[3]) {
    return bytes::Fits(data.size(), offset, 2) && std::memcmp(data.data() + offset, text, 2) == 0;
}

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// An HFS file's size and three extents as the master directory block keeps them for the
// extents and catalog files.
template <std::size_t N>
cFork ClassicFork(bytes::Fixed<N> mdb, std::size_t sizeOffset, std::size_t extentsOffset) {
    cFork fork;
    fork.logicalSize = *bytes::Be32At(mdb, sizeOffset);
    fork.extents = ParseClassicExtents(*bytes::Slice<12>(mdb, extentsOffset));
    return fork;
}

} // namespace

std::optional<cVolumeHeader> ParseVolumeHeader(bytes::Span sector, std::uint32_t maxBlockSize) {
    const auto header = bytes::Slice<512>(sector);
    if (!header || !(Starts(*header, 0, "H+") || Starts(*header, 0, "HX"))) {
        return std::nullopt;
    }
    cVolumeHeader result;
    result.hfsx = Starts(*header, 0, "HX");
    result.blockSize = bytes::Be32<40>(*header);
    result.totalBlocks = bytes::Be32<44>(*header);
    if (result.blockSize < 512 || result.blockSize > maxBlockSize ||
        !IsPowerOfTwo(result.blockSize) || result.totalBlocks == 0) {
        return std::nullopt;
    }
    std::copy_n(header->begin() + 16, 4, result.identity.begin());
    std::copy_n(header->begin() + 44, 8, result.identity.begin() + 4);
    result.allocation = ParsePlusFork(header->subspan<112, 80>());
    result.extents = ParsePlusFork(header->subspan<192, 80>());
    result.catalog = ParsePlusFork(header->subspan<272, 80>());
    return result;
}

std::optional<cMasterDirectoryBlock> ParseMasterDirectoryBlock(bytes::Span sector,
                                                               std::uint32_t maxBlockSize) {
    const auto mdb = bytes::Slice<512>(sector);
    if (!mdb || !Starts(*mdb, 0, "BD") || EmbeddedVolumeOffset(*mdb)) {
        return std::nullopt;
    }
    cMasterDirectoryBlock result;
    result.blockSize = bytes::Be32<20>(*mdb);
    result.blockCount = bytes::Be16<18>(*mdb);
    result.firstBlockSector = bytes::Be16<28>(*mdb);
    if (result.blockSize == 0 || result.blockSize % 512 != 0 || result.blockSize > maxBlockSize ||
        result.blockCount == 0 || bytes::Be32<24>(*mdb) == 0) {
        return std::nullopt;
    }
    std::copy_n(mdb->begin() + 2, 8, result.identity.begin());
    std::copy_n(mdb->begin() + 18, 2, result.identity.begin() + 8);
    std::copy_n(mdb->begin() + 34, 2, result.identity.begin() + 10);
    // The name is a Pascal string of at most 27 characters.
    result.name = mdb->subspan(37, std::min<std::size_t>((*mdb)[36], 27));
    result.extents = ClassicFork(*mdb, 130, 134);
    result.catalog = ClassicFork(*mdb, 146, 150);
    return result;
}

std::optional<std::uint64_t> EmbeddedVolumeOffset(bytes::Span sector) {
    const auto mdb = bytes::Slice<512>(sector);
    if (!mdb || !Starts(*mdb, 0, "BD") || !(Starts(*mdb, 124, "H+") || Starts(*mdb, 124, "HX"))) {
        return std::nullopt;
    }
    // A 32-bit block size over 512 times a 16-bit block number plus a 16-bit sector fits
    // easily in 64 bits.
    const std::uint64_t blockSize = bytes::Be32<20>(*mdb);
    return blockSize / 512 * bytes::Be16<126>(*mdb) + bytes::Be16<28>(*mdb);
}

} // namespace hfs
