#pragma once
// An allocation bitmap as file systems store it on disk: unit n is the bit 0x80 >> (n % 8)
// of byte n / 8, most significant first. Units past the bytes read as set, so that
// whatever the map does not cover counts as in use and is never offered as free space.

#include <cstdint>
#include <memory>
#include <span>

class cInvBitMap {
public:
    // byteCount bytes of 0xFF (initial set) or 0. False when they cannot be allocated.
    bool Create(std::uint32_t byteCount, bool initial);

    bool Get(std::uint64_t n) const;
    // Ignored past the bytes.
    void Set(std::uint64_t n, bool value);
    void Fill(bool value);

    // The bytes, for a reader to load the on-disk map into.
    std::span<std::uint8_t> Bytes() { return {bytes_.get(), byteCount_}; }
    std::uint32_t ByteCount() const { return byteCount_; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::uint32_t byteCount_ = 0;
};
