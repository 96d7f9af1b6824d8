#include "scan/async_scan_io.h"

#include <algorithm>
#include <chrono>
#include <thread>

cAsyncScanIO::cAsyncScanIO() : job_(*this) {}

cAsyncScanIO::~cAsyncScanIO() {
    Stop();
}

bool cAsyncScanIO::Attach(const cBaseIO* storage, std::uint32_t blockSectors,
                          std::uint32_t lookAheadSectors) {
    if (!storage || blockSectors == 0 || blockSectors > kMaxBlockSectors ||
        lookAheadSectors > kMaxBlockSectors) {
        return false;
    }
    std::unique_ptr<cBaseIO> duplicate = storage->Duplicate();
    if (!duplicate) {
        return false;
    }
    // The worker must be gone before the storage it reads is.
    Stop();
    storage_ = std::move(duplicate);
    storageSectors_ = storage_->GetSectorCount();
    blockSectors_ = blockSectors;
    {
        const std::lock_guard lock(lock_);
        ++generation_;
        ending_ = false;
        ended_ = false;
        toRead_ = toTake_ = 0;
        badRanges_.Clear();
    }
    if (!job_.Prepare(*storage_, blockSectors, lookAheadSectors) || !job_.Start()) {
        const std::lock_guard lock(lock_);
        ended_ = true;
        storage_.reset();
        return false;
    }
    return true;
}

std::int64_t cAsyncScanIO::Seek(std::uint64_t firstSector, std::uint64_t sectorCount) {
    if (!storage_) {
        return -1;
    }
    const std::uint64_t count =
        firstSector < storageSectors_ ? std::min(sectorCount, storageSectors_ - firstSector) : 0;
    {
        const std::lock_guard lock(lock_);
        ++generation_;
        rangeFirst_ = firstSector;
        rangeEnd_ = firstSector + count;
        toRead_ = toTake_ = count;
        handed_ = delivered_ = taken_ = 0;
        held_ = false;
    }
    if (count == 0) {
        return -1;
    }
    workReady_.notify_one();
    return std::int64_t(firstSector);
}

const std::uint8_t* cAsyncScanIO::NextBlock(std::uint32_t& count) {
    std::unique_lock lock(lock_);
    if (held_) {
        held_ = false;
        lock.unlock();
        workReady_.notify_one();
        lock.lock();
    }
    dataReady_.wait(lock, [this] { return ScannerWakes(); });
    if (toTake_ == 0 || delivered_ == taken_) {
        return nullptr;
    }
    const auto slot = std::uint32_t(taken_ % cAsyncIOJob::kBuffers);
    count = counts_[slot];
    toTake_ -= std::min<std::uint64_t>(count, toTake_);
    ++taken_;
    held_ = true;
    return job_.Buffer(slot);
}

void cAsyncScanIO::Stop() {
    if (job_.IsRunning()) {
        {
            const std::lock_guard lock(lock_);
            ending_ = true;
        }
        workReady_.notify_one();
        // Usually enough for the worker to end by itself, sparing the stop's first poll.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    job_.Stop();
    const std::lock_guard lock(lock_);
    toRead_ = toTake_ = 0;
    held_ = false;
}

cBadRanges cAsyncScanIO::BadRanges() const {
    const std::lock_guard lock(lock_);
    return badRanges_;
}

bool cAsyncScanIO::NextWork(cScanWork& work) {
    std::unique_lock lock(lock_);
    workReady_.wait(lock, [this] {
        return ending_ ||
               (toRead_ > 0 && handed_ - taken_ + (held_ ? 1 : 0) < cAsyncIOJob::kBuffers);
    });
    if (ending_) {
        return false;
    }
    work.generation = generation_;
    work.firstOfRange = handed_ == 0;
    work.rangeFirst = rangeFirst_;
    work.rangeEnd = rangeEnd_;
    work.slot = std::uint32_t(handed_ % cAsyncIOJob::kBuffers);
    work.count = std::uint32_t(std::min<std::uint64_t>(blockSectors_, toRead_));
    toRead_ -= work.count;
    ++handed_;
    return true;
}

void cAsyncScanIO::Deliver(const cScanWork& work, std::uint32_t count, const cBadRanges& found) {
    {
        const std::lock_guard lock(lock_);
        badRanges_.Add(found);
        if (work.generation != generation_) {
            return;
        }
        counts_[work.slot] = count;
        ++delivered_;
        if (!ScannerWakes()) {
            return;
        }
    }
    dataReady_.notify_one();
}

bool cAsyncScanIO::ScannerWakes() const {
    const std::uint64_t waiting = delivered_ - taken_;
    const bool rangeRead = toRead_ == 0 && delivered_ == handed_;
    return toTake_ == 0 || ended_ || waiting >= kWakeBlocks || (waiting > 0 && rangeRead);
}

void cAsyncScanIO::WorkerEnded() {
    {
        const std::lock_guard lock(lock_);
        ended_ = true;
    }
    dataReady_.notify_one();
}
