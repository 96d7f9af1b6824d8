#pragma once
// Locators move the origin of a node's begin rules to a place the data names: a header
// field that holds an offset, or the first place of a magic.

#include <cstdint>
#include <span>
#include <vector>

namespace siglocator {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kFieldRelative = 1;
inline constexpr std::uint8_t kMagicRelative = 2;
inline constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
} // namespace siglocator

class cScanSigSubset {
public:
    virtual ~cScanSigSubset() = default;
    // The origin offset, or siglocator::kAbsent; reads only the first limit bytes.
    virtual std::uint32_t Locate(const std::uint8_t* data, std::uint32_t limit) const = 0;
    virtual std::uint8_t Kind() const = 0;
    // The record after the node's flags, as a rules file holds it.
    virtual void Encode(std::vector<std::uint8_t>& out) const = 0;
};

// multiplier × (a little-endian field of 2^widthCode bytes, its low 32 bits) + addend,
// in 32-bit arithmetic. Width codes above 3 are taken as 3.
class cFieldRelativeSubset final : public cScanSigSubset {
public:
    cFieldRelativeSubset(std::uint32_t offset, std::uint8_t widthCode, std::uint32_t multiplier,
                         std::uint32_t addend);
    std::uint32_t Locate(const std::uint8_t* data, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return siglocator::kFieldRelative; }
    void Encode(std::vector<std::uint8_t>& out) const override;

private:
    std::uint32_t offset_;
    std::uint8_t widthCode_;
    std::uint32_t multiplier_;
    std::uint32_t addend_;
};

// delta + the first position of the magic.
class cMagicRelativeSubset final : public cScanSigSubset {
public:
    cMagicRelativeSubset(std::span<const std::uint8_t> magic, std::uint32_t delta);
    std::uint32_t Locate(const std::uint8_t* data, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return siglocator::kMagicRelative; }
    void Encode(std::vector<std::uint8_t>& out) const override;

private:
    std::vector<std::uint8_t> magic_;
    std::uint32_t delta_;
};
