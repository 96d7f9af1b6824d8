#pragma once
// The content scan: walks a range of a partition unit by unit through the scan reader,
// opens a file where a signature matches, closes it where an end rule says or where the
// next file begins, and files every finding into a result tree as a raw file named after
// its first sector, in a folder per signature node.

#include "scan/signatures/sig_list.h"
#include "scan/vstorage.h"

#include <cstdint>
#include <functional>

class cBaseIO;
class cProgressNotifyTarget;

struct cRawScanRequest {
    // The storage the partition lies on and its first sector; sectors below are relative
    // to the partition.
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    std::uint64_t firstSector = 0;
    std::uint64_t sectorCount = 0;
    std::uint32_t unitSectors = 0;
    // Set: units lie on the grid of whole units from the partition's start, shifted by
    // gridOrigin sectors (a file system's clusters start after its own area).
    bool align = false;
    std::uint32_t gridOrigin = 0;
    // The number the free-space filter knows the range's first unit by.
    std::uint64_t firstUnit = 0;
    cSigList* signatures = nullptr;
    // Optional: whether a unit is in use; used units are passed over.
    std::function<bool(std::uint64_t unit)> unitInUse;
    // Set: a file open across used units goes on after them as a new fragment; clear: it
    // ends before them.
    bool fragmented = false;
    // Optional: whether a unit's data is not worth testing for a file's start.
    std::function<bool(const std::uint8_t* data, std::uint32_t bytes)> skipUnit;
    cProgressNotifyTarget* progress = nullptr;
    cQORNVStorage* result = nullptr;
    // kNoItem: the root of the result tree.
    cVSItemId resultFolder = kNoItem;
};

// True when the whole range was scanned (a range of no sector included); false when the
// request lacks its storage, signatures, unit size, progress target or result tree, when
// the progress target asked to stop, or when the storage stopped delivering. What was found
// until then stays in the result tree.
bool RawScan(const cRawScanRequest& request);
