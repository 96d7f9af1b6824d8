#include "scan/signatures/signature.h"

#include "base/checked.h"
#include "scan/signatures/begin_rules.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kPrefixBytes = 8;
} // namespace

cScanSignature::cScanSignature(std::uint8_t kind, bool matchAll, std::u16string name,
                               std::u16string extension, std::unique_ptr<cScanSigSubset> locator)
    : extension_(std::move(extension)), name_(std::move(name)), kind_(kind),
      locator_(std::move(locator)), follower_(MakeFollower(kind)), matchAll_(matchAll) {}

void cScanSignature::AddBeginRule(std::unique_ptr<cScanSigRule> rule) {
    // Only when every rule must hold does one rule's pinned bytes rule out the node.
    if (matchAll_ && rule->Kind() == sigrule::kExactMatch) {
        const auto& exact = static_cast<const cScanSigRuleExactMatch&>(*rule);
        const auto bytes = exact.Bytes();
        for (std::uint32_t i = 0; i < bytes.size() && exact.Offset() < kPrefixBytes - i; ++i) {
            const std::uint32_t shift = 8 * (exact.Offset() + i);
            PinPrefix(std::uint64_t(bytes[i]) << shift, std::uint64_t(0xFF) << shift);
        }
    } else if (matchAll_ && rule->Kind() == sigrule::kMaskMatch) {
        const auto& mask = static_cast<const cScanSigRuleMaskMatch&>(*rule);
        // A value with bits outside its mask never matches; it pins nothing useful.
        if (mask.Offset() <= kPrefixBytes - mask.Width() && (mask.Value() & ~mask.Mask()) == 0) {
            const std::uint32_t shift = 8 * mask.Offset();
            PinPrefix(mask.Value() << shift, mask.Mask() << shift);
        }
    }
    beginRules_.push_back(std::move(rule));
}

void cScanSignature::PinPrefix(std::uint64_t value, std::uint64_t mask) {
    // Two rules that disagree on a bit cannot both hold; keeping the first is still a
    // condition every match meets.
    if (((prefixValue_ ^ value) & prefixMask_ & mask) != 0) {
        return;
    }
    prefixValue_ |= value;
    prefixMask_ |= mask;
}

void cScanSignature::AddEndRule(std::unique_ptr<cScanSigEndRule> rule) {
    if (rule->Kind() == sigrule::kEndMatchSize) {
        sizeRules_.push_back(static_cast<cScanSigEndRuleMatchSize*>(rule.get()));
    }
    endRules_.push_back(std::move(rule));
}

bool cScanSignature::MatchBegin(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                                std::uint64_t scanPosition) {
    const auto holds = [&](const std::unique_ptr<cScanSigRule>& rule) {
        return rule->Match(data, unit, limit);
    };
    const bool matched = matchAll_ ? std::all_of(beginRules_.begin(), beginRules_.end(), holds)
                                   : std::any_of(beginRules_.begin(), beginRules_.end(), holds);
    if (!matched) {
        return false;
    }
    for (cScanSigEndRuleMatchSize* size : sizeRules_) {
        if (!size->ComputeSize(data, limit) && matchAll_) {
            return false;
        }
    }
    openStart_ = scanPosition;
    if (follower_) {
        follower_->Start();
    }
    return true;
}

bool CheckEnd(cScanSignature& node, const std::uint8_t* data, std::uint32_t unit,
              std::uint32_t limit, std::uint64_t scanPosition, std::uint32_t& endOffset) {
    unit = std::min(unit, limit);
    for (cScanSignature* at = &node; at != nullptr; at = at->Parent()) {
        if (!at->HasEnd()) {
            continue;
        }
        if (at->OpenStart() == cScanSignature::kNotOpen) {
            endOffset = 0;
            return true;
        }
        const std::uint64_t before =
            scanPosition >= at->OpenStart() ? scanPosition - at->OpenStart() : 0;
        if (at->Follower() && at->Follower()->Feed(data, unit, limit, before, endOffset)) {
            at->Close();
            return true;
        }
        for (const auto& rule : at->EndRules()) {
            if (rule->Match(data, unit, limit, before, endOffset)) {
                at->Close();
                return true;
            }
        }
    }
    return false;
}

namespace {
// The nearest node from node up that follows its open file.
const cScanSignature* Following(const cScanSignature& node) {
    for (const cScanSignature* at = &node; at != nullptr; at = at->Parent()) {
        if (at->Follower() && at->OpenStart() != cScanSignature::kNotOpen) {
            return at;
        }
    }
    return nullptr;
}
} // namespace

bool FileCovers(const cScanSignature& node, std::uint64_t scanPosition) {
    const cScanSignature* at = Following(node);
    return at != nullptr && scanPosition >= at->OpenStart() &&
           at->Follower()->Covers(scanPosition - at->OpenStart());
}

std::optional<std::uint64_t> SettledSize(const cScanSignature& node) {
    for (const cScanSignature* at = &node; at != nullptr; at = at->Parent()) {
        if (at->Follower()) {
            return at->Follower()->Settled();
        }
    }
    return std::nullopt;
}
