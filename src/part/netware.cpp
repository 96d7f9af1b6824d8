#include "part/netware.h"

#include "base/bytes.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <memory>
#include <optional>
#include <vector>

namespace {

// Both the hotfix header and the volume table are looked for at these sector offsets.
constexpr std::uint64_t kCopyOffsets[] = {32, 64, 96, 128};
constexpr std::size_t kHotfixSize = 24;
// Volume table: "NetWare Volumes" and its NUL, the count at 16, then 60-byte entries
// whose fields the reader uses at these offsets of the sector (entry i adds 60 * i).
constexpr std::string_view kVolumeTableMagic{"NetWare Volumes\0", 16};
constexpr std::size_t kVolumeCount = 16;
constexpr std::size_t kEntryStride = 60;
constexpr std::size_t kSegmentStart = 56;
constexpr std::size_t kSegmentLength = 60;
constexpr std::size_t kBlockCount = 64;
constexpr std::size_t kFatBlock = 72;
constexpr std::size_t kDirectoryBlock = 80;

constexpr std::string_view kNssMagic = "Nw_PaRtItIoN";
constexpr std::size_t kNssType = 16;
constexpr std::size_t kNssSize = 20;
// Each header costs a read even when it adds nothing; the walk stops after this many.
constexpr unsigned kMaxNssHeaders = 4096;

struct VolumeTable {
    std::uint64_t hotfixSize;
    std::vector<std::uint8_t> sector;
};

// The first of the candidate sectors after base that starts with magic.
bool FindCopy(cPartTreeItem& node, std::uint64_t base, std::string_view magic,
              std::vector<std::uint8_t>& sector) {
    for (const std::uint64_t offset : kCopyOffsets) {
        if (part::ReadSectors(node.Storage(), node.Start() + base + offset, 1, sector) &&
            part::HasText(sector, 0, magic)) {
            return true;
        }
    }
    return false;
}

std::optional<VolumeTable> FindVolumeTable(cPartTreeItem& node) {
    VolumeTable table;
    if (!FindCopy(node, 0, "HOTFIX00", table.sector)) {
        return std::nullopt;
    }
    table.hotfixSize = bytes::Le32(&table.sector[kHotfixSize]);
    if (!FindCopy(node, table.hotfixSize, kVolumeTableMagic, table.sector)) {
        return std::nullopt;
    }
    return table;
}

bool IsNssHeader(const std::vector<std::uint8_t>& sector) {
    return part::HasText(sector, 1, kNssMagic);
}

} // namespace

bool cNetWarePartParser::Probe(cPartTreeItem& node) {
    return FindVolumeTable(node).has_value();
}

bool cNetWarePartParser::Parse(cPartTreeItem& node) {
    const std::optional<VolumeTable> table = FindVolumeTable(node);
    if (!table) {
        return false;
    }
    const bytes::Span sector(table->sector);
    const std::uint32_t count = bytes::Le32(&sector[kVolumeCount]);
    // Entries are read while their fields lie in the table's sector.
    for (std::uint32_t i = 0;
         i < count && bytes::Fits(sector.size(), kDirectoryBlock + kEntryStride * i, 4); ++i) {
        const std::size_t shift = kEntryStride * i;
        const std::uint32_t length = bytes::Le32(&sector[kSegmentLength + shift]);
        const std::uint32_t blocks = bytes::Le32(&sector[kBlockCount + shift]);
        cPartTreeItem* child = part::AddPartition(
            node, node.Start() + table->hotfixSize + bytes::Le32(&sector[kSegmentStart + shift]),
            length, part_type::kNovellNwfs);
        if (child == nullptr) {
            break;
        }
        child->AttachExtension(std::make_unique<cNWPartData>(
            bytes::Le32(&sector[kFatBlock + shift]), blocks != 0 ? length / blocks : 0,
            bytes::Le32(&sector[kDirectoryBlock + shift])));
    }
    return true;
}

bool cNssPartParser::Probe(cPartTreeItem& node) {
    std::vector<std::uint8_t> sector;
    return part::ReadSectors(node.Storage(), node.Start(), 1, sector) && IsNssHeader(sector);
}

bool cNssPartParser::Parse(cPartTreeItem& node) {
    // Each header describes the partition that follows it (its size counts the header)
    // and is followed by the next header.
    const std::uint64_t end = node.Start() + node.Length();
    std::uint64_t position = node.Start();
    std::vector<std::uint8_t> sector;
    for (unsigned n = 0; n < kMaxNssHeaders && position < end; ++n) {
        if (!part::ReadSectors(node.Storage(), position, 1, sector) || !IsNssHeader(sector)) {
            return n != 0;
        }
        const std::uint32_t size = bytes::Le32(&sector[kNssSize]);
        // A size of 0 would describe a partition of minus one sector and a header that is
        // its own successor.
        if (size == 0) {
            break;
        }
        if (size > 1 &&
            part::AddPartition(node, position + 1, size - 1, sector[kNssType]) == nullptr) {
            break;
        }
        position += size;
    }
    return true;
}
