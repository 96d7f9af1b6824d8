#pragma once
// The tests a signature is made of. Begin rules recognise the start of a file in a unit;
// end rules find where an open file ends. Both work in place on the scan's block buffer:
// `unit` bytes belong to the unit being tested (counted from the rule origin), `limit`
// bytes may be read in all (the unit and its look-ahead), and nothing else is touched.

#include <cstdint>
#include <string>
#include <vector>

namespace sigrule {
// Kinds as rules files store them.
inline constexpr std::uint8_t kExactMatch = 1;
inline constexpr std::uint8_t kHasStr = 2;
inline constexpr std::uint8_t kHasUniStr = 3;
inline constexpr std::uint8_t kIsStr = 4;
inline constexpr std::uint8_t kIsUniStr = 5;
inline constexpr std::uint8_t kMaskMatch = 6;
inline constexpr std::uint8_t kLastKind = 6;

inline constexpr std::uint8_t kEndMatchSize = 1;
inline constexpr std::uint8_t kEndHasStr = 2;
inline constexpr std::uint8_t kEndHasUniStr = 3;
inline constexpr std::uint8_t kEndIsStrEnd = 4;
inline constexpr std::uint8_t kEndIsUniStrEnd = 5;
inline constexpr std::uint8_t kEndHasHex = 6;

// The case flag that asks for exact comparison; any other value folds case.
inline constexpr std::uint8_t kExactCase = 1;
// Longest string, pattern or name a rules file may hold.
inline constexpr std::uint32_t kMaxLength = 4095;
} // namespace sigrule

class cScanSigRule {
public:
    virtual ~cScanSigRule() = default;
    virtual bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const = 0;
    virtual std::uint8_t Kind() const = 0;
    virtual std::u16string Describe() const = 0;
    virtual bool HasPattern() const = 0;
    // The record after the kind byte, as a rules file holds it.
    virtual void Encode(std::vector<std::uint8_t>& out) const = 0;
};

class cScanSigEndRule {
public:
    virtual ~cScanSigEndRule() = default;
    // On true, endOffset is how many bytes of the file lie in this unit, from its start.
    virtual bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                       std::uint64_t before, std::uint32_t& endOffset) const = 0;
    virtual std::uint8_t Kind() const = 0;
    virtual std::u16string Describe() const = 0;
    virtual bool HasPattern() const = 0;
    virtual void Encode(std::vector<std::uint8_t>& out) const = 0;
};
