#include "part/part_tree.h"

#include "io/base_io.h"
#include "part/part_parser.h"

#include <algorithm>

namespace {

// The hook lets an extension release shared state before its destructor runs.
void DestroyExtension(std::unique_ptr<cPartExtension>& extension) {
    if (extension) {
        extension->ExtensionHook();
        extension.reset();
    }
}

std::size_t CountSubtree(const cPartTreeItem& node) {
    std::size_t count = 1;
    for (const auto& child : node.Children()) {
        count += CountSubtree(*child);
    }
    return count;
}

// Depth first, a node before its children; stops at the first node visit answers yes for.
template <class Visit>
cPartTreeItem* Walk(const std::vector<std::unique_ptr<cPartTreeItem>>& nodes, Visit& visit) {
    for (const auto& node : nodes) {
        if (visit(*node)) {
            return node.get();
        }
        if (cPartTreeItem* found = Walk(node->Children(), visit)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

// ---- record ----

cPartRecord::~cPartRecord() {
    DestroyExtensions();
}

bool cPartRecord::SetRecord(cBaseIO* storage, std::uint64_t start, std::uint64_t length,
                            std::uint16_t typeCode) {
    DestroyExtensions();
    if (storage == nullptr) {
        return false;
    }
    storage_ = storage;
    start_ = start;
    length_ = length;
    SetTypeCode(typeCode);
    return length != 0;
}

void cPartRecord::SetRange(std::uint64_t start, std::uint64_t length) {
    const std::uint64_t sectors = storage_ != nullptr ? storage_->GetSectorCount() : 0;
    if (start >= sectors) {
        return;
    }
    length = std::min(length, sectors - start);
    if (length == 0) {
        return;
    }
    start_ = start;
    length_ = length;
}

void cPartRecord::SetTypeCode(std::uint16_t typeCode) {
    typeCode_ = typeCode;
    typeName_ = std::u16string(GetTypeName(typeCode));
}

void cPartRecord::AttachExtension(std::unique_ptr<cPartExtension> extension) {
    if (!extension) {
        return;
    }
    const std::uint32_t kind = extension->GetExtensionKind();
    const auto same =
        std::find_if(extensions_.begin(), extensions_.end(),
                     [kind](const auto& held) { return held->GetExtensionKind() == kind; });
    if (same != extensions_.end()) {
        // Taken out of the list before it is destroyed: its hook may look at the record.
        std::unique_ptr<cPartExtension> old = std::move(*same);
        extensions_.erase(same);
        DestroyExtension(old);
    }
    extensions_.push_back(std::move(extension));
}

cPartExtension* cPartRecord::FindExtension(std::uint32_t kind) const {
    for (const auto& extension : extensions_) {
        if (extension->GetExtensionKind() == kind) {
            return extension.get();
        }
    }
    return nullptr;
}

void cPartRecord::DestroyExtensions() {
    // One at a time from the front, so that a hook never sees a half-emptied list.
    while (!extensions_.empty()) {
        std::unique_ptr<cPartExtension> first = std::move(extensions_.front());
        extensions_.erase(extensions_.begin());
        DestroyExtension(first);
    }
}

// ---- node ----

cPartTreeItem* cPartTreeItem::Next() const {
    if (tree_ == nullptr) {
        return nullptr;
    }
    const auto& siblings = parent_ != nullptr ? parent_->children_ : tree_->Roots();
    for (std::size_t i = 0; i + 1 < siblings.size(); ++i) {
        if (siblings[i].get() == this) {
            return siblings[i + 1].get();
        }
    }
    return nullptr;
}

cPartTreeItem* cPartTreeItem::Previous() const {
    if (tree_ == nullptr) {
        return nullptr;
    }
    const auto& siblings = parent_ != nullptr ? parent_->children_ : tree_->Roots();
    for (std::size_t i = 1; i < siblings.size(); ++i) {
        if (siblings[i].get() == this) {
            return siblings[i - 1].get();
        }
    }
    return nullptr;
}

unsigned cPartTreeItem::Depth() const {
    unsigned depth = 0;
    for (const cPartTreeItem* up = parent_; up != nullptr; up = up->parent_) {
        ++depth;
    }
    return depth;
}

cPartParser* cPartTreeItem::Parser() const {
    return FindExtensionAs<cPartParser>(part_ext::kParser);
}

// ---- tree ----

std::vector<std::unique_ptr<cPartTreeItem>>& cPartTree::SiblingsOf(const cPartTreeItem& node) {
    return node.parent_ != nullptr ? node.parent_->children_ : roots_;
}

std::unique_ptr<cPartTreeItem> cPartTree::Unlink(cPartTreeItem& node) {
    auto& siblings = SiblingsOf(node);
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [&](const auto& held) { return held.get() == &node; });
    std::unique_ptr<cPartTreeItem> owned = std::move(*it);
    siblings.erase(it);
    node.parent_ = nullptr;
    return owned;
}

cPartTreeItem& cPartTree::AddChild(cPartTreeItem* parent, std::unique_ptr<cPartTreeItem> node) {
    node->tree_ = this;
    node->parent_ = parent;
    nodeCount_ += CountSubtree(*node);
    // Children that came along now belong to this tree too.
    AddChildTreeLinks(*node);
    auto& siblings = parent != nullptr ? parent->children_ : roots_;
    siblings.push_back(std::move(node));
    return *siblings.back();
}

void cPartTree::AddChildTreeLinks(cPartTreeItem& node) {
    for (auto& child : node.children_) {
        child->tree_ = this;
        AddChildTreeLinks(*child);
    }
}

void cPartTree::DestroySubtree(cPartTreeItem* first) {
    if (first == nullptr || first->tree_ != this) {
        return;
    }
    auto& siblings = SiblingsOf(*first);
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [&](const auto& held) { return held.get() == first; });
    for (auto each = it; each != siblings.end(); ++each) {
        nodeCount_ -= CountSubtree(**each);
    }
    siblings.erase(it, siblings.end());
}

void cPartTree::DestroyChildren(cPartTreeItem& node) {
    if (!node.children_.empty()) {
        DestroySubtree(node.children_.front().get());
    }
}

void cPartTree::DestroyAll() {
    if (!roots_.empty()) {
        DestroySubtree(roots_.front().get());
    }
}

void cPartTree::Remove(cPartTreeItem* node) {
    if (node == nullptr || node->tree_ != this) {
        return;
    }
    nodeCount_ -= CountSubtree(*node);
    Unlink(*node); // destroyed here, children first
}

bool cPartTree::Move(cPartTreeItem* node, cPartTreeItem* newParent) {
    if (node == nullptr || node->tree_ != this ||
        (newParent != nullptr && newParent->tree_ != this)) {
        return false;
    }
    for (const cPartTreeItem* up = newParent; up != nullptr; up = up->parent_) {
        if (up == node) {
            return false;
        }
    }
    std::unique_ptr<cPartTreeItem> owned = Unlink(*node);
    nodeCount_ -= CountSubtree(*owned);
    AddChild(newParent, std::move(owned));
    return true;
}

std::unique_ptr<cPartTreeItem> cPartTree::Take(cPartTreeItem* node) {
    if (node == nullptr || node->tree_ != this) {
        return nullptr;
    }
    nodeCount_ -= CountSubtree(*node);
    std::unique_ptr<cPartTreeItem> owned = Unlink(*node);
    owned->tree_ = nullptr;
    return owned;
}

cPartTreeItem* cPartTree::FindFirst(const std::function<bool(const cPartTreeItem&)>& match) const {
    auto visit = [&match](cPartTreeItem& node) { return match(node); };
    return Walk(roots_, visit);
}

cPartTreeItem* cPartTree::FindByStart(std::uint64_t start) const {
    return FindFirst([start](const cPartTreeItem& node) { return node.Start() == start; });
}

cPartTreeItem* cPartTree::FindByFileSystem(std::span<const std::uint8_t> identity) const {
    return FindFirst([identity](const cPartTreeItem& node) {
        const cPartExtension* fs = node.FindExtension(part_ext::kFileSystem);
        if (fs == nullptr) {
            return false;
        }
        const std::vector<std::uint8_t> own = fs->ExtensionIdentity();
        return std::equal(own.begin(), own.end(), identity.begin(), identity.end());
    });
}

void cPartTree::ForEach(const std::function<void(cPartTreeItem&)>& visit) const {
    auto each = [&visit](cPartTreeItem& node) {
        visit(node);
        return false;
    };
    Walk(roots_, each);
}

cPartTreeItem* cPartTree::AddUserPartition(cPartTreeItem* parent, std::uint64_t start,
                                           std::uint64_t length) {
    if (parent == nullptr) {
        parent = First();
    }
    if (parent == nullptr || length == 0) {
        return nullptr;
    }
    auto node = std::make_unique<cPartTreeItem>();
    if (!node->SetRecord(parent->Storage(), start, length, part_type::kEmpty)) {
        return nullptr;
    }
    return &AddChild(parent, std::move(node));
}
