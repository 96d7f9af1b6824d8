#include "scan/signatures/locators.h"

#include "scan/signatures/sig_encode.h"

#include <algorithm>
#include <cstring>

cFieldRelativeSubset::cFieldRelativeSubset(std::uint32_t offset, std::uint8_t widthCode,
                                           std::uint32_t multiplier, std::uint32_t addend)
    : offset_(offset), widthCode_(std::min<std::uint8_t>(widthCode, 3)), multiplier_(multiplier),
      addend_(addend) {}

// Rules files define the origin in 32-bit arithmetic, wrap included; an origin past the
// unit is refused by the caller.
__attribute__((no_sanitize("unsigned-integer-overflow"))) std::uint32_t
cFieldRelativeSubset::Locate(const std::uint8_t* data, std::uint32_t limit) const {
    const std::uint32_t width = 1u << widthCode_;
    if (offset_ > limit || std::uint64_t(offset_) + width > limit) {
        return siglocator::kAbsent;
    }
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < width; ++i) {
        value |= std::uint64_t(data[offset_ + i]) << (8 * i);
    }
    return multiplier_ * std::uint32_t(value) + addend_;
}

void cFieldRelativeSubset::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU32(out, offset_);
    sigencode::PutU8(out, widthCode_);
    sigencode::PutU32(out, multiplier_);
    sigencode::PutU32(out, addend_);
}

cMagicRelativeSubset::cMagicRelativeSubset(std::span<const std::uint8_t> magic, std::uint32_t delta)
    : magic_(magic.begin(), magic.end()), delta_(delta) {}

__attribute__((no_sanitize("unsigned-integer-overflow"))) std::uint32_t
cMagicRelativeSubset::Locate(const std::uint8_t* data, std::uint32_t limit) const {
    if (magic_.empty() || magic_.size() >= limit) {
        return siglocator::kAbsent;
    }
    // The magic may start before limit - length and run on to limit.
    const std::uint8_t* const lastStart = data + (limit - magic_.size());
    const std::uint8_t* const found = std::search(data, data + limit, magic_.begin(), magic_.end());
    if (found >= lastStart) {
        return siglocator::kAbsent;
    }
    return delta_ + std::uint32_t(found - data);
}

void cMagicRelativeSubset::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutBytes(out, magic_);
    sigencode::PutU32(out, delta_);
}
