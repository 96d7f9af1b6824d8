#pragma once
// Reads runs of sectors for a scan so that unreadable sectors never stop it. A read that
// comes back short is mended: the sectors from the failure to the end of its cached page
// are read again one unit at a time past the system's cache (a cached read loses the
// whole 4 KiB page around a bad sector, an uncached one only the sector), each unit that
// still fails is delivered as zeros and recorded, and the read goes on behind it. The
// caller always gets every sector it asked for.

#include "io/base_io.h"
#include "scan/bad_ranges.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class cSectorMender {
public:
    // Polled between the slow single-unit reads of a long unreadable area, so that a
    // stopped scan does not first wait for all of them.
    explicit cSectorMender(std::function<bool()> stopRequested);

    // Readies the mender for a storage: the scratch unit it reads into. False when the
    // scratch cannot be allocated.
    bool Prepare(cBaseIO& storage);

    // Reads count sectors at first (where the storage is positioned) into buffer and
    // leaves the storage positioned behind them. Sectors at and past mendEnd, which a
    // scan only ever sees as look-ahead, are not mended: unreadable ones are zeros and go
    // unrecorded. After a stop request the rest of the run is zeros too.
    void Read(std::uint64_t first, std::uint8_t* buffer, std::uint32_t count,
              std::uint64_t mendEnd);

    // The unreadable runs met since the last call.
    cBadRanges TakeFound();

private:
    // Mends the sectors from `at` to `end` into out, one unit at a time.
    void MendUnits(std::uint64_t at, std::uint64_t end, std::uint8_t* out);
    bool ReadUnit(std::uint64_t unitStart, std::uint64_t needed);

    std::function<bool()> stopRequested_;
    cBaseIO* storage_ = nullptr;
    std::uint32_t unit_ = 1;
    std::unique_ptr<std::uint8_t[]> scratch_;
    // A unit found unreadable is not read again when the next block starts inside it.
    std::optional<std::uint64_t> lastBadUnit_;
    cBadRanges found_;
};
