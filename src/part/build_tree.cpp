#include "part/build_tree.h"

#include "io/base_io.h"
#include "part/gpt.h"
#include "part/parse_order.h"

namespace {

// Logical blocks larger than 64 KiB are no real drive's.
constexpr std::uint32_t kMaxBlockSectors = 128;
constexpr std::uint32_t k4KnBlockSectors = 4096 / kSectorSize;
// A GPT header lies in logical block 1.
constexpr std::uint64_t kGptHeaderBlock = 1;

// The storage's logical block in 512-byte sectors. A drive reports its own; CD/DVD drives
// are left out, since the maps of hybrid discs count 512-byte sectors. An image is taken
// as 512-byte blocks unless its GPT header lies only where a disk of 4096-byte blocks
// keeps it.
std::uint32_t BlockSectorsOf(cBaseIO& storage) {
    cDiskGeometry geometry;
    if (storage.GetStorageKind() != storage_kind::kCdDvd && storage.GetGeometry(geometry) &&
        geometry.bytesPerSector % kSectorSize == 0) {
        const std::uint32_t sectors = geometry.bytesPerSector / kSectorSize;
        if (sectors > 1 && sectors <= kMaxBlockSectors && (sectors & (sectors - 1)) == 0) {
            return sectors;
        }
    }
    if (!IsGptHeaderAt(storage, kGptHeaderBlock) &&
        IsGptHeaderAt(storage, kGptHeaderBlock * k4KnBlockSectors)) {
        return k4KnBlockSectors;
    }
    return 1;
}

} // namespace

bool BuildTree(cPartTree& tree, cBaseIO& storage) {
    tree.DestroyAll();
    const std::uint64_t sectors = storage.GetSectorCount();
    if (sectors == 0) {
        return false;
    }
    tree.SetBlockSectors(BlockSectorsOf(storage));
    auto root = std::make_unique<cPartTreeItem>();
    root->SetRecord(&storage, 0, sectors, part_type::kWholeStorage);
    return RootParse(tree.AddChild(nullptr, std::move(root)));
}

void DetectLeafFileSystems(cPartTree& tree, cLeafDetector& detector) {
    tree.ForEach([&detector](cPartTreeItem& node) {
        if (!node.HasChildren()) {
            node.AttachExtension(detector.Detect(node));
        }
    });
}
