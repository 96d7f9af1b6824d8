#include "base/bytes.h"
#include "scan/signatures/begin_rules.h"
#include "scan/signatures/signature.h"
#include "scan/signatures/urrs_file.h"

#include <cstring>

namespace urrs {
namespace {

class cReader {
public:
    explicit cReader(std::span<const std::uint8_t> file) : in_(file) {}

    cLoadResult Run(cSigList& topLevel) {
        const bytes::Span magic = in_.Bytes(kMagicSize);
        if (!in_.Ok()) {
            return Stop(kShort, 0);
        }
        if (std::memcmp(magic.data(), kMagic, kMagicSize) != 0) {
            return Stop(kBadMagic, 0);
        }
        if (ReadList(topLevel, nullptr, 0)) {
            result_.stoppedAt = in_.Offset();
        }
        return result_;
    }

private:
    bytes::Cursor in_;
    cLoadResult result_;

    cLoadResult Stop(cLoadCode code, std::size_t at) {
        result_ = {code, at};
        return result_;
    }
    // Stops at the field that began at `at` and yields false, to end every loop above.
    bool Fail(cLoadCode code, std::size_t at) {
        Stop(code, at);
        return false;
    }
    // Whether the reads since the last test all found their bytes; stops with kShort at
    // the first that did not otherwise.
    bool Read() { return in_.Ok() || Fail(kShort, in_.Offset()); }
    bool ReadLength(std::uint32_t& length) {
        const std::size_t at = in_.Offset();
        length = in_.Le32();
        if (!Read()) {
            return false;
        }
        return length <= sigrule::kMaxLength || Fail(kTooLong, at);
    }
    bool ReadBytes(std::uint32_t length, bytes::Span& out) {
        out = in_.Bytes(length);
        return Read();
    }
    bool ReadPattern(bytes::Span& out) {
        std::uint32_t length = 0;
        return ReadLength(length) && ReadBytes(length, out);
    }
    bool ReadUnits(std::u16string& out) {
        std::uint32_t length = 0;
        bytes::Span raw;
        if (!ReadLength(length) || !ReadBytes(2 * length, raw)) {
            return false;
        }
        out.resize(length);
        for (std::uint32_t i = 0; i < length; ++i) {
            out[i] = char16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
        }
        return true;
    }

    bool ReadList(cSigList& list, cScanSignature* parent, int depth) {
        for (;;) {
            const std::size_t at = in_.Offset();
            const std::uint8_t marker = in_.U8();
            if (!Read()) {
                return false;
            }
            if (marker == 0) {
                return true;
            }
            if (depth >= kMaxDepth) {
                return Fail(kBadKind, at);
            }
            std::unique_ptr<cScanSignature> node = ReadNode();
            if (!node) {
                return false;
            }
            cScanSignature& added = list.Append(std::move(node), parent);
            if (!ReadList(added.Children(), &added, depth + 1)) {
                return false;
            }
        }
    }

    std::unique_ptr<cScanSignature> ReadNode() {
        const std::size_t flagsAt = in_.Offset();
        const std::uint8_t flags = in_.U8();
        if (!Read()) {
            return nullptr;
        }
        std::unique_ptr<cScanSigSubset> locator;
        if (!ReadLocator(flags >> 4, flagsAt, locator)) {
            return nullptr;
        }
        std::u16string name;
        std::u16string extension;
        if (!ReadUnits(name) || !ReadUnits(extension)) {
            return nullptr;
        }
        auto node = std::make_unique<cScanSignature>(flags & 7, (flags & 8) == 0, std::move(name),
                                                     std::move(extension), std::move(locator));
        if (!ReadBeginRules(*node) || !ReadEndRules(*node)) {
            return nullptr;
        }
        return node;
    }

    bool ReadLocator(std::uint8_t type, std::size_t flagsAt,
                     std::unique_ptr<cScanSigSubset>& locator) {
        if (type == siglocator::kFieldRelative) {
            const std::uint32_t offset = in_.Le32();
            const std::uint8_t widthCode = in_.U8();
            const std::uint32_t multiplier = in_.Le32();
            const std::uint32_t addend = in_.Le32();
            if (!Read()) {
                return false;
            }
            locator = std::make_unique<cFieldRelativeSubset>(offset, widthCode, multiplier, addend);
            return true;
        }
        if (type == siglocator::kMagicRelative) {
            bytes::Span magic;
            if (!ReadPattern(magic)) {
                return false;
            }
            const std::uint32_t delta = in_.Le32();
            if (!Read()) {
                return false;
            }
            locator = std::make_unique<cMagicRelativeSubset>(magic, delta);
            return true;
        }
        return type == siglocator::kNone || Fail(kBadKind, flagsAt);
    }

    // The kind byte of the next rule: 0 ends the rules, and false stops loading.
    bool ReadKind(std::uint8_t& kind) {
        const std::size_t at = in_.Offset();
        kind = in_.U8();
        if (!Read()) {
            return false;
        }
        return kind <= sigrule::kLastKind || Fail(kBadKind, at);
    }

