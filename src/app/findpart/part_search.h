#pragma once
// What the partition search does with each sector: the detection manager's superblock
// tests first, then the NTFS MFT-record detector for volumes whose boot sectors are gone.
// Every volume is listed once, at its true start: copies of superblocks and the MFT's
// records of a volume already listed join its row.

#include "app/findpart/found_list.h"

#include <cstdint>
#include <span>

class cPartSearch {
public:
    explicit cPartSearch(cFoundList& list) : list_(list) {}

    // Looks at the bytes from an absolute sector on (the sector and what follows it in
    // the block read, at least 2048 bytes); the new row, or null. Takes the list's lock
    // only when a test has matched.
    cPartTreeItem* Examine(std::uint64_t sector, std::span<const std::uint8_t> at);

private:
    cPartTreeItem* FromMftRecord(std::uint64_t sector, std::span<const std::uint8_t> at);

    cFoundList& list_;
};

// Mounts an NTFS reader on a volume found by its MFT's own record alone (no boot sector
// to say how large it is), sizes the node from the volume's cluster count and attaches
// the reader. mftRecordSector counts from the node's start. False, with the node left as
// it was, when the volume does not mount.
bool AttachNtfsFromMft(cPartTreeItem& node, std::uint64_t mftRecordSector,
                       std::uint32_t recordSize);

// For a loaded list: the reader of the stored type on the node (detection, or for NTFS
// the MFT's own record when the boot sectors are gone); nothing when none of that type
// mounts there.
void AttachStoredReader(cPartTreeItem& node, std::uint8_t typeCode);
