#include "scan/packed_extents.h"

namespace packedext {
namespace {

constexpr std::uint8_t kEndMarker = 0x80;
constexpr std::uint8_t kHasOffset = 0x08;
constexpr std::uint8_t kWideOffset = 0x80;

// Bytes needed for value, at least one.
unsigned ByteCount(std::uint64_t value) {
    unsigned count = 1;
    while (count < 8 && (value >> (8 * count)) != 0) {
        ++count;
    }
    return count;
}

void PutBytes(std::vector<std::uint8_t>& out, std::uint64_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        out.push_back(std::uint8_t(value >> (8 * i)));
    }
}

// Count is given for the whole-file form, whose count is always the single byte 0.
void PutRecord(std::vector<std::uint8_t>& out, const cQORNFileAllocation& extent,
               std::uint64_t count) {
    const unsigned startBytes = ByteCount(extent.start);
    const unsigned countBytes = ByteCount(count);
    std::uint8_t header = std::uint8_t((startBytes - 1) | ((countBytes - 1) << 4));
    if (extent.byteOffset != 0) {
        header |= kHasOffset;
        if (extent.byteOffset > 0xFF) {
            header |= kWideOffset;
        }
    }
    out.push_back(header);
    PutBytes(out, extent.start, startBytes);
    PutBytes(out, count, countBytes);
    if (extent.byteOffset != 0) {
        PutBytes(out, extent.byteOffset, extent.byteOffset > 0xFF ? 2 : 1);
    }
}

// Reads count little-endian bytes at at; no when they run past the end.
bool TakeBytes(std::span<const std::uint8_t> list, std::size_t& at, unsigned count,
               std::uint64_t& value) {
    if (count > list.size() - at) {
        return false;
    }
    value = 0;
    for (unsigned i = 0; i < count; ++i) {
        value |= std::uint64_t(list[at + i]) << (8 * i);
    }
    at += count;
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> Encode(std::span<const cQORNFileAllocation> extents) {
    if (extents.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(extents.size() * kMaxRecordBytes + 1);
    if (extents.size() == 1) {
        PutRecord(out, extents.front(), 0);
        return out;
    }
    for (std::size_t i = 0; i < extents.size(); ++i) {
        const cQORNFileAllocation& extent = extents[i];
        if (extent.sectors == 0 || (extent.IsTail() && i + 1 != extents.size())) {
            return std::nullopt;
        }
        PutRecord(out, extent, extent.sectors);
    }
    out.push_back(kEndMarker);
    return out;
}

std::optional<std::vector<cQORNFileAllocation>> Decode(std::span<const std::uint8_t> list,
                                                       std::uint64_t fileSize) {
    std::vector<cQORNFileAllocation> extents;
    std::size_t at = 0;
    while (true) {
        if (at >= list.size()) {
            return std::nullopt;
        }
        const std::uint8_t header = list[at++];
        if (header == kEndMarker) {
            return extents;
        }
        if (!extents.empty() && extents.back().IsTail()) {
            return std::nullopt;
        }
        cQORNFileAllocation extent;
        std::uint64_t offset = 0;
        const unsigned offsetBytes = (header & kHasOffset) == 0    ? 0
                                     : (header & kWideOffset) != 0 ? 2
                                                                   : 1;
        if (!TakeBytes(list, at, (header & 7) + 1, extent.start) ||
            !TakeBytes(list, at, ((header >> 4) & 7) + 1, extent.sectors) ||
            !TakeBytes(list, at, offsetBytes, offset)) {
            return std::nullopt;
        }
        extent.byteOffset = std::uint16_t(offset);
        if (extent.sectors == 0) {
            if (!extents.empty()) {
                return std::nullopt;
            }
            extent.sectors = fileSize / 512;
            extents.push_back(extent);
            return extents;
        }
        extents.push_back(extent);
    }
}

} // namespace packedext
