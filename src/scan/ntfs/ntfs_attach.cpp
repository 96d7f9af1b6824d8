#include "scan/ntfs/ntfs_attach.h"

#include "scan/ntfs/mft_detect.h"
#include "scan/vstorage.h"
#include "vfs/alt_fs.h"
#include "vfs/ntfs/ntfs_params.h"
#include "vfs/ntfs/vntfs.h"

bool AttachNtfsReader(cPartRecord& record, const cNTFSGeometry& geometry) {
    if (altfs::Find(record, fstype::kNtfs)) {
        return true;
    }
    auto reader = std::make_unique<cVNTFS>();
    const cExtNTFSParams params(geometry.mftRecordSector, geometry.recordSize,
                                geometry.volumeStart);
    if (!reader->MountWithParams(record, &params)) {
        return false;
    }
    altfs::Add(record, std::move(reader));
    return true;
}

bool AttachDetectedNtfsReader(cPartRecord& record) {
    if (altfs::Find(record, fstype::kNtfs)) {
        return true;
    }
    mftdetect::cRequest request;
    request.storage = record.Storage();
    request.partitionStart = record.Start();
    request.partitionSectors = record.Length();
    const mftdetect::cResult found = mftdetect::Detect(request);
    return found.geometry && AttachNtfsReader(record, *found.geometry);
}

bool AttachReaderForTree(cPartRecord& record, const cQORNVStorage& tree) {
    for (cVSItemId item = 1; tree.IsItem(item); ++item) {
        if (!tree.IsFolder(item) && tree.FileKind(item) == vsitem::kFsFile &&
            tree.FsType(item) == fstype::kNtfs) {
            return AttachDetectedNtfsReader(record);
        }
    }
    return true;
}
