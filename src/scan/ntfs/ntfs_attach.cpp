#include "scan/ntfs/ntfs_attach.h"

#include "scan/ntfs/mft_detect.h"
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
