#include "part/netware.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <memory>
#include <optional>
#include <string_view>

namespace {

// Both the hotfix header and the volume table are looked for at these sector offsets.
constexpr std::uint64_t kCopyOffsets[] = {32, 64, 96, 128};
constexpr std::size_t kHotfixSize = 24;
// Volume table: "NetWare Volumes" and its NUL, the count at 16, then 60-byte entries
// whose fields the reader uses at these offsets of the sector (entry i adds 60 * i).
constexpr std::string_view kVolumeTableMagic{"NetWare Volumes\0", 16};
constexpr std::size_t kVolumeCount = 16;
constexpr std::size_t kEntryStride = 60;
// The fields the reader uses lie at 56, 60, 64, 72 and 80 of the sector for entry 0: a
// 28-byte window from 56.
constexpr std::size_t kFirstEntry = 56;
constexpr std::size_t kEntryFields = 28;
constexpr std::size_t kSegmentStart = 0;
constexpr std::size_t kSegmentLength = 4;
constexpr std::size_t kBlockCount = 8;
constexpr std::size_t kFatBlock = 16;
constexpr std::size_t kDirectoryBlock = 24;

constexpr std::string_view kNssMagic = "Nw_PaRtItIoN";
constexpr std::size_t kNssType = 16;
constexpr std::size_t kNssSize = 20;
// Each header costs a read even when it adds nothing; the walk stops after this many.
constexpr unsigned kMaxNssHeaders = 4096;

struct VolumeTable {
    std::uint64_t hotfixSize;
    part::Sector sector;
};

// The first of the candidate sectors after base that starts with magic.
std::optional<part::Sector> FindCopy(cPartTreeItem& node, std::uint64_t base,
                                     std::string_view magic) {
    for (const std::uint64_t offset : kCopyOffsets) {
        const auto at = checked::Add(node.Start(), checked::SaturatingAdd(base, offset));
        const std::optional<part::Sector> sector =
            at ? part::ReadSector(node.Storage(), *at) : std::nullopt;
        if (sector && part::HasText(*sector, 0, magic)) {
            return sector;
        }
    }
    return std::nullopt;
}

std::optional<VolumeTable> FindVolumeTable(cPartTreeItem& node) {
    const std::optional<part::Sector> hotfix = FindCopy(node, 0, "HOTFIX00");
    if (!hotfix) {
        return std::nullopt;
    }
    const std::uint64_t hotfixSize = bytes::Le32<kHotfixSize>(*hotfix);
    const std::optional<part::Sector> table = FindCopy(node, hotfixSize, kVolumeTableMagic);
    if (!table) {
        return std::nullopt;
    }
    return VolumeTable{hotfixSize, *table};
}

bool IsNssHeader(const part::Sector& sector) {
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
    const std::uint32_t count = bytes::Le32<kVolumeCount>(table->sector);
    // Entries are read while their fields lie in the table's sector.
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto found =
            bytes::Slice<kEntryFields>(table->sector, kFirstEntry + kEntryStride * i);
        if (!found) {
            break;
        }
        const bytes::Fixed<kEntryFields> entry = *found;
        const std::uint32_t length = bytes::Le32<kSegmentLength>(entry);
        const std::uint32_t blocks = bytes::Le32<kBlockCount>(entry);
        if (length == 0) {
            continue;
        }
        // Start and hotfix size are 32-bit fields and the volume table was read within the
        // storage, so the sum cannot wrap.
        cPartTreeItem* child = part::AddPartition(
            node, node.Start() + table->hotfixSize + bytes::Le32<kSegmentStart>(entry), length,
            part_type::kNovellNwfs);
        if (child == nullptr) {
            break;
        }
        child->AttachExtension(std::make_unique<cNWPartData>(bytes::Le32<kFatBlock>(entry),
                                                             blocks != 0 ? length / blocks : 0,
                                                             bytes::Le32<kDirectoryBlock>(entry)));
    }
    return true;
}

bool cNssPartParser::Probe(cPartTreeItem& node) {
    const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), node.Start());
    return sector && IsNssHeader(*sector);
}

bool cNssPartParser::Parse(cPartTreeItem& node) {
    // Each header describes the partition that follows it (its size counts the header)
    // and is followed by the next header.
    const std::uint64_t end = checked::SaturatingAdd(node.Start(), node.Length());
    std::uint64_t position = node.Start();
    for (unsigned n = 0; n < kMaxNssHeaders && position < end; ++n) {
        const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), position);
        if (!sector || !IsNssHeader(*sector)) {
            return n != 0;
        }
        const std::uint32_t size = bytes::Le32<kNssSize>(*sector);
        // A size of 0 would describe a partition of minus one sector and a header that is
        // its own successor.
        if (size == 0) {
            break;
        }
        if (size > 1 &&
            part::AddPartition(node, position + 1, size - 1, (*sector)[kNssType]) == nullptr) {
            break;
        }
        // position < end, so adding a 32-bit size stays far from wrapping.
        position += size;
    }
    return true;
}
