#pragma once
// Where a raw file of several fragments lies, as the result tree and the result files keep
// it: a packed list of extents. Each record is a header byte H, then the start sector in
// (H & 7) + 1 bytes, the sector count in ((H >> 4) & 7) + 1 bytes and, when H has bit 3,
// a byte offset of one byte (two when bit 7 is set too), all little-endian. The header
// 0x80 ends the list. A list whose first record counts 0 sectors is one extent over the
// whole file and has no end marker.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One extent of a raw file, in sectors relative to the partition. A non-zero byte offset
// makes it the tail: the rest of the file lies contiguously from byte
// start × 512 + byteOffset, and no extent follows it.
struct cQORNFileAllocation {
    std::uint64_t start = 0;
    std::uint64_t sectors = 0;
    std::uint16_t byteOffset = 0;

    bool IsTail() const { return byteOffset != 0; }
    bool operator==(const cQORNFileAllocation&) const = default;
};

namespace packedext {

// The bytes a list of this many extents may need at most: header, start, count and offset
// of each, and the end marker.
inline constexpr std::size_t kMaxRecordBytes = 19;

// The packed form, written in the fewest bytes. A single extent takes the whole-file form
// (its count is not kept). Nothing for an empty list, for a zero count among several
// extents, or for a tail extent that is not the last.
std::optional<std::vector<std::uint8_t>> Encode(std::span<const cQORNFileAllocation> extents);

// The extents of a packed list; the whole-file form gives one extent of fileSize / 512
// sectors. Nothing when a record runs past the end of the list, when the list has no end
// marker, or for a zero count or an extent after a tail among several extents.
std::optional<std::vector<cQORNFileAllocation>> Decode(std::span<const std::uint8_t> list,
                                                       std::uint64_t fileSize);

} // namespace packedext
