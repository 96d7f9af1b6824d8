#include "app/fs_tools/def_part.h"

#include "base/checked.h"
#include "io/base_io.h"
#include "vfs/detect.h"

namespace defpart {
namespace {

std::uint64_t OwnSectors(const cVFS& fs) {
    if (const std::uint64_t sectors = fs.GetVolumeSectors(); sectors != 0) {
        return sectors;
    }
    const std::uint64_t bytes =
        checked::SaturatingMul<std::uint64_t>(fs.GetBlockCount(), fs.GetBlockSize());
    return bytes / kSectorSize;
}

} // namespace

cFound Probe(cBaseIO& storage, std::uint64_t start, std::uint64_t length) {
    cFound found;
    const std::uint64_t sectors = storage.GetSectorCount();
    if (start >= sectors) {
        return found;
    }
    cPartRecord record;
    record.SetRecord(&storage, start, length != 0 ? length : sectors - start, 0);
    const std::unique_ptr<cVFS> fs = cVFSDetectManager::Instance().Detect(record);
    if (!fs) {
        return found;
    }
    found.fsType = fs->GetFSType();
    if (const auto* name = record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName)) {
        found.label = name->Name();
    }
    found.fsSectors = OwnSectors(*fs);
    found.pastStorageEnd = found.fsSectors > sectors - start;
    return found;
}

std::uint64_t DefaultLength(const cBaseIO& storage, std::uint64_t start, const cFound& found) {
    const std::uint64_t rest = checked::Sub(storage.GetSectorCount(), start).value_or(0);
    return found.fsSectors != 0 ? found.fsSectors : rest;
}

cPartTreeItem* Define(cPartTree& tree, std::uint64_t start, std::uint64_t length) {
    cPartTreeItem* root = tree.First();
    if (!root || !root->Storage() || start >= root->Storage()->GetSectorCount()) {
        return nullptr;
    }
    cPartTreeItem* node = tree.AddUserPartition(root, start, length);
    if (node) {
        node->AttachExtension(cVFSDetectManager::Instance().Detect(*node));
    }
    return node;
}

} // namespace defpart
