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
    : owner_(owner), mender_([this] { return owner_.Outdated(generation_) || IsStopRequested(); }) {
}

cAsyncIOJob::~cAsyncIOJob() {
    Stop();
}

bool cAsyncIOJob::Prepare(cBaseIO& storage, std::uint32_t blockSectors,
                          std::uint32_t lookAheadSectors) {
    const std::size_t bytes = Bytes(std::uint64_t(blockSectors) + lookAheadSectors);
    for (cPageBuffer& buffer : buffers_) {
        buffer = NewPageBuffer(bytes);
        if (!buffer) {
            return false;
        }
    }
    if (!mender_.Prepare(storage)) {
        return false;
    }
    storage_ = &storage;
    blockSectors_ = blockSectors;
    lookAheadSectors_ = lookAheadSectors;
    return true;
}

unsigned cAsyncIOJob::Run() {
    cScanWork work;
    while (!IsStopRequested() && owner_.NextWork(work)) {
        generation_ = work.generation;
        const std::uint32_t count = work.firstOfRange ? ReadFirst(work) : ReadNext(work);
        owner_.Deliver(work, count, mender_.TakeFound());
    }
    return 0;
}

void cAsyncIOJob::OnFinish(unsigned) {
    owner_.WorkerEnded();
}

// The first read of a range fetches the block and its look-ahead at once, but never
// more than the range holds: a range shorter than a block reads no look-ahead at all.
std::uint32_t cAsyncIOJob::ReadFirst(const cScanWork& work) {
    nextSector_ = work.rangeFirst;
    rangeEnd_ = work.rangeEnd;
    std::uint64_t n = work.count;
    if (n >= blockSectors_) {
        n += lookAheadSectors_;
    }
    n = std::min(n, rangeEnd_ - nextSector_);
    storage_->SeekSector(nextSector_);
    mender_.Read(nextSector_, buffers_[work.slot].get(), std::uint32_t(n), rangeEnd_);
    nextSector_ += n;
    const std::uint32_t count = std::min(std::uint32_t(n), work.count);
    ahead_ = std::uint32_t(n) - count;
    return count;
}

// Later reads move the look-ahead of the block before to the front of their buffer and
// read behind it, so that the buffer again holds the block and its look-ahead. Near the
// range's end the look-ahead comes from beyond it.
std::uint32_t cAsyncIOJob::ReadNext(const cScanWork& work) {
    const std::uint8_t* from = buffers_[(work.slot + kBuffers - 1) % kBuffers].get();
    std::uint8_t* to = buffers_[work.slot].get();
    std::memcpy(to, from + Bytes(blockSectors_), Bytes(ahead_));
    const std::uint32_t n = work.count + lookAheadSectors_ - ahead_;
    mender_.Read(nextSector_, to + Bytes(ahead_), n, rangeEnd_);
    nextSector_ += n;
    ahead_ = lookAheadSectors_;
    return work.count;
}
