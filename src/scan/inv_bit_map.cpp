#include "scan/inv_bit_map.h"

#include <algorithm>
#include <new>

namespace {

std::uint8_t MaskOf(std::uint64_t n) {
    return std::uint8_t(0x80u >> (n % 8));
}

} // namespace

bool cInvBitMap::Create(std::uint32_t byteCount, bool initial) {
    std::unique_ptr<std::uint8_t[]> fresh(new (std::nothrow) std::uint8_t[byteCount]);
    if (!fresh && byteCount != 0) {
        return false;
    }
    bytes_ = std::move(fresh);
    byteCount_ = byteCount;
    Fill(initial);
    return true;
}

bool cInvBitMap::Get(std::uint64_t n) const {
    if (n / 8 >= byteCount_) {
        return true;
    }
    return (bytes_[n / 8] & MaskOf(n)) != 0;
}

void cInvBitMap::Set(std::uint64_t n, bool value) {
    if (n / 8 >= byteCount_) {
        return;
    }
    std::uint8_t& byte = bytes_[n / 8];
    byte = value ? byte | MaskOf(n) : byte & std::uint8_t(~MaskOf(n));
}

void cInvBitMap::Fill(bool value) {
    std::fill_n(bytes_.get(), byteCount_, value ? 0xFF : 0);
}
