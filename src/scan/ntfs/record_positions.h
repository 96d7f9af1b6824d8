#pragma once
// Reads a range of a partition front to back through the scan reader and hands every
// sector that starts with "FILE" to a visitor, with the bytes that follow it in the block
// and its look-ahead, so that a record near a block's end is seen whole.

#include "base/progress.h"
#include "io/base_io.h"

#include <cstdint>
#include <functional>
#include <span>

struct cRecordRange {
    std::uint64_t firstSector = 0; // from the partition start
    std::uint64_t sectorCount = 0;
};

struct cRecordScanRequest {
    const cBaseIO* storage = nullptr;
    std::uint64_t partitionStart = 0;
    std::uint32_t blockSectors = 256;
    std::uint32_t lookAheadSectors = 16;
    // Receives the percent of all ranges' sectors done; false stops the scan.
    cProgressNotifyTarget* progress = nullptr;
};

// bytes starts at the sector (relative to the partition); false stops the scan.
using cRecordVisitor =
    std::function<bool(std::span<const std::uint8_t> bytes, std::uint64_t sector)>;

// False when the storage cannot be read through the scan reader, or when the progress or
// the visitor stopped the scan; unreadable sectors read as zeros and never stop it.
bool ScanRecordPositions(const cRecordScanRequest& request, std::span<const cRecordRange> ranges,
                         const cRecordVisitor& visit);
