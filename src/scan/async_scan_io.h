#pragma once
// The reader every scan reads its range through: blocks front to back, each read on a
// worker thread while the scanner examines the previous one, so that the disk is never
// idle while the scanner works.
//
// Use: Attach once per scan (the reader works on its own duplicate of the storage, so the
// caller's reader is never moved), Seek to each range, then NextBlock until it answers
// null. The buffer NextBlock answers holds `count` sectors of the range followed by the
// look-ahead: the sectors that come next (beyond the range's end for its last block), so
// that a structure starting near the end of a block can be examined whole. The buffer
// belongs to the scanner until its next call of NextBlock, Seek or Stop.
//
// Unreadable sectors never stop a scan: they are delivered as zeros and listed in
// BadRanges(), and every range is delivered to its end. A range running past the end of
// the storage is cut there, since sectors that do not exist are not unreadable ones.

#include "base/sync.h"
#include "io/base_io.h"
#include "scan/async_io_job.h"
#include "scan/bad_ranges.h"

#include <cstdint>
#include <memory>

class cAsyncScanIO {
public:
    // The largest block (and look-ahead) Attach takes: 0xAAAAA sectors, a little over
    // 341 MiB, so that the two buffers stay addressable with 32-bit byte counts.
    static constexpr std::uint32_t kMaxBlockSectors = 0xAAAAA;

    cAsyncScanIO();
    virtual ~cAsyncScanIO();
    cAsyncScanIO(const cAsyncScanIO&) = delete;
    cAsyncScanIO& operator=(const cAsyncScanIO&) = delete;

    // Reads storage (through a duplicate, replacing any earlier one) in blocks of
    // blockSectors with lookAheadSectors behind each, and starts the worker. False, with
    // nothing started, when there is no storage, it cannot be duplicated, a size is 0 or
    // above kMaxBlockSectors (the look-ahead may be 0), or memory runs out.
    bool Attach(const cBaseIO* storage, std::uint32_t blockSectors, std::uint32_t lookAheadSectors);
    // Starts delivering count sectors from firstSector on, abandoning what was left of the
    // previous range. The position reached, or -1 when nothing is attached or the range
    // holds no sector of the storage.
    std::int64_t Seek(std::uint64_t firstSector, std::uint64_t sectorCount);
    // The next block and its sector count, or null when the range is done or the worker
    // has been stopped.
    const std::uint8_t* NextBlock(std::uint32_t& count);
    // Ends the worker; NextBlock answers null from then on, until the next Attach.
    void Stop();

    // Every unreadable run met since Attach, in absolute sectors of the storage.
    cBadRanges BadRanges() const;

private:
    friend class cAsyncIOJob;

    // The worker's side: count sectors delivered (0 when it ends), and the unreadable
    // runs met on the way.
    void Report(std::uint32_t count, const cBadRanges& found);
    // Requests the next block of the range; false when the range has none left.
    bool RequestNext();
    // Lets a read still under way finish, so that nothing changes beneath it.
    void AwaitPending();

    std::unique_ptr<cBaseIO> storage_;
    std::uint64_t storageSectors_ = 0;
    cEvent dataReady_;
    std::uint32_t blockSectors_ = 0;
    std::uint32_t lookAheadSectors_ = 0;
    // Scanner side: a request has gone out whose block NextBlock has not taken.
    bool pending_ = false;
    mutable cCriticalSection lock_;
    // Guarded by lock_.
    std::uint64_t remainingSectors_ = 0;
    std::uint32_t lastCount_ = 0;
    cBadRanges badRanges_;
    // Last, so that it is destroyed (and so stopped) first.
    cAsyncIOJob job_;
};
