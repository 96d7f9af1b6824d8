#include "part/mbr.h"

#include "base/bytes.h"
#include "part/boot_sector.h"
#include "part/ldm.h"
#include "part/map_io.h"
#include "part/parse_order.h"
#include "part/part_tree.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace {

// MBR and EBR layout: four 16-byte entries from 0x1BE (type at +4, first sector at +8,
// sector count at +12; status and CHS fields are not used) and the boot code before them.
constexpr std::size_t kEntryTable = 0x1BE;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kBootCodeSize = 446;

// A chain may legally hold many logical partitions, but no real disk needs more than this;
// hostile chains are stopped here or at the first EBR read twice.
constexpr unsigned kMaxLogicalPartitions = 256;

struct MbrEntry {
    std::uint8_t type;
    std::uint32_t first;
    std::uint32_t count;
};

using EntryTable = std::array<MbrEntry, 4>;

EntryTable EntriesOf(const part::Sector& sector) {
    const auto table = bytes::Fixed<kSectorSize>(sector).subspan<kEntryTable, 4 * kEntrySize>();
    bytes::Cursor cursor(table);
    EntryTable entries;
    for (MbrEntry& entry : entries) {
        const auto raw = cursor.Next<kEntrySize>();
        entry = {raw[4], bytes::Le32<8>(raw), bytes::Le32<12>(raw)};
    }
    // The table is a fixed part of the sector, so the cursor cannot run short.
    return cursor.Ok() ? entries : EntryTable{};
}

bool IsExtended(std::uint8_t type) {
    return type == part_type::kExtended || type == part_type::kExtendedLba ||
           type == part_type::kExtendedLinux;
}

std::unique_ptr<cPartLegacyBoot> BootCodeOf(const part::Sector& sector) {
    return std::make_unique<cPartLegacyBoot>(
        std::vector<std::uint8_t>(sector.begin(), sector.begin() + kBootCodeSize));
}

// Logical partitions of the extended partition at block chainStart relative to node; each
// EBR's entry 0 is the logical partition (relative to that EBR), entry 1 the next EBR
// (relative to the extended partition). No when an EBR cannot be read or is not one.
// Entries count logical blocks of the disk; positions are 32-bit sums of 32-bit fields
// and a block is at most 128 sectors, so the sector numbers cannot wrap.
bool WalkExtendedChain(cPartTreeItem& node, cPartTreeItem& extended, std::uint64_t chainStart) {
    const std::uint64_t block = part::BlockSectors(node);
    std::vector<std::uint64_t> visited;
    std::uint64_t position = chainStart;
    while (visited.size() < kMaxLogicalPartitions &&
           std::find(visited.begin(), visited.end(), position) == visited.end()) {
        visited.push_back(position);
        const std::optional<part::Sector> ebr =
            part::ReadSector(node.Storage(), node.Start() + position * block);
        if (!ebr || !part::HasBootSignature(*ebr)) {
            return false;
        }
        const EntryTable entries = EntriesOf(*ebr);
        const MbrEntry& logical = entries[0];
        const MbrEntry& link = entries[1];
        // An EBR whose logical slot is empty may still link to the next one.
        if (logical.count != 0) {
            cPartTreeItem* child =
                part::AddPartition(extended, node.Start() + (position + logical.first) * block,
                                   logical.count * block, logical.type);
            if (child == nullptr) {
                break;
            }
            if (std::any_of(ebr->begin(), ebr->begin() + kBootCodeSize,
                            [](std::uint8_t b) { return b != 0; })) {
                child->AttachExtension(BootCodeOf(*ebr));
            }
            NestedParse(*child);
        }
        if (link.type == 0) {
            break;
        }
        position = chainStart + link.first;
    }
    return true;
}

} // namespace

bool cMbrPartParser::Probe(cPartTreeItem& node) {
    const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), node.Start());
    return sector && part::HasBootSignature(*sector);
}

bool cMbrPartParser::Parse(cPartTreeItem& node) {
    const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), node.Start());
    if (!sector) {
        return false;
    }
    // A partition-less volume (a formatted floppy or stick) carries the same signature.
    if (const auto volumeType = part::MbrVolumeBootType(*sector)) {
        node.SetTypeCode(*volumeType);
        return true;
    }
    if (cLdmPartParser::Probe(node)) {
        // Replaces (destroys) this parser: nothing of it may be used after the call.
        return RunParser(node, std::make_unique<cLdmPartParser>());
    }
    bool chainsRead = true;
    const std::uint64_t block = part::BlockSectors(node);
    for (const MbrEntry& entry : EntriesOf(*sector)) {
        if (entry.type == 0 || entry.count == 0) {
            continue;
        }
        cPartTreeItem* child = part::AddPartition(node, node.Start() + entry.first * block,
                                                  entry.count * block, entry.type);
        if (child == nullptr) {
            break;
        }
        if (IsExtended(entry.type)) {
            // A broken chain must not hide the primary partitions after it, so the walk's
            // failure is only remembered.
            chainsRead = WalkExtendedChain(node, *child, entry.first) && chainsRead;
        } else {
            NestedParse(*child);
        }
    }
    if (!chainsRead) {
        return false;
    }
    node.AttachExtension(BootCodeOf(*sector));
    return true;
}
