#include "part/solaris.h"

#include "base/bytes.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <vector>

namespace {

// <sys/dklabel.h> and <sys/vtoc.h>, x86: the label's magic at 508; the VTOC's sector size
// at 28, slice count at 30 and 16 slices of 12 bytes from 72 (tag, flag, start, size).
constexpr std::size_t kLabelMagic = 508;
constexpr std::uint16_t kLabelMagicValue = 0xDABE;
constexpr std::size_t kSectorSizeField = 28;
constexpr std::size_t kSliceCount = 30;
constexpr std::size_t kSliceStart = 76;
constexpr std::size_t kSliceSize = 80;
constexpr std::size_t kSliceStride = 12;
constexpr unsigned kMaxSlices = 16;
constexpr unsigned kSwapSlice = 1;
constexpr unsigned kWholeDiskSlice = 2;
// A UFS superblock sits 8 KiB into the slice with its magic at 1372.
constexpr std::uint64_t kUfsSuperblockSector = 16;
constexpr std::size_t kUfsMagic = 1372;
constexpr std::uint32_t kUfsMagicValue = 0x11954;

bool ReadVtoc(cPartTreeItem& node, std::vector<std::uint8_t>& sector) {
    if (!part::ReadSectors(node.Storage(), node.Start() + 1, 1, sector) ||
        bytes::Le16(&sector[kLabelMagic]) != kLabelMagicValue ||
        bytes::Le16(&sector[kSectorSizeField]) != 512) {
        return false;
    }
    const std::uint16_t slices = bytes::Le16(&sector[kSliceCount]);
    return slices >= 1 && slices <= kMaxSlices;
}

} // namespace

bool cSolarisPartParser::Probe(cPartTreeItem& node) {
    std::vector<std::uint8_t> sector;
    return ReadVtoc(node, sector);
}

bool cSolarisPartParser::Parse(cPartTreeItem& node) {
    std::vector<std::uint8_t> vtoc;
    if (!ReadVtoc(node, vtoc)) {
        return false;
    }
    const unsigned slices = bytes::Le16(&vtoc[kSliceCount]);
    std::vector<std::uint8_t> superblock;
    for (unsigned i = 0; i < slices; ++i) {
        const std::uint32_t start = bytes::Le32(&vtoc[kSliceStart + kSliceStride * i]);
        const std::uint32_t size = bytes::Le32(&vtoc[kSliceSize + kSliceStride * i]);
        if (i == kWholeDiskSlice || size == 0) {
            continue;
        }
        std::uint16_t type = part_type::kUnknown;
        if (i == kSwapSlice) {
            type = part_type::kUnixSwap;
        } else if (start == 0) {
            type = part_type::kSolarisBoot;
        } else {
            if (!part::ReadSectors(node.Storage(), node.Start() + start + kUfsSuperblockSector, 8,
                                   superblock)) {
                return false;
            }
            if (bytes::Le32(&superblock[kUfsMagic]) == kUfsMagicValue) {
                type = part_type::kUfs;
            }
        }
        if (part::AddPartition(node, node.Start() + start, size, type) == nullptr) {
            break;
        }
    }
    return true;
}
