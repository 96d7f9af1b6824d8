#include "part/bsd.h"

#include "base/bytes.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <optional>

namespace {

constexpr std::uint32_t kDiskMagic = 0x82564557;
constexpr unsigned kEntries = 8;
constexpr std::size_t kEntrySize = 16;
// The "c" partition spans the whole disk or slice by convention.
constexpr unsigned kWholeDiskEntry = 2;

// Where each label keeps its two magics and its partition table, and in which sector of
// the node it lies.
struct LabelLayout {
    std::uint64_t sector;
    std::size_t secondMagic;
    std::size_t table;
};
// 4.4BSD <sys/disklabel.h>: d_magic at 0, d_magic2 at 132, d_partitions at 148.
constexpr LabelLayout kBsdLayout = {1, 132, 148};
constexpr LabelLayout kSnapLayout = {0, 244, 288};

std::optional<part::Sector> ReadLabel(cPartTreeItem& node, const LabelLayout& layout) {
    const std::optional<part::Sector> sector =
        part::ReadSector(node.Storage(), node.Start() + layout.sector);
    if (!sector || bytes::Le32<0>(*sector) != kDiskMagic) {
        return std::nullopt;
    }
    return bytes::Le32At(*sector, layout.secondMagic) == kDiskMagic ? sector : std::nullopt;
}

// Partition entries: size (u32 at 0), offset (u32 at 4, an absolute sector of the disk),
// file-system type (u8 at 12).
bool ParseLabel(cPartTreeItem& node, const LabelLayout& layout) {
    const std::optional<part::Sector> sector = ReadLabel(node, layout);
    if (!sector) {
        return false;
    }
    bytes::Cursor table(*sector, layout.table);
    for (unsigned i = 0; i < kEntries; ++i) {
        const bytes::Fixed<kEntrySize> entry = table.Next<kEntrySize>();
        if (!table.Ok()) {
            break;
        }
        const std::uint8_t fsType = entry[12];
        if (i == kWholeDiskEntry || fsType == 0 || bytes::Le32<0>(entry) == 0) {
            continue;
        }
        if (part::AddPartition(node, bytes::Le32<4>(entry), bytes::Le32<0>(entry),
                               part_type::kBsdBase + fsType) == nullptr) {
            break;
        }
    }
    return true;
}

} // namespace

bool cBsdPartParser::Probe(cPartTreeItem& node) {
    return ReadLabel(node, kBsdLayout).has_value();
}

bool cBsdPartParser::Parse(cPartTreeItem& node) {
    return ParseLabel(node, kBsdLayout);
}

bool cSnapPartParser::Probe(cPartTreeItem& node) {
    return ReadLabel(node, kSnapLayout).has_value();
}

bool cSnapPartParser::Parse(cPartTreeItem& node) {
    return ParseLabel(node, kSnapLayout);
}
