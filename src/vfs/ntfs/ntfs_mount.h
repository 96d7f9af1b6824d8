#pragma once
// The NTFS reader's entry point for file-system detection: recognises and mounts NTFS on
// the record. Null when the volume is not NTFS or cannot be mounted; on success the
// reader is bound to the record and the caller attaches it.

#include <memory>

class cPartRecord;
class cVFS;

std::unique_ptr<cVFS> MountNtfs(cPartRecord& record);
