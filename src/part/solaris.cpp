#include "part/solaris.h"

#include "base/bytes.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <optional>
#include <vector>

namespace {

// <sys/dklabel.h> and <sys/vtoc.h>, x86: the label's magic at 508; the VTOC's sector size
// at 28, slice count at 30 and 16 slices of 12 bytes from 72 (tag, flag, start, size).
constexpr std::size_t kLabelMagic = 508;
constexpr std::uint16_t kLabelMagicValue = 0xDABE;
constexpr std::size_t kSectorSizeField = 28;
constexpr std::size_t kSliceCount = 30;
constexpr std::size_t kSliceTable = 72;
constexpr std::size_t kSliceStride = 12;
// Fields of a slice.
constexpr std::size_t kSliceStart = 4;
constexpr std::size_t kSliceSize = 8;
constexpr unsigned kMaxSlices = 16;
constexpr unsigned kSwapSlice = 1;
constexpr unsigned kWholeDiskSlice = 2;
// A UFS superblock sits 8 KiB into the slice with its magic at 1372.
constexpr std::uint64_t kUfsSuperblockSector = 16;
constexpr std::size_t kUfsMagic = 1372;
constexpr std::uint32_t kUfsMagicValue = 0x11954;

// The VTOC sector with its slice count, when it holds a label.
struct Vtoc {
    part::Sector sector;
    unsigned slices;
};

std::optional<Vtoc> ReadVtoc(cPartTreeItem& node) {
    const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), node.Start() + 1);
    if (!sector || bytes::Le16<kLabelMagic>(*sector) != kLabelMagicValue ||
        bytes::Le16<kSectorSizeField>(*sector) != 512) {
        return std::nullopt;
    }
    const std::uint16_t slices = bytes::Le16<kSliceCount>(*sector);
    if (slices < 1 || slices > kMaxSlices) {
        return std::nullopt;
    }
    return Vtoc{*sector, slices};
}

} // namespace

bool cSolarisPartParser::Probe(cPartTreeItem& node) {
    return ReadVtoc(node).has_value();
}

bool cSolarisPartParser::Parse(cPartTreeItem& node) {
    const std::optional<Vtoc> vtoc = ReadVtoc(node);
    if (!vtoc) {
        return false;
    }
    bytes::Cursor table(vtoc->sector, kSliceTable);
    std::vector<std::uint8_t> superblock;
    for (unsigned i = 0; i < vtoc->slices; ++i) {
        const bytes::Fixed<kSliceStride> slice = table.Next<kSliceStride>();
        if (!table.Ok()) {
            return false;
        }
        const std::uint32_t start = bytes::Le32<kSliceStart>(slice);
        const std::uint32_t size = bytes::Le32<kSliceSize>(slice);
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
            if (bytes::Le32At(superblock, kUfsMagic) == kUfsMagicValue) {
                type = part_type::kUfs;
            }
        }
        if (part::AddPartition(node, node.Start() + start, size, type) == nullptr) {
            break;
        }
    }
    return true;
}
