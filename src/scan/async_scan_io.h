#pragma once
// The reader every scan reads its range through: blocks front to back, read on a worker
// thread ahead of the scanner, so that the disk is never idle while the scanner works.
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

#include "io/base_io.h"
#include "scan/async_io_job.h"
#include "scan/bad_ranges.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class cAsyncScanIO {
public:
    // The largest block (and look-ahead) Attach takes: 0xAAAAA sectors, a little over
    // 341 MiB, so that a buffer (block and look-ahead) stays addressable with 32-bit byte
    // counts.
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

    // The worker's side. The next read, waiting while the ring is full or the range has
    // been read to its end; false when the worker is to end.
    bool NextWork(cScanWork& work);
    // A read done: its block (when its range is still the current one) and the unreadable
    // runs met on the way.
    void Deliver(const cScanWork& work, std::uint32_t count, const cBadRanges& found);
    void WorkerEnded();
    // Whether a waiting scanner is to wake: a few blocks wait for it (so that it wakes
    // once for them all rather than once a block), or the range's last ones, or no more
    // will come.
    bool ScannerWakes() const;
    static constexpr std::uint64_t kWakeBlocks = cAsyncIOJob::kBuffers / 2;
    // Whether a read of that range is no longer wanted; from any thread.
    bool Outdated(std::uint64_t generation) const {
        return ending_.load() || generation != generation_.load();
    }

    std::unique_ptr<cBaseIO> storage_;
    std::uint64_t storageSectors_ = 0;
    std::uint32_t blockSectors_ = 0;
    // The worker waits on the first for a free buffer or a new range, the scanner on the
    // second for blocks. Both are woken after the lock is left, so that a woken thread
    // does not at once block again on it.
    std::condition_variable workReady_;
    std::condition_variable dataReady_;
    mutable std::mutex lock_;
    // Guarded by lock_ (the atomics are written under it, and read without it too).
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> ending_{false};
    bool ended_ = true;
    std::uint64_t rangeFirst_ = 0;
    std::uint64_t rangeEnd_ = 0;
    // Sectors of the range not yet handed to the worker, and not yet taken by the scanner.
    std::uint64_t toRead_ = 0;
    std::uint64_t toTake_ = 0;
    // Blocks of the range handed out, delivered and taken; block n lives in slot
    // n % kBuffers. The scanner holds the last block taken until its next call.
    std::uint64_t handed_ = 0;
    std::uint64_t delivered_ = 0;
    std::uint64_t taken_ = 0;
    bool held_ = false;
    std::array<std::uint32_t, cAsyncIOJob::kBuffers> counts_{};
    cBadRanges badRanges_;
    // Last, so that it is destroyed (and so stopped) first.
    cAsyncIOJob job_;
};
