#pragma once
// The six kinds of begin rule. Constructors take parameters that passed the rules file's
// bounds (lengths up to sigrule::kMaxLength, width codes up to 3).

#include "scan/signatures/sig_rule.h"

#include <span>
#include <string_view>

// The bytes at offset equal the pattern, wholly inside the unit.
class cScanSigRuleExactMatch final : public cScanSigRule {
public:
    cScanSigRuleExactMatch(std::uint32_t offset, std::span<const std::uint8_t> bytes);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kExactMatch; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

    std::uint32_t Offset() const { return offset_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::uint32_t offset_;
    std::vector<std::uint8_t> bytes_;
};

// An ASCII string anywhere in the unit; the pattern ends at its first NUL.
class cScanSigRuleHasStr final : public cScanSigRule {
public:
    cScanSigRuleHasStr(std::uint8_t caseFlag, std::span<const std::uint8_t> text);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kHasStr; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

private:
    std::uint8_t caseFlag_;
    std::vector<std::uint8_t> text_;
};

// A UTF-16LE string anywhere in the unit, at even or odd positions.
class cScanSigRuleHasUniStr final : public cScanSigRule {
public:
    cScanSigRuleHasUniStr(std::uint8_t caseFlag, std::u16string_view text);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kHasUniStr; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

private:
    std::uint8_t caseFlag_;
    std::u16string text_;
};

class cScanSigRuleIsStr final : public cScanSigRule {
public:
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kIsStr; }
    std::u16string Describe() const override { return u"Is ASCII string."; }
    bool HasPattern() const override { return false; }
    void Encode(std::vector<std::uint8_t>& out) const override {}
};

class cScanSigRuleIsUniStr final : public cScanSigRule {
public:
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kIsUniStr; }
    std::u16string Describe() const override { return u"Is Unicode string."; }
    bool HasPattern() const override { return false; }
    void Encode(std::vector<std::uint8_t>& out) const override {}
};

// A little-endian field of 1, 2, 4 or 8 bytes (width code 0 to 3) whose bits under the
// mask equal the value.
class cScanSigRuleMaskMatch final : public cScanSigRule {
public:
    cScanSigRuleMaskMatch(std::uint8_t widthCode, std::uint64_t value, std::uint64_t mask,
                          std::uint32_t offset);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit) const override;
    std::uint8_t Kind() const override { return sigrule::kMaskMatch; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

    std::uint32_t Offset() const { return offset_; }
    std::uint32_t Width() const { return 1u << widthCode_; }
    std::uint64_t Value() const { return value_; }
    std::uint64_t Mask() const { return mask_; }

private:
    std::uint8_t widthCode_;
    std::uint64_t value_;
    std::uint64_t mask_;
    std::uint32_t offset_;
};
