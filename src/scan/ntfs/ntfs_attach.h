#pragma once
// The NTFS reader built from what detection found, for a volume whose boot sector is
// lost: kept on the partition as its NTFS reader, so that the scan's file-system items
// (compressed, sparse, resident files) open through it.

#include "scan/ntfs/ntfs_geometry.h"

class cPartRecord;
class cQORNVStorage;

// False when the reader cannot be mounted there; a partition whose own reader is NTFS
// already keeps that one.
bool AttachNtfsReader(cPartRecord& record, const cNTFSGeometry& geometry);

// Detection over the partition, then the reader from what it found; false when no volume
// was found or it cannot be mounted. For result files loaded again, whose file-system
// items need the reader the scan had.
bool AttachDetectedNtfsReader(cPartRecord& record);

// For a result file loaded again onto record: when its tree holds files found through NTFS
// records, the reader they open through (detected unless record has one). False only
// when one is needed and none is found; the tree's raw files still read then.
bool AttachReaderForTree(cPartRecord& record, const cQORNVStorage& tree);
