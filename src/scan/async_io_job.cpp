#include "scan/async_io_job.h"

#include "scan/async_scan_io.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::align_val_t kPageAlignment{4096};

std::size_t Bytes(std::uint64_t sectors) {
    return std::size_t(sectors) * kSectorSize;
}

} // namespace

void cAsyncIOJob::cPageFree::operator()(std::uint8_t* buffer) const {
    ::operator delete[](buffer, kPageAlignment);
}

cAsyncIOJob::cPageBuffer cAsyncIOJob::NewPageBuffer(std::size_t bytes) {
    return cPageBuffer(
        static_cast<std::uint8_t*>(::operator new[](bytes, kPageAlignment, std::nothrow)));
}

cAsyncIOJob::cAsyncIOJob(cAsyncScanIO& owner)
    : owner_(owner), mender_([this] { return requestedCount_.load() == 0 || IsStopRequested(); }) {}

cAsyncIOJob::~cAsyncIOJob() {
    Stop();
}

bool cAsyncIOJob::Prepare(cBaseIO& storage, std::uint32_t blockSectors,
                          std::uint32_t lookAheadSectors) {
    const std::size_t bytes = Bytes(std::uint64_t(blockSectors) + lookAheadSectors);
    bufferA_ = NewPageBuffer(bytes);
    bufferB_ = NewPageBuffer(bytes);
    if (!bufferA_ || !bufferB_ || !mender_.Prepare(storage)) {
        return false;
    }
    storage_ = &storage;
    blockSectors_ = blockSectors;
    lookAheadSectors_ = lookAheadSectors;
    requestedCount_.store(0);
    request_.Reset();
    BeginRange(0, 0);
    return true;
}

void cAsyncIOJob::BeginRange(std::uint64_t first, std::uint64_t end) {
    request_.Reset();
    whichBuffer_ = false;
    firstRead_ = true;
    nextSector_ = first;
    rangeEnd_ = end;
    ahead_ = 0;
}

void cAsyncIOJob::Request(std::uint32_t count) {
    requestedCount_.store(count);
    whichBuffer_ = !whichBuffer_;
    request_.Set();
}

void cAsyncIOJob::RequestEnd() {
    requestedCount_.store(0);
    request_.Set();
}

const std::uint8_t* cAsyncIOJob::RequestedBuffer() const {
    return whichBuffer_ ? bufferA_.get() : bufferB_.get();
}

unsigned cAsyncIOJob::Run() {
    while (!IsStopRequested()) {
        if (!request_.Wait()) {
            break;
        }
        const std::uint32_t requested = requestedCount_.load();
        if (requested == 0) {
            break;
        }
        const std::uint32_t count = firstRead_ ? ReadFirst(requested) : ReadNext(requested);
        owner_.Report(count, mender_.TakeFound());
    }
    return 0;
}

void cAsyncIOJob::OnFinish(unsigned) {
    owner_.Report(0, cBadRanges());
}

// The first read of a range fetches the block and its look-ahead at once, but never
// more than the range holds: a range shorter than a block reads no look-ahead at all.
std::uint32_t cAsyncIOJob::ReadFirst(std::uint32_t requested) {
    firstRead_ = false;
    std::uint64_t n = requested;
    if (n >= blockSectors_) {
        n += lookAheadSectors_;
    }
    n = std::min(n, rangeEnd_ - nextSector_);
    storage_->SeekSector(nextSector_);
    mender_.Read(nextSector_, bufferA_.get(), std::uint32_t(n), rangeEnd_);
    nextSector_ += n;
    const std::uint32_t count = std::min(std::uint32_t(n), requested);
    ahead_ = std::uint32_t(n) - count;
    return count;
}

// Later reads move the look-ahead of the buffer just delivered to the front of the other
// one and read behind it, so that the new buffer again holds the block and its
// look-ahead. Near the range's end the look-ahead comes from beyond it.
std::uint32_t cAsyncIOJob::ReadNext(std::uint32_t requested) {
    std::uint8_t* from = whichBuffer_ ? bufferB_.get() : bufferA_.get();
    std::uint8_t* to = whichBuffer_ ? bufferA_.get() : bufferB_.get();
    std::memcpy(to, from + Bytes(blockSectors_), Bytes(ahead_));
    const std::uint32_t n = requested + lookAheadSectors_ - ahead_;
    mender_.Read(nextSector_, to + Bytes(ahead_), n, rangeEnd_);
    nextSector_ += n;
    ahead_ = lookAheadSectors_;
    return requested;
}
