#include "scan/signatures/end_rules.h"

#include "base/checked.h"
#include "base/format_text.h"
#include "scan/signatures/sig_encode.h"
#include "scan/signatures/sig_fold.h"
#include "scan/signatures/sig_search.h"

namespace {

// The end offset of a match found at position p, which a distance may carry past the
// unit (the file then ends in a later unit's bytes, counted from this one).
bool EndAt(std::uint32_t position, std::uint32_t distance, std::uint32_t& endOffset) {
    if (position == sigsearch::kNotFound) {
        return false;
    }
    endOffset = checked::SaturatingAdd(position, distance);
    return true;
}

} // namespace

cScanSigEndRuleMatchSize::cScanSigEndRuleMatchSize(std::uint8_t byteOrder, std::uint8_t width,
                                                   std::uint32_t offset, std::uint32_t multiplier,
                                                   std::uint32_t addend)
    : byteOrder_(byteOrder), width_(width), offset_(offset), multiplier_(multiplier),
      addend_(addend) {}

bool cScanSigEndRuleMatchSize::ComputeSize(const std::uint8_t* data, std::uint32_t limit) {
    size_.reset();
    if (std::uint64_t(offset_) + width_ > limit) {
        return false;
    }
    std::uint64_t field = 0;
    for (std::uint32_t i = 0; i < width_; ++i) {
        const std::uint32_t at = byteOrder_ == 1 ? i : width_ - 1 - i;
        field = (field << 8) | data[offset_ + at];
    }
    size_ = checked::SaturatingAdd(checked::SaturatingMul(field, std::uint64_t(multiplier_)),
                                   std::uint64_t(addend_));
    return true;
}

bool cScanSigEndRuleMatchSize::Match(const std::uint8_t* data, std::uint32_t unit,
                                     std::uint32_t limit, std::uint64_t before,
                                     std::uint32_t& endOffset) const {
    if (!size_ || *size_ > checked::SaturatingAdd(before, std::uint64_t(unit))) {
        return false;
    }
    // A size the file has already passed (only a zero size can be) ends it where it stands.
    endOffset = *size_ > before ? std::uint32_t(*size_ - before) : 0;
    return true;
}

std::u16string cScanSigEndRuleMatchSize::Describe() const {
    return FormatText(
        u"File field at %d (%d bytes), multiplied by %d and increased by %d defines file size.",
        {std::uint64_t(offset_), int(width_), std::uint64_t(multiplier_), std::uint64_t(addend_)});
}

void cScanSigEndRuleMatchSize::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, byteOrder_);
    sigencode::PutU8(out, width_);
    sigencode::PutU32(out, offset_);
    sigencode::PutU32(out, addend_);
    sigencode::PutU32(out, multiplier_);
}

cScanSigEndRuleHasStr::cScanSigEndRuleHasStr(std::uint8_t caseFlag, std::uint32_t distance,
                                             std::span<const std::uint8_t> text)
    : caseFlag_(caseFlag), distance_(distance), text_(sigfold::AsciiPattern(caseFlag, text)) {}

cScanSigEndRuleHasStr::cScanSigEndRuleHasStr(std::uint32_t distance,
                                             std::span<const std::uint8_t> bytes)
    : caseFlag_(sigrule::kExactCase), distance_(distance), text_(bytes.begin(), bytes.end()) {}

bool cScanSigEndRuleHasStr::Match(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                                  std::uint64_t before, std::uint32_t& endOffset) const {
    return EndAt(sigsearch::FindBytes(data, unit, text_, caseFlag_ != sigrule::kExactCase),
                 distance_, endOffset);
}

std::u16string cScanSigEndRuleHasStr::Describe() const {
    return FormatText(u"File ends in %d bytes after ASCII string [%s] begins.",
                      {std::uint64_t(distance_), std::u16string_view(sigencode::Widen(text_))});
}

void cScanSigEndRuleHasStr::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, caseFlag_);
    sigencode::PutU32(out, distance_);
    sigencode::PutBytes(out, text_);
}

std::u16string cScanSigEndRuleHasHex::Describe() const {
    return FormatText(u"File ends in %d bytes after byte sequence [%s] begins.",
                      {std::uint64_t(distance_), std::u16string_view(sigencode::HexGroups(text_))});
}

void cScanSigEndRuleHasHex::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU32(out, distance_);
    sigencode::PutBytes(out, text_);
}

cScanSigEndRuleHasUniStr::cScanSigEndRuleHasUniStr(std::uint8_t caseFlag, std::uint32_t distance,
                                                   std::u16string_view text)
    : caseFlag_(caseFlag), distance_(distance), text_(sigfold::UnicodePattern(caseFlag, text)) {}

bool cScanSigEndRuleHasUniStr::Match(const std::uint8_t* data, std::uint32_t unit,
                                     std::uint32_t limit, std::uint64_t before,
                                     std::uint32_t& endOffset) const {
    return EndAt(sigsearch::FindUnits(data, unit, text_, caseFlag_ != sigrule::kExactCase),
                 distance_, endOffset);
}

std::u16string cScanSigEndRuleHasUniStr::Describe() const {
    return FormatText(u"File ends in %d bytes after Unicode string [%s] begins.",
                      {std::uint64_t(distance_), std::u16string_view(text_)});
}

void cScanSigEndRuleHasUniStr::Encode(std::vector<std::uint8_t>& out) const {
    sigencode::PutU8(out, caseFlag_);
    sigencode::PutU32(out, distance_);
    sigencode::PutUnits(out, text_);
}

bool cScanSigEndRuleIsStrEnd::Match(const std::uint8_t* data, std::uint32_t unit,
                                    std::uint32_t limit, std::uint64_t before,
                                    std::uint32_t& endOffset) const {
    return EndAt(sigsearch::AsciiTextEnd(data, unit), 0, endOffset);
}

bool cScanSigEndRuleIsUniStrEnd::Match(const std::uint8_t* data, std::uint32_t unit,
                                       std::uint32_t limit, std::uint64_t before,
                                       std::uint32_t& endOffset) const {
    return EndAt(sigsearch::UnicodeTextEnd(data, unit), 0, endOffset);
}
