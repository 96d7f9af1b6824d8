#pragma once
// cQORNVStorage: the tree a lost-data scan files its findings into, attached to the
// scanned partition as its virtual-storage extension. It holds folders and three kinds of
// file: files found through file-system metadata (opened again through that file
// system's reader), contiguous raw files and raw files of several extents.
//
// A tree may hold millions of items, so items are small fixed records in chunks, linked
// by 32-bit indexes, with their names and extent lists in a byte pool. An item's id is
// its index plus one; 0 is no item. Items are made detached and then inserted into a
// folder; an item's folder is its parent link.

#include "part/part_extension.h"
#include "scan/byte_pool.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

using cVSItemId = std::uint32_t;
inline constexpr cVSItemId kNoItem = 0;

namespace vsitem {
// Object types, as result files store them.
inline constexpr std::uint8_t kFile = 1;
inline constexpr std::uint8_t kFolder = 2;
// File kinds.
inline constexpr std::uint8_t kFsFile = 1;        // opened through its file system's reader
inline constexpr std::uint8_t kRawFile = 2;       // contiguous from a start sector
inline constexpr std::uint8_t kMultifragFile = 3; // a packed extent list
} // namespace vsitem

// What a new file item holds.
struct cVSFileInfo {
    std::uint8_t kind = vsitem::kRawFile;
    std::uint64_t size = 0;
    // kFsFile: where the object's metadata record lies (an NTFS file record's sector, an
    // inode's byte offset, relative to the partition); kRawFile: the start sector.
    std::uint64_t position = 0;
    // kFsFile: seconds since 1970 (0 = none) and the file-system type code.
    std::uint32_t mtime = 0;
    std::uint8_t fsType = 0;
    // kMultifragFile: the packed extent list.
    std::span<const std::uint8_t> extents;
};

class cQORNVStorage final : public cPartExtension {
public:
    static constexpr std::string_view kRootName = "Virtual";
    static constexpr std::string_view kOrphanName = " [Parent unknown]";

    cQORNVStorage();
    ~cQORNVStorage() override;

    std::uint32_t GetExtensionKind() const override { return part_ext::kVirtualStorage; }

    // Detached items, named by UTF-8 already cut to 255 bytes (vsname). kNoItem when the
    // tree cannot hold more.
    cVSItemId NewFolder(std::string_view name);
    cVSItemId NewFile(std::string_view name, const cVSFileInfo& info);
    bool Rename(cVSItemId item, std::string_view name);
    // Appends a detached item to folder's files or subfolders; kNoItem means the root,
    // made "Virtual" when the tree is empty. No for an item already placed or a folder
    // that is not one.
    bool Insert(cVSItemId item, cVSItemId folder = kNoItem);
    // The root with this name; no when there is one already or no room.
    bool CreateRoot(std::string_view name);
    // " [Parent unknown]" under the root, made on first use; kNoItem when it cannot be.
    cVSItemId OrphanFolder();

    cVSItemId Root() const { return root_; }
    bool Empty() const { return count_ == 0; }
    std::uint32_t ItemCount() const { return count_; }
    bool IsItem(std::uint64_t id) const { return id != 0 && id <= count_; }

    // Reading an item (the id must be one: IsItem).
    bool IsFolder(cVSItemId id) const;
    std::string_view Name(cVSItemId id) const;
    // The folder that holds it; kNoItem for the root and for detached items.
    cVSItemId Parent(cVSItemId id) const;
    // The next item of the same list of the same folder.
    cVSItemId Next(cVSItemId id) const;
    cVSItemId FirstSubfolder(cVSItemId folder) const;
    cVSItemId FirstFile(cVSItemId folder) const;
    // A file's kind and data.
    std::uint8_t FileKind(cVSItemId file) const;
    std::uint64_t Size(cVSItemId file) const;
    std::uint64_t Position(cVSItemId file) const;
    std::uint32_t MTime(cVSItemId file) const;
    std::uint8_t FsType(cVSItemId file) const;
    std::span<const std::uint8_t> Extents(cVSItemId file) const;

    // Heap bytes the tree holds, for the benchmarks.
    std::uint64_t HeldBytes() const;

private:
    struct Item;
    static constexpr std::uint32_t kItemsPerChunk = 4096;

    Item& At(cVSItemId id);
    const Item& At(cVSItemId id) const;
    cVSItemId NewItem(std::string_view name);

    std::vector<std::unique_ptr<Item[]>> chunks_;
    std::uint32_t count_ = 0;
    cBytePool pool_;
    cVSItemId root_ = kNoItem;
    cVSItemId orphans_ = kNoItem;
};

struct cVSTotals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The files under the root and their bytes, every folder level included; detached items
// are not counted.
cVSTotals CountFiles(const cQORNVStorage& tree);
