#include "vfs/ntfs/ntfs_mount.h"

#include "vfs/ntfs/vntfs.h"

std::unique_ptr<cVFS> MountNtfs(cPartRecord& record) {
    auto reader = std::make_unique<cVNTFS>();
    if (!reader->Mount(record)) {
        return nullptr;
    }
    return reader;
}
