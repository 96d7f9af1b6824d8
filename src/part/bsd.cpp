#include "part/bsd.h"

#include "base/bytes.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <vector>

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

bool ReadLabel(cPartTreeItem& node, const LabelLayout& layout, std::vector<std::uint8_t>& sector) {
    return part::ReadSectors(node.Storage(), node.Start() + layout.sector, 1, sector) &&
           bytes::Le32(&sector[0]) == kDiskMagic &&
           bytes::Le32(&sector[layout.secondMagic]) == kDiskMagic;
}

// Partition entries: size (u32 at 0), offset (u32 at 4, an absolute sector of the disk),
// file-system type (u8 at 12).
bool ParseLabel(cPartTreeItem& node, const LabelLayout& layout) {
    std::vector<std::uint8_t> sector;
    if (!ReadLabel(node, layout, sector)) {
        return false;
    }
    for (unsigned i = 0; i < kEntries; ++i) {
        const std::uint8_t* entry = &sector[layout.table + kEntrySize * i];
        const std::uint8_t fsType = entry[12];
        if (i == kWholeDiskEntry || fsType == 0) {
            continue;
        }
        if (part::AddPartition(node, bytes::Le32(entry + 4), bytes::Le32(entry),
                               part_type::kBsdBase + fsType) == nullptr) {
            break;
        }
    }
    return true;
}

} // namespace

bool cBsdPartParser::Probe(cPartTreeItem& node) {
    std::vector<std::uint8_t> sector;
    return ReadLabel(node, kBsdLayout, sector);
}

bool cBsdPartParser::Parse(cPartTreeItem& node) {
    return ParseLabel(node, kBsdLayout);
}

bool cSnapPartParser::Probe(cPartTreeItem& node) {
    std::vector<std::uint8_t> sector;
    return ReadLabel(node, kSnapLayout, sector);
}

bool cSnapPartParser::Parse(cPartTreeItem& node) {
    return ParseLabel(node, kSnapLayout);
}
