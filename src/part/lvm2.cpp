#include "part/lvm2.h"

#include "base/bytes.h"
#include "io/base_io.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

// LVM2 on-disk format (lib/format_text/layout.h, label/label.h). Label header: "LABELONE"
// at 0, its own sector (u64 at 8), offset of the PV header from the label (u32 at 20),
// "LVM2 001" at 24. PV header: uuid (32 bytes), device size in bytes (u64 at 32), then
// from 40 lists of (offset, size) byte pairs, the data areas first, each list ended by zeros.
constexpr unsigned kLabelScanSectors = 4;
constexpr std::uint32_t kLabelAreaSectors = 32; // what is read at each candidate: 16 KiB
constexpr std::size_t kLabelSector = 8;
constexpr std::size_t kHeaderOffset = 20;
constexpr std::size_t kDeviceSize = 32;

struct Label {
    unsigned sector; // which of the first sectors of the node holds it
    std::vector<std::uint8_t> area;
};

// One read covers all four candidate positions; a candidate counts only when its whole
// 32 sectors were read, as if each had been read on its own.
std::optional<Label> FindLabel(cPartTreeItem& node) {
    cBaseIO* storage = node.Storage();
    const std::uint32_t wanted = kLabelAreaSectors + kLabelScanSectors - 1;
    std::vector<std::uint8_t> buffer(std::size_t(wanted) * kSectorSize);
    if (storage == nullptr || storage->SeekSector(node.Start()) < 0) {
        return std::nullopt;
    }
    const std::uint32_t got = storage->ReadSectors(buffer.data(), wanted);
    for (unsigned i = 0; i < kLabelScanSectors && i + kLabelAreaSectors <= got; ++i) {
        const bytes::Span candidate(buffer.data() + std::size_t(i) * kSectorSize,
                                    kLabelAreaSectors * kSectorSize);
        if (part::HasText(candidate, 0, "LABELONE") && part::HasText(candidate, 24, "LVM2 001")) {
            return Label{i, std::vector<std::uint8_t>(candidate.begin(), candidate.end())};
        }
    }
    return std::nullopt;
}

} // namespace

bool cLvmPartParser::Probe(cPartTreeItem& node) {
    return FindLabel(node).has_value();
}

bool cLvmPartParser::Parse(cPartTreeItem& node) {
    std::optional<Label> label = FindLabel(node);
    if (!label) {
        return false;
    }
    const bytes::Span area(label->area);
    // The label names the sector it was written to; where it was found tells where the
    // physical volume starts.
    const std::uint64_t labelSector = bytes::Le64At(area, kLabelSector).value_or(UINT64_MAX);
    const std::uint64_t foundAt = node.Start() + label->sector;
    if (labelSector > foundAt) {
        return false;
    }
    node.SetRange(foundAt - labelSector, node.Length());

    bytes::Cursor header(area, bytes::Le32At(area, kHeaderOffset).value_or(UINT32_MAX));
    header.Skip(kDeviceSize);
    const std::uint64_t deviceSize = header.Le64();
    const std::uint64_t storageEnd = node.Storage()->GetSectorCount();
    while (header.Ok()) {
        const std::uint64_t offset = header.Le64();
        const std::uint64_t size = header.Le64();
        if (!header.Ok() || (offset == 0 && size == 0)) {
            break;
        }
        // A size of 0 means "to the end of the device": what the device holds after the
        // area's offset, and never past the end of the storage.
        const std::uint64_t start = node.Start() + offset / kSectorSize;
        std::uint64_t length = size != 0
                                   ? size / kSectorSize
                                   : (deviceSize - std::min(deviceSize, offset)) / kSectorSize;
        if (size == 0) {
            length = start < storageEnd ? std::min(length, storageEnd - start) : 0;
        }
        if (length == 0) {
            continue;
        }
        if (part::AddPartition(node, start, length, part_type::kLvmPhysicalVolume) == nullptr) {
            break;
        }
    }
    node.AttachExtension(std::make_unique<cPartLegacyData>(std::move(label->area)));
    return true;
}
