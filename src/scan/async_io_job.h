#pragma once
// The worker of a scan reader (cAsyncScanIO): reads the blocks of the current range in
// order into a ring of buffers, as far ahead of the scanning thread as the ring allows,
// so that the storage is read without pause while the scanner examines earlier blocks
// (and a scanner that wakes late does not hold the reads up). Each buffer holds a block
// and, behind it, the look-ahead: the first sectors of the following block, which the
// next read does not fetch again but copies from the buffer before.
//
// The owner hands out each read and takes the blocks back; it hands out a buffer only
// while the scanner does not hold it and no block in it waits to be taken, so no buffer
// is touched by both threads at once. Only the worker moves the storage.

#include "base/job.h"
#include "scan/sector_mend.h"

#include <array>
#include <cstdint>
#include <memory>

class cAsyncScanIO;

// One read the owner hands to the worker.
struct cScanWork {
    // The range it belongs to; a read of a range the owner has left is thrown away.
    std::uint64_t generation = 0;
    // The range's first block: the read starts at rangeFirst, and fetches the look-ahead
    // too, but nothing at or past rangeEnd. Later blocks follow the one before.
    bool firstOfRange = false;
    std::uint64_t rangeFirst = 0;
    std::uint64_t rangeEnd = 0;
    std::uint32_t slot = 0;
    std::uint32_t count = 0;
};

class cAsyncIOJob final : public cJob {
public:
    // Buffers in the ring: the block the scanner examines and those read ahead of it.
    static constexpr std::uint32_t kBuffers = 4;

    explicit cAsyncIOJob(cAsyncScanIO& owner);
    ~cAsyncIOJob() override;

    // Allocates the buffers (block and look-ahead each) and readies the storage's
    // mender; while the worker does not run. False when memory runs out.
    bool Prepare(cBaseIO& storage, std::uint32_t blockSectors, std::uint32_t lookAheadSectors);
    // The ring's buffer in slot; valid to read once its block has been delivered.
    const std::uint8_t* Buffer(std::uint32_t slot) const { return buffers_[slot].get(); }

protected:
    unsigned Run() override;
    // Wakes a scanner waiting for a block that will not come.
    void OnFinish(unsigned result) override;

private:
    std::uint32_t ReadFirst(const cScanWork& work);
    std::uint32_t ReadNext(const cScanWork& work);

    cAsyncScanIO& owner_;
    cBaseIO* storage_ = nullptr;
    // Page-aligned: the system copies out of its page cache fastest into whole pages.
    struct cPageFree {
        void operator()(std::uint8_t* buffer) const;
    };
    using cPageBuffer = std::unique_ptr<std::uint8_t[], cPageFree>;
    static cPageBuffer NewPageBuffer(std::size_t bytes);

    std::array<cPageBuffer, kBuffers> buffers_;
    std::uint32_t blockSectors_ = 0;
    std::uint32_t lookAheadSectors_ = 0;
    // The read under way, for the mender's stop test.
    std::uint64_t generation_ = 0;
    std::uint64_t nextSector_ = 0;
    std::uint64_t rangeEnd_ = 0;
    // Sectors already read behind the block last read: the look-ahead, or less after a
    // first read that the range's end cut short.
    std::uint32_t ahead_ = 0;
    cSectorMender mender_;
};
