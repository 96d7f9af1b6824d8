#include "part/map_io.h"

#include "base/checked.h"
#include "io/base_io.h"
#include "part/part_tree.h"

#include <algorithm>
#include <memory>

namespace part {
namespace {

// The end of the largest storage a 64-bit byte offset can address.
constexpr std::uint64_t kMaxSectorEnd = UINT64_MAX / kSectorSize;

} // namespace

bool ReadSectors(cBaseIO* storage, std::uint64_t sector, std::uint32_t count,
                 std::vector<std::uint8_t>& out) {
    if (storage == nullptr || count == 0) {
        return false;
    }
    out.assign(std::size_t(count) * kSectorSize, 0);
    if (storage->SeekSector(sector) < 0) {
        return false;
    }
    return storage->ReadSectors(out.data(), count) == count;
}

std::uint32_t BlockSectors(const cPartTreeItem& node) {
    const cPartTree* tree = node.Tree();
    return tree != nullptr ? tree->BlockSectors() : 1;
}

std::optional<Sector> ReadSector(cBaseIO* storage, std::uint64_t sector) {
    Sector out{};
    if (storage == nullptr || storage->SeekSector(sector) < 0 ||
        storage->ReadSectors(out.data(), 1) != 1) {
        return std::nullopt;
    }
    return out;
}

bool HasText(std::span<const std::uint8_t> data, std::size_t offset, std::string_view text) {
    return offset <= data.size() && text.size() <= data.size() - offset &&
           std::equal(text.begin(), text.end(), data.begin() + offset,
                      [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
}

cPartTreeItem* AddPartition(cPartTreeItem& parent, std::uint64_t start, std::uint64_t length,
                            std::uint16_t typeCode) {
    cPartTree* tree = parent.Tree();
    const auto end = checked::Add(start, length);
    if (tree == nullptr || tree->NodeCount() >= kMaxTreeNodes || !end || *end > kMaxSectorEnd) {
        return nullptr;
    }
    auto node = std::make_unique<cPartTreeItem>();
    if (!node->SetRecord(parent.Storage(), start, length, typeCode)) {
        return nullptr;
    }
    return &tree->AddChild(&parent, std::move(node));
}

} // namespace part
