#include "app/copy/copy_space.h"

#include "app/copy/copy_data.h"
#include "vfs/vfs.h"

#include <algorithm>

namespace copyspace {
namespace {

class cByteCount {
public:
    explicit cByteCount(const std::function<bool()>& stop) : stop_(stop) {}

    void Add(const cFSObject& object) {
        const std::uint32_t kind = copydata::CopiedKind(object);
        if (kind == fskind::kFile) {
            total_ = object.size > UINT64_MAX - total_ ? UINT64_MAX : total_ + object.size;
        } else if (kind == fskind::kFolder) {
            AddFolder(object);
        }
    }
    std::uint64_t Total() const { return total_; }

private:
    void AddFolder(const cFSObject& folder) {
        // A damaged folder naming one of its ancestors would make the walk endless.
        if (!folder.fileSystem || stop_() ||
            std::find(ancestors_.begin(), ancestors_.end(), folder.id) != ancestors_.end()) {
            return;
        }
        std::vector<std::unique_ptr<cFSObject>> children;
        folder.fileSystem->EnumFolder(folder, [&](cFSObject& entry) {
            if (copydata::IsCopiedChild(folder, entry)) {
                children.push_back(entry.Clone());
            }
            return !stop_();
        });
        ancestors_.push_back(folder.id);
        for (const auto& child : children) {
            Add(*child);
        }
        ancestors_.pop_back();
    }

    const std::function<bool()>& stop_;
    std::vector<std::uint64_t> ancestors_;
    std::uint64_t total_ = 0;
};

} // namespace

std::uint64_t BytesToWrite(const std::vector<std::unique_ptr<cFSObject>>& objects,
                           const std::function<bool()>& stop) {
    cByteCount count(stop);
    for (const auto& object : objects) {
        count.Add(*object);
    }
    return count.Total();
}

} // namespace copyspace
