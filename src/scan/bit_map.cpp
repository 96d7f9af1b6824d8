#include "scan/bit_map.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr std::uint64_t kWordBits = 32;

std::uint32_t WordOf(bool value) {
    return value ? 0xFFFFFFFFu : 0;
}

// The bits from position `from` to `to` (exclusive) of one word.
std::uint32_t Mask(std::uint64_t from, std::uint64_t to) {
    const std::uint64_t ones = (std::uint64_t(1) << (to - from)) - 1;
    return std::uint32_t(ones << from);
}

} // namespace

bool cBitMap::Create(std::uint64_t bitCount, bool initial) {
    const std::uint64_t words = bitCount / kWordBits + (bitCount % kWordBits != 0 ? 1 : 0);
    if (words > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    std::unique_ptr<std::uint32_t[]> fresh(new (std::nothrow) std::uint32_t[words]);
    if (!fresh && words != 0) {
        return false;
    }
    words_ = std::move(fresh);
    wordCount_ = std::uint32_t(words);
    Fill(initial);
    bitCount_ = bitCount;
    return true;
}

bool cBitMap::Get(std::uint64_t n) const {
    if (n >= bitCount_) {
        return false;
    }
    return (words_[n / kWordBits] >> (n % kWordBits) & 1) != 0;
}

void cBitMap::Set(std::uint64_t n, bool value) {
    if (n >= bitCount_) {
        return;
    }
    const std::uint32_t bit = std::uint32_t(1) << (n % kWordBits);
    std::uint32_t& word = words_[n / kWordBits];
    word = value ? word | bit : word & ~bit;
}

// Partial words at either end are masked; the words between are stored whole, so marking
// a file's million clusters costs thirty thousand stores, not a million.
void cBitMap::SetRange(std::uint64_t first, std::uint64_t count, bool value) {
    if (first >= bitCount_) {
        return;
    }
    const std::uint64_t end = first + std::min(count, bitCount_ - first);
    std::uint64_t at = first;
    while (at < end) {
        const std::uint64_t word = at / kWordBits;
        const std::uint64_t from = at % kWordBits;
        const std::uint64_t to = std::min(kWordBits, end - word * kWordBits);
        if (from == 0 && to == kWordBits) {
            words_[word] = WordOf(value);
        } else {
            const std::uint32_t mask = Mask(from, to);
            words_[word] = value ? words_[word] | mask : words_[word] & ~mask;
        }
        at = word * kWordBits + to;
    }
}

void cBitMap::Fill(bool value) {
    std::fill_n(words_.get(), wordCount_, WordOf(value));
}
