#pragma once
// The FAT reader and a reconstruction's geometry, both ways: a reader mounted from the
// geometry found, so that a volume whose boot sector is lost browses like any other, and
// the geometry of a volume whose reader mounted, so that no detection is needed.

#include "scan/fat/fat_geometry.h"

#include <memory>

class cPartRecord;
class cVFS;
class cVFATBase;

namespace fatscan {

// A reader of the geometry's width mounted on record (not attached to it); null when the
// geometry has no table layout or the reader refuses it.
std::unique_ptr<cVFS> MountFromGeometry(cPartRecord& record, const cFATGeometry& geometry);

// The geometry of a mounted reader, relative to its partition.
cFATGeometry GeometryOf(const cVFATBase& reader);

} // namespace fatscan
