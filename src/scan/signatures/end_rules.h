#pragma once
// The six kinds of end rule. Constructors take parameters that passed the rules file's
// bounds (field widths 1 to 8, multipliers above 0, lengths up to sigrule::kMaxLength).

#include "scan/signatures/sig_rule.h"

#include <optional>
#include <span>
#include <string_view>

// The file's size is a field of its header: multiplier × field + addend. The size is
// computed when the node's begin rules match and reported in the unit that reaches it.
class cScanSigEndRuleMatchSize final : public cScanSigEndRule {
public:
    cScanSigEndRuleMatchSize(std::uint8_t byteOrder, std::uint8_t width, std::uint32_t offset,
                             std::uint32_t multiplier, std::uint32_t addend);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
               std::uint64_t before, std::uint32_t& endOffset) const override;
    std::uint8_t Kind() const override { return sigrule::kEndMatchSize; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return false; }
    void Encode(std::vector<std::uint8_t>& out) const override;

    // Reads the field at the rule origin of a unit whose begin rules matched; false (and
    // no size) when the field lies past limit.
    bool ComputeSize(const std::uint8_t* data, std::uint32_t limit);
    std::optional<std::uint64_t> Size() const { return size_; }

private:
    std::uint8_t byteOrder_;
    std::uint8_t width_;
    std::uint32_t offset_;
    std::uint32_t multiplier_;
    std::uint32_t addend_;
    std::optional<std::uint64_t> size_;
};

// The file ends distance bytes after the first place of a string in the unit. The byte
// sequence rule is the same search without case folding.
class cScanSigEndRuleHasStr : public cScanSigEndRule {
public:
    cScanSigEndRuleHasStr(std::uint8_t caseFlag, std::uint32_t distance,
                          std::span<const std::uint8_t> text);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
               std::uint64_t before, std::uint32_t& endOffset) const override;
    std::uint8_t Kind() const override { return sigrule::kEndHasStr; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

protected:
    // For the byte sequence: bytes kept whole, NULs included.
    cScanSigEndRuleHasStr(std::uint32_t distance, std::span<const std::uint8_t> bytes);

    std::uint8_t caseFlag_;
    std::uint32_t distance_;
    std::vector<std::uint8_t> text_;
};

class cScanSigEndRuleHasHex final : public cScanSigEndRuleHasStr {
public:
    cScanSigEndRuleHasHex(std::uint32_t distance, std::span<const std::uint8_t> bytes)
        : cScanSigEndRuleHasStr(distance, bytes) {}
    std::uint8_t Kind() const override { return sigrule::kEndHasHex; }
    std::u16string Describe() const override;
    void Encode(std::vector<std::uint8_t>& out) const override;
};

class cScanSigEndRuleHasUniStr final : public cScanSigEndRule {
public:
    cScanSigEndRuleHasUniStr(std::uint8_t caseFlag, std::uint32_t distance,
                             std::u16string_view text);
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
               std::uint64_t before, std::uint32_t& endOffset) const override;
    std::uint8_t Kind() const override { return sigrule::kEndHasUniStr; }
    std::u16string Describe() const override;
    bool HasPattern() const override { return true; }
    void Encode(std::vector<std::uint8_t>& out) const override;

private:
    std::uint8_t caseFlag_;
    std::uint32_t distance_;
    std::u16string text_;
};

class cScanSigEndRuleIsStrEnd final : public cScanSigEndRule {
public:
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
               std::uint64_t before, std::uint32_t& endOffset) const override;
    std::uint8_t Kind() const override { return sigrule::kEndIsStrEnd; }
    std::u16string Describe() const override { return u"File ends if ASCII text ends."; }
    bool HasPattern() const override { return false; }
    void Encode(std::vector<std::uint8_t>& out) const override {}
};

class cScanSigEndRuleIsUniStrEnd final : public cScanSigEndRule {
public:
    bool Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
               std::uint64_t before, std::uint32_t& endOffset) const override;
    std::uint8_t Kind() const override { return sigrule::kEndIsUniStrEnd; }
    std::u16string Describe() const override { return u"File ends if Unicode text ends."; }
    bool HasPattern() const override { return false; }
    void Encode(std::vector<std::uint8_t>& out) const override {}
};
