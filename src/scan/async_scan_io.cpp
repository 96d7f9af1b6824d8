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
    lookAheadSectors_ = lookAheadSectors;
    {
        cScopedLock lock(lock_);
        remainingSectors_ = 0;
        lastCount_ = 0;
        badRanges_.Clear();
    }
    dataReady_.Reset();
    if (!job_.Prepare(*storage_, blockSectors, lookAheadSectors) || !job_.Start()) {
        storage_.reset();
        return false;
    }
    return true;
}

std::int64_t cAsyncScanIO::Seek(std::uint64_t firstSector, std::uint64_t sectorCount) {
    if (!storage_) {
        return -1;
    }
    AwaitPending();
    const std::uint64_t count =
        firstSector < storageSectors_ ? std::min(sectorCount, storageSectors_ - firstSector) : 0;
    {
        cScopedLock lock(lock_);
        remainingSectors_ = count;
        lastCount_ = 0;
    }
    dataReady_.Reset();
    job_.BeginRange(firstSector, firstSector + count);
    if (!RequestNext()) {
        return -1;
    }
    return std::int64_t(firstSector);
}

const std::uint8_t* cAsyncScanIO::NextBlock(std::uint32_t& count) {
    {
        cScopedLock lock(lock_);
        if (remainingSectors_ == 0 && lastCount_ == 0) {
            return nullptr;
        }
    }
    if (!pending_ || !job_.IsRunning() || !dataReady_.Wait()) {
        return nullptr;
    }
    pending_ = false;
    {
        cScopedLock lock(lock_);
        count = lastCount_;
    }
    // Every read delivers its whole request, so nothing delivered means the worker ended.
    if (count == 0) {
        return nullptr;
    }
    const std::uint8_t* block = job_.RequestedBuffer();
    RequestNext();
    return block;
}

void cAsyncScanIO::Stop() {
    if (job_.IsRunning()) {
        job_.RequestEnd();
        // Usually enough for the worker to end by itself, sparing the stop's first poll.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    job_.Stop();
    pending_ = false;
}

cBadRanges cAsyncScanIO::BadRanges() const {
    cScopedLock lock(lock_);
    return badRanges_;
}

void cAsyncScanIO::Report(std::uint32_t count, const cBadRanges& found) {
    {
        cScopedLock lock(lock_);
        lastCount_ = count;
        remainingSectors_ -= std::min<std::uint64_t>(count, remainingSectors_);
        badRanges_.Add(found);
    }
    dataReady_.Set();
}

bool cAsyncScanIO::RequestNext() {
    std::uint32_t n = 0;
    {
        cScopedLock lock(lock_);
        lastCount_ = 0;
        n = std::uint32_t(std::min<std::uint64_t>(blockSectors_, remainingSectors_));
    }
    if (n == 0) {
        return false;
    }
    job_.Request(n);
    pending_ = true;
    return true;
}

void cAsyncScanIO::AwaitPending() {
    if (pending_ && job_.IsRunning()) {
        dataReady_.Wait();
    }
    pending_ = false;
}
