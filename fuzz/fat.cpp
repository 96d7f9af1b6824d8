// FAT12/16/32 readers over arbitrary bytes: mount, walk the whole tree (bounded), resolve
// and rebuild paths, and read every file. Sectors past the input read short, as an
// unreadable sector would.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/fat/vfat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr unsigned kMaxDepth = 12;
constexpr std::size_t kMaxEntries = 4000;
constexpr std::uint64_t kMaxBytesPerFile = 1 << 20;

struct Walk {
    cVFS& fs;
    std::size_t entries = 0;
    std::vector<std::uint8_t> piece = std::vector<std::uint8_t>(8192);

    void ReadAll(const cFSObject& entry) {
        const std::unique_ptr<cObjectHandle> handle = fs.OpenObject(entry);
        if (!handle) {
            return;
        }
        handle->Seek(handle->GetSize() / 2);
        handle->Seek(0);
        std::uint64_t total = 0;
        while (total < kMaxBytesPerFile) {
            const std::uint32_t got = handle->Read(piece.data(), std::uint32_t(piece.size()));
            if (got == 0) {
                break;
            }
            total += got;
        }
    }

    void Folder(const cFSObject& folder, unsigned depth) {
        std::vector<std::unique_ptr<cFSObject>> children;
        fs.EnumFolder(folder, [&](cFSObject& entry) {
            if (++entries > kMaxEntries) {
                return false;
            }
            children.push_back(entry.Clone());
            return true;
        });
        for (const auto& child : children) {
            if (child->name == u"." || child->name == u"..") {
                continue;
            }
            fs.BuildPath(*child, 512);
            fs.GetObject(child->id);
            fs.IsBlockUsed(child->id);
            if (child->Kind() == fskind::kFolder && depth < kMaxDepth) {
                Folder(*child, depth + 1);
            } else {
                ReadAll(*child);
            }
        }
    }
};

template <class Reader> void Exercise(cPartRecord& record) {
    Reader fs;
    if (!fs.Mount(record)) {
        return;
    }
    fs.GetBlockCount();
    fs.GetFirstBlockSector();
    if (const std::unique_ptr<cFSObject> root = fs.GetObject(fs.GetRootId())) {
        Walk walk{fs};
        walk.Folder(*root, 0);
    }
    fs.FindByPath(u"/a/b/c", fs.GetRootId());
    record.DestroyExtensions(); // the volume name the mount attached
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(data, size);
    cPartRecord record;
    record.SetRecord(&storage, 0, storage.GetSectorCount(), 0x7FFF);
    Exercise<cVFAT>(record);
    Exercise<cVFAT32>(record);
    return 0;
}
