#pragma once
// A set of numbered units (clusters, blocks, records) that a scan or a file-system reader
// marks as used, scanned or already claimed: one bit per unit, bit n in word n / 32 at
// bit n % 32, least significant first. Bits past the count read as clear and ignore
// writes, so callers may test units from damaged metadata without checking them first.

#include <cstdint>
#include <memory>

class cBitMap {
public:
    // Room for bitCount bits, every one set to initial. False (and the map keeps what it
    // held) when the words cannot be allocated or would not fit a 32-bit count.
    bool Create(std::uint64_t bitCount, bool initial);

    bool Get(std::uint64_t n) const;
    void Set(std::uint64_t n, bool value);
    // The run from first on, cut where the map ends; nothing when first is past it.
    void SetRange(std::uint64_t first, std::uint64_t count, bool value);
    void Fill(bool value);

    std::uint64_t BitCount() const { return bitCount_; }

private:
    std::unique_ptr<std::uint32_t[]> words_;
    std::uint32_t wordCount_ = 0;
    std::uint64_t bitCount_ = 0;
};
