#include "part/part_path.h"

#include <charconv>
#include <vector>

namespace {

// The 1-based place of a node among its parent's children.
std::size_t PlaceAmongSiblings(const cPartTreeItem& node) {
    const auto& siblings = node.Parent()->Children();
    std::size_t place = 1;
    while (place <= siblings.size() && siblings[place - 1].get() != &node) {
        ++place;
    }
    return place;
}

} // namespace

std::string PartitionPath(const cPartTreeItem& node) {
    std::vector<std::size_t> places;
    for (const cPartTreeItem* up = &node; up->Parent() != nullptr; up = up->Parent()) {
        places.push_back(PlaceAmongSiblings(*up));
    }
    if (places.empty()) {
        return "0";
    }
    std::string path;
    for (auto it = places.rbegin(); it != places.rend(); ++it) {
        if (!path.empty()) {
            path += '.';
        }
        path += std::to_string(*it);
    }
    return path;
}

cPartTreeItem* FindByPartitionPath(const cPartTree& tree, std::string_view path) {
    cPartTreeItem* node = tree.First();
    if (node == nullptr || path == "0") {
        return path == "0" ? node : nullptr;
    }
    while (node != nullptr) {
        const std::size_t dot = path.find('.');
        const std::string_view part = path.substr(0, dot);
        std::size_t place = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), place);
        if (part.empty() || error != std::errc() || end != part.data() + part.size() ||
            place == 0 || place > node->Children().size()) {
            return nullptr;
        }
        node = node->Children()[place - 1].get();
        if (dot == std::string_view::npos) {
            return node;
        }
        path.remove_prefix(dot + 1);
    }
    return nullptr;
}
