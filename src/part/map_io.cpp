#include "part/map_io.h"

#include "io/base_io.h"
#include "part/part_tree.h"

#include <algorithm>
#include <memory>

namespace part {

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
    if (tree == nullptr || tree->NodeCount() >= kMaxTreeNodes) {
        return nullptr;
    }
    auto node = std::make_unique<cPartTreeItem>();
    node->SetRecord(parent.Storage(), start, length, typeCode);
    return &tree->AddChild(&parent, std::move(node));
}

} // namespace part
