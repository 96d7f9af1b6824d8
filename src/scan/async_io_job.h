#pragma once
// The worker of a scan reader (cAsyncScanIO): reads the next block into one of two
// buffers while the scanning thread examines the other. Each buffer holds a block and,
// behind it, the look-ahead: the first sectors of the following block, which the next
// read does not fetch again but copies to the front of the other buffer.
//
// The scanner asks for a block with Request and waits for the owner's data-ready event;
// only one request is under way at a time, so the buffers and the request fields are
// never touched by both threads at once. Only the worker moves the storage.

#include "base/job.h"
#include "base/sync.h"
#include "scan/sector_mend.h"

#include <atomic>
#include <cstdint>
#include <memory>

class cAsyncScanIO;

class cAsyncIOJob final : public cJob {
public:
    explicit cAsyncIOJob(cAsyncScanIO& owner);
    ~cAsyncIOJob() override;

    // Allocates both buffers (block and look-ahead each) and readies the storage's
    // mender; while the worker does not run. False when memory runs out.
    bool Prepare(cBaseIO& storage, std::uint32_t blockSectors, std::uint32_t lookAheadSectors);
    // The next request starts the range [first, end) afresh; while no read is under way.
    void BeginRange(std::uint64_t first, std::uint64_t end);
    // Asks for the next count sectors (count > 0) in the other buffer.
    void Request(std::uint32_t count);
    // Asks the worker to end once it waits for the next request.
    void RequestEnd();
    // The buffer the latest request goes to; valid to read once it has been delivered.
    const std::uint8_t* RequestedBuffer() const;

protected:
    unsigned Run() override;
    // Wakes a scanner waiting for a block that will not come.
    void OnFinish(unsigned result) override;

private:
    std::uint32_t ReadFirst(std::uint32_t requested);
    std::uint32_t ReadNext(std::uint32_t requested);

    cAsyncScanIO& owner_;
    cBaseIO* storage_ = nullptr;
    std::atomic<std::uint32_t> requestedCount_{0};
    cEvent request_;
    // Page-aligned: the system copies out of its page cache fastest into whole pages.
    struct cPageFree {
        void operator()(std::uint8_t* buffer) const;
    };
    using cPageBuffer = std::unique_ptr<std::uint8_t[], cPageFree>;
    static cPageBuffer NewPageBuffer(std::size_t bytes);

    cPageBuffer bufferA_;
    cPageBuffer bufferB_;
    // Flipped by every request: true sends it to buffer A, false to B.
    bool whichBuffer_ = false;
    bool firstRead_ = true;
    std::uint32_t blockSectors_ = 0;
    std::uint32_t lookAheadSectors_ = 0;
    std::uint64_t nextSector_ = 0;
    std::uint64_t rangeEnd_ = 0;
    // Sectors already read behind the block last delivered: the look-ahead, or less after
    // a first read that the range's end cut short.
    std::uint32_t ahead_ = 0;
    cSectorMender mender_;
};
