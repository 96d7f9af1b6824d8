#pragma once
// An allocation table as the reconstruction reads it: the next cluster of a chain. A
// checker loads and mends the table; this base has none and answers 0 to everything.

#include <cstdint>

class cFATAllocation {
public:
    virtual ~cFATAllocation() = default;

    virtual bool IsLoaded() const { return false; }
    // The next cluster of the chain (2 up to the count), the end marker where the chain
    // ends, or 0 for a free, reserved, bad or out-of-range entry.
    virtual std::uint32_t GetNext(std::uint32_t cluster) { return 0; }
    virtual std::uint64_t GetClusterCount() const { return 0; }
    virtual std::uint32_t GetEndMarker() const { return 0; }

    bool IsEnd(std::uint32_t next) const {
        return next != 0 && (next & GetEndMarker()) == GetEndMarker();
    }
};
