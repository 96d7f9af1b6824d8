#include "app/findpart/found_list.h"

#include "io/base_io.h"
#include "vfs/fs_types.h"
#include "vfs/vfs.h"

#include <cinttypes>
#include <cstdio>

namespace {

const cVFS* FileSystemOf(const cPartTreeItem& node) {
    return node.FindExtensionAs<cVFS>(part_ext::kFileSystem);
}

} // namespace

cFoundList::cFoundList(cBaseIO& storage, const cPartTree* table)
    : storage_(storage), table_(table) {
    Clear();
}

void cFoundList::Clear() {
    tree_.DestroyAll();
    rootStates_.clear();
    auto top = std::make_unique<cPartTreeItem>();
    top->SetRecord(&storage_, 0, storage_.GetSectorCount(), 0);
    tree_.AddChild(nullptr, std::move(top));
    saved_ = false;
}

std::vector<cPartTreeItem*> cFoundList::Rows() const {
    std::vector<cPartTreeItem*> rows;
    tree_.ForEach([&rows](cPartTreeItem& node) {
        if (node.Parent() && FileSystemOf(node)) {
            rows.push_back(&node);
        }
    });
    return rows;
}

bool cFoundList::Listed(const cPartTreeItem& node) const {
    const cVFS* fs = FileSystemOf(node);
    return table_ && table_->FindFirst([&node, fs](const cPartTreeItem& listed) {
        const cVFS* listedFs = FileSystemOf(listed);
        return listed.Parent() && listed.Start() == node.Start() &&
               (listed.Length() == node.Length() ||
                (fs && listedFs && listedFs->GetFSType() == fs->GetFSType()));
    });
}

cRootCheck cFoundList::RootState(const cPartTreeItem& node) const {
    const auto it = rootStates_.find(&node);
    return it == rootStates_.end() ? cRootCheck::kNone : it->second;
}

cRootCheck CheckRoot(const cPartTreeItem& node) {
    auto* fs = const_cast<cVFS*>(FileSystemOf(node));
    if (!fs) {
        return cRootCheck::kNone;
    }
    const std::unique_ptr<cFSObject> root = fs->GetObject(fs->GetRootId());
    // One entry is enough to know that the root folder lists.
    bool any = false;
    const bool whole = root && fs->EnumFolder(*root, [&any](cFSObject&) {
        any = true;
        return false;
    });
    return whole || any ? cRootCheck::kListed : cRootCheck::kUnreadable;
}

cFoundRowTexts RowTexts(const cPartTreeItem& node) {
    cFoundRowTexts texts;
    if (const cVFS* fs = FileSystemOf(node)) {
        texts.fileSystem = std::string(fstype::Name(fs->GetFSType()));
    }
    texts.start = std::to_string(node.Start());
    // Whole hundredths of a gigabyte first, as the sizes of the partition lists show them.
    char size[64];
    std::snprintf(size, sizeof size, "%" PRIu64 " (%.02fGB)", node.Length(),
                  double(node.Length() / 20972) / 100.0);
    texts.size = size;
    if (const auto* name = node.FindExtensionAs<cPartNameData>(part_ext::kVolumeName)) {
        texts.label = name->Name();
    }
    return texts;
}