    // Rules up to the kind byte 0, each read by readOne and handed to add.
    template <class ReadOne, class Add> bool ReadRules(ReadOne readOne, Add add) {
        for (;;) {
            std::uint8_t kind = 0;
            if (!ReadKind(kind)) {
                return false;
            }
            if (kind == 0) {
                return true;
            }
            auto rule = (this->*readOne)(kind);
            if (!rule) {
                return false;
            }
            add(std::move(rule));
        }
    }
    bool ReadBeginRules(cScanSignature& node) {
        return ReadRules(&cReader::ReadBeginRule,
                         [&](auto rule) { node.AddBeginRule(std::move(rule)); });
    }
    bool ReadEndRules(cScanSignature& node) {
        return ReadRules(&cReader::ReadEndRule,
                         [&](auto rule) { node.AddEndRule(std::move(rule)); });
    }

    std::unique_ptr<cScanSigRule> ReadBeginRule(std::uint8_t kind) {
        switch (kind) {
        case sigrule::kExactMatch: {
            const std::uint32_t offset = in_.Le32();
            bytes::Span pattern;
            if (!Read() || !ReadPattern(pattern)) {
                return nullptr;
            }
            return std::make_unique<cScanSigRuleExactMatch>(offset, pattern);
        }
        case sigrule::kHasStr: {
            const std::uint8_t caseFlag = in_.U8();
            bytes::Span text;
            if (!Read() || !ReadPattern(text)) {
                return nullptr;
            }
            return std::make_unique<cScanSigRuleHasStr>(caseFlag, text);
        }
        case sigrule::kHasUniStr: {
            const std::uint8_t caseFlag = in_.U8();
            std::u16string text;
            if (!Read() || !ReadUnits(text)) {
                return nullptr;
            }
            return std::make_unique<cScanSigRuleHasUniStr>(caseFlag, text);
        }
        case sigrule::kIsStr:
            return std::make_unique<cScanSigRuleIsStr>();
        case sigrule::kIsUniStr:
            return std::make_unique<cScanSigRuleIsUniStr>();
        default:
            return ReadMaskRule();
        }
    }

    std::unique_ptr<cScanSigRule> ReadMaskRule() {
        const std::size_t at = in_.Offset();
        const std::uint8_t widthCode = in_.U8();
        if (!Read()) {
            return nullptr;
        }
        if (widthCode > 3) {
            Fail(kTooLong, at);
            return nullptr;
        }
        const std::uint32_t width = 1u << widthCode;
        std::uint64_t value = 0;
        std::uint64_t mask = 0;
        for (std::uint32_t i = 0; i < width; ++i) {
            value |= std::uint64_t(in_.U8()) << (8 * i);
        }
        for (std::uint32_t i = 0; i < width; ++i) {
            mask |= std::uint64_t(in_.U8()) << (8 * i);
        }
        const std::uint32_t offset = in_.Le32();
        if (!Read()) {
            return nullptr;
        }
        return std::make_unique<cScanSigRuleMaskMatch>(widthCode, value, mask, offset);
    }

    std::unique_ptr<cScanSigEndRule> ReadEndRule(std::uint8_t kind) {
        switch (kind) {
        case sigrule::kEndMatchSize:
            return ReadSizeRule();
        case sigrule::kEndHasStr: {
            const std::uint8_t caseFlag = in_.U8();
            const std::uint32_t distance = in_.Le32();
            bytes::Span text;
            if (!Read() || !ReadPattern(text)) {
                return nullptr;
            }
            return std::make_unique<cScanSigEndRuleHasStr>(caseFlag, distance, text);
        }
        case sigrule::kEndHasUniStr: {
            const std::uint8_t caseFlag = in_.U8();
            const std::uint32_t distance = in_.Le32();
            std::u16string text;
            if (!Read() || !ReadUnits(text)) {
                return nullptr;
            }
            return std::make_unique<cScanSigEndRuleHasUniStr>(caseFlag, distance, text);
        }
        case sigrule::kEndIsStrEnd:
            return std::make_unique<cScanSigEndRuleIsStrEnd>();
        case sigrule::kEndIsUniStrEnd:
            return std::make_unique<cScanSigEndRuleIsUniStrEnd>();
        default: {
            const std::uint32_t distance = in_.Le32();
            bytes::Span pattern;
            if (!Read() || !ReadPattern(pattern)) {
                return nullptr;
            }
            return std::make_unique<cScanSigEndRuleHasHex>(distance, pattern);
        }
        }
    }

    std::unique_ptr<cScanSigEndRule> ReadSizeRule() {
        const std::uint8_t byteOrder = in_.U8();
        const std::size_t widthAt = in_.Offset();
        const std::uint8_t width = in_.U8();
        const std::uint32_t offset = in_.Le32();
        const std::uint32_t addend = in_.Le32();
        const std::size_t multiplierAt = in_.Offset();
        const std::uint32_t multiplier = in_.Le32();
        if (!Read()) {
            return nullptr;
        }
        if (width < 1 || width > 8) {
            Fail(kBadKind, widthAt);
            return nullptr;
        }
        if (multiplier == 0) {
            Fail(kBadKind, multiplierAt);
            return nullptr;
        }
        return std::make_unique<cScanSigEndRuleMatchSize>(byteOrder, width, offset, multiplier,
                                                          addend);
    }
};

} // namespace

cLoadResult Load(std::span<const std::uint8_t> file, cSigList& topLevel) {
    return cReader(file).Run(topLevel);
}

} // namespace urrs
