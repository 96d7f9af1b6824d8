#include "scan/signatures/begin_rules.h"

#include "base/format_text.h"
#include "scan/signatures/sig_encode.h"
#include "scan/signatures/sig_fold.h"
#include "scan/signatures/sig_search.h"

#include <cstring>

cScanSigRuleExactMatch::cScanSigRuleExactMatch(std::uint32_t offset,
                                               std::span<const std::uint8_t> bytes)
    : offset_(offset), bytes_(bytes.begin(), bytes.end()) {}

bool cScanSigRuleExactMatch::Match(const std::uint8_t* data, std::uint32_t unit,
                                   std::uint32_t limit) const {
    const std::uint64_t end = std::uint64_t(offset_) + bytes_.size();
    if (end > unit || end > limit) {
        return false;
    }
    return bytes_.empty() || std::memcmp(data + offset_, bytes_.data(), bytes_.size()) == 0;
}

std::u16string cScanSigRuleExactMatch::Describe() const {
    return FormatText(u"At offset %d contains [%s].",
                      {std::uint64_t(offset_), std::u16string_view(sigencode::HexGroups(bytes_))});
}

void cScanSigRuleExactMatch::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU32(out, offset_);
    sigencode::PutBytes(out, bytes_);
}

cScanSigRuleHasStr::cScanSigRuleHasStr(std::uint8_t caseFlag, std::span<const std::uint8_t> text)
    : caseFlag_(caseFlag), text_(sigfold::AsciiPattern(caseFlag, text)) {}

bool cScanSigRuleHasStr::Match(const std::uint8_t* data, std::uint32_t unit,
                               std::uint32_t limit) const {
    return sigsearch::FindBytes(data, unit, text_, caseFlag_ != sigrule::kExactCase) !=
           sigsearch::kNotFound;
}

std::u16string cScanSigRuleHasStr::Describe() const {
    return FormatText(u"Contains ASCII string [%s].",
                      {std::u16string_view(sigencode::Widen(text_))});
}

void cScanSigRuleHasStr::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, caseFlag_);
    sigencode::PutBytes(out, text_);
}

cScanSigRuleHasUniStr::cScanSigRuleHasUniStr(std::uint8_t caseFlag, std::u16string_view text)
    : caseFlag_(caseFlag), text_(sigfold::UnicodePattern(caseFlag, text)) {}

bool cScanSigRuleHasUniStr::Match(const std::uint8_t* data, std::uint32_t unit,
                                  std::uint32_t limit) const {
    return sigsearch::FindUnits(data, unit, text_, caseFlag_ != sigrule::kExactCase) !=
           sigsearch::kNotFound;
}

std::u16string cScanSigRuleHasUniStr::Describe() const {
    return FormatText(u"Contains Unicode string [%s].", {std::u16string_view(text_)});
}

void cScanSigRuleHasUniStr::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, caseFlag_);
    sigencode::PutUnits(out, text_);
}

bool cScanSigRuleIsStr::Match(const std::uint8_t* data, std::uint32_t unit,
                              std::uint32_t limit) const {
    return sigsearch::IsAsciiText(data, unit);
}

bool cScanSigRuleIsUniStr::Match(const std::uint8_t* data, std::uint32_t unit,
                                 std::uint32_t limit) const {
    return sigsearch::IsUnicodeText(data, unit);
}

cScanSigRuleMaskMatch::cScanSigRuleMaskMatch(std::uint8_t widthCode, std::uint64_t value,
                                             std::uint64_t mask, std::uint32_t offset)
    : widthCode_(widthCode), value_(value), mask_(mask), offset_(offset) {}

bool cScanSigRuleMaskMatch::Match(const std::uint8_t* data, std::uint32_t unit,
                                  std::uint32_t limit) const {
    // The field may run on into the look-ahead; only its start must lie in the unit.
    if (offset_ > unit || std::uint64_t(offset_) + Width() > limit) {
        return false;
    }
    std::uint64_t read = 0;
    for (std::uint32_t i = 0; i < Width(); ++i) {
        read |= std::uint64_t(data[offset_ + i]) << (8 * i);
    }
    return (read & mask_) == value_;
}

std::u16string cScanSigRuleMaskMatch::Describe() const {
    static constexpr const char16_t* kWidthNames[] = {u"BYTE", u"WORD", u"DWORD", u"QWORD"};
    return FormatText(u"%s value at %d by mask [0x%llX] is 0x%llX",
                      {kWidthNames[widthCode_], std::uint64_t(offset_), mask_, value_});
}

void cScanSigRuleMaskMatch::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, widthCode_);
    for (std::uint32_t i = 0; i < Width(); ++i) {
        sigencode::PutU8(out, std::uint8_t(value_ >> (8 * i)));
    }
    for (std::uint32_t i = 0; i < Width(); ++i) {
        sigencode::PutU8(out, std::uint8_t(mask_ >> (8 * i)));
    }
    sigencode::PutU32(out, offset_);
}
