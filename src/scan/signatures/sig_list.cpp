#include "scan/signatures/sig_list.h"

#include "scan/signatures/signature.h"

#include <algorithm>
#include <cstring>

namespace {

// Whether the first eight readable bytes rule the node out.
bool PrefixRulesOut(const cScanSignature& node, const std::uint8_t* data, std::uint32_t limit) {
    if (node.PrefixMask() == 0 || limit < 8) {
        return false;
    }
    std::uint64_t head = 0;
    for (int i = 7; i >= 0; --i) {
        head = (head << 8) | data[i];
    }
    return (head & node.PrefixMask()) != node.PrefixValue();
}

} // namespace

cSigList::cSigList() = default;
cSigList::~cSigList() = default;

cScanSignature& cSigList::Append(std::unique_ptr<cScanSignature> node, cScanSignature* parent) {
    node->parent_ = parent;
    nodes_.push_back(std::move(node));
    dispatchBuilt_ = false;
    return *nodes_.back();
}

void cSigList::BuildDispatch() {
    candidates_.clear();
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        starts_[byte] = std::uint32_t(candidates_.size());
        for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
            const cScanSignature& node = *nodes_[i];
            // A locator moves the origin, so the unit's first byte says nothing of it.
            const bool pinned = node.Locator() == nullptr && (node.PrefixMask() & 0xFF) == 0xFF;
            if (!pinned || (node.PrefixValue() & 0xFF) == byte) {
                candidates_.push_back(i);
            }
        }
    }
    starts_[256] = std::uint32_t(candidates_.size());
    for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
        candidates_.push_back(i);
    }
    starts_[257] = std::uint32_t(candidates_.size());
    dispatchBuilt_ = true;
}

cScanSignature* cSigList::FindSignature(const std::uint8_t* data, std::uint32_t unit,
                                        std::uint32_t limit, std::uint64_t scanPosition) {
    if (nodes_.empty()) {
        return nullptr;
    }
    if (!dispatchBuilt_) {
        BuildDispatch();
    }
    unit = std::min(unit, limit);
    // Without a readable first byte every node stays in the running (a text test holds
    // on an empty unit), in list order.
    const std::uint32_t key = limit > 0 ? data[0] : 256;
    const std::uint32_t first = starts_[key];
    const std::uint32_t last = starts_[key + 1];
    const std::uint32_t* const order = candidates_.data();
    for (std::uint32_t at = first; at < last; ++at) {
        cScanSignature& node = *nodes_[order[at]];
        const std::uint8_t* origin = data;
        std::uint32_t nodeUnit = unit;
        std::uint32_t nodeLimit = limit;
        if (node.Locator() != nullptr) {
            const std::uint32_t offset = node.Locator()->Locate(data, limit);
            if (offset != siglocator::kAbsent) {
                if (offset >= unit || offset >= limit) {
                    continue;
                }
                origin += offset;
                nodeUnit -= offset;
                nodeLimit -= offset;
            }
        }
        if (node.IsGroup()) {
            if (node.Children().Empty()) {
                return nullptr;
            }
            if (cScanSignature* found =
                    node.Children().FindSignature(origin, nodeUnit, nodeLimit, scanPosition)) {
                return found;
            }
            continue;
        }
        if (PrefixRulesOut(node, origin, nodeLimit) ||
            !node.MatchBegin(origin, nodeUnit, nodeLimit, scanPosition)) {
            continue;
        }
        cScanSignature* child =
            node.Children().FindSignature(origin, nodeUnit, nodeLimit, scanPosition);
        return child != nullptr ? child : &node;
    }
    return nullptr;
}
