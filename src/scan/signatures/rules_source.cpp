#include "scan/signatures/rules_source.h"

#include "base/utf.h"
#include "scan/signatures/begin_rules.h"
#include "scan/signatures/signature.h"

#include <charconv>
#include <memory>
#include <vector>

namespace rulesource {
namespace {

// A word of a line; a quoted one keeps its bytes after escapes (\\, \", \xHH).
struct cToken {
    std::string text;
    bool quoted = false;
};

// A node while its block is read: rules must be added before the node joins a list, and
// children after, so nodes are built when their block closes.
struct cDraft {
    std::uint8_t kind = sigkind::kStrong;
    bool matchAll = true;
    std::u16string name;
    std::u16string extension;
    std::unique_ptr<cScanSigSubset> locator;
    std::vector<std::unique_ptr<cScanSigRule>> begin;
    std::vector<std::unique_ptr<cScanSigEndRule>> end;
    std::vector<std::unique_ptr<cDraft>> children;
};

void Build(cDraft& draft, cSigList& list, cScanSignature* parent) {
    auto node = std::make_unique<cScanSignature>(draft.kind, draft.matchAll, draft.name,
                                                 draft.extension, std::move(draft.locator));
    for (auto& rule : draft.begin) {
        node->AddBeginRule(std::move(rule));
    }
    for (auto& rule : draft.end) {
        node->AddEndRule(std::move(rule));
    }
    cScanSignature& added = list.Append(std::move(node), parent);
    for (auto& child : draft.children) {
        Build(*child, added.Children(), &added);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class cCompiler {
public:
    std::optional<cError> Run(std::string_view text, cSigList& topLevel) {
        std::size_t start = 0;
        while (start <= text.size() && !error_) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            ++line_;
            Statement(text.substr(start, end - start));
            start = end + 1;
        }
        if (!error_ && !open_.empty()) {
            Error("a block is not closed with '}'");
        }
        if (error_) {
            return error_;
        }
        for (auto& draft : top_) {
            Build(*draft, topLevel, nullptr);
        }
        return std::nullopt;
    }

private:
    std::size_t line_ = 0;
    std::optional<cError> error_;
    std::vector<std::unique_ptr<cDraft>> top_;
    std::vector<cDraft*> open_;
    std::vector<cToken> words_;
    std::size_t next_ = 0;

    void Error(std::string message) {
        if (!error_) {
            error_ = cError{line_, std::move(message)};
        }
    }

    bool Tokenize(std::string_view line) {
        words_.clear();
        next_ = 0;
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                cToken token{"", true};
                ++i;
                while (i < line.size() && line[i] != '"') {
                    if (line[i] != '\\') {
                        token.text += line[i++];
                        continue;
                    }
                    if (i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
                        token.text += line[i + 1];
                        i += 2;
                    } else if (i + 3 < line.size() && line[i + 1] == 'x' &&
                               HexDigit(line[i + 2]) >= 0 && HexDigit(line[i + 3]) >= 0) {
                        token.text += char(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
                        i += 4;
                    } else {
                        Error("unknown escape in a string (use \\\\, \\\" or \\xHH)");
                        return false;
                    }
                }
                if (i >= line.size()) {
                    Error("a string is not closed");
                    return false;
                }
                ++i;
                words_.push_back(std::move(token));
            } else {
                const std::size_t from = i;
                while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                       line[i] != '"' && line[i] != '#') {
                    ++i;
                }
                words_.push_back({std::string(line.substr(from, i - from)), false});
            }
        }
        return true;
    }

    bool More() const { return next_ < words_.size(); }
    // The structure after 'follow', as the node's kind.
    bool TakeFollower(cDraft& draft) {
        static constexpr std::pair<std::string_view, std::uint8_t> kFollowers[] = {
            {"jpeg", sigkind::kFollowJpeg},
            {"iso-boxes", sigkind::kFollowBoxes},
            {"pdf", sigkind::kFollowPdf},
            {"gzip", sigkind::kFollowGzip},
            {"zip", sigkind::kFollowZip}};
        for (const auto& [word, kind] : kFollowers) {
            if (Take(word)) {
                draft.kind = kind;
                return true;
            }
        }
        Error("expected jpeg, iso-boxes, pdf, gzip or zip after 'follow'");
        return false;
    }

    bool Take(std::string_view word) {
        if (More() && !words_[next_].quoted && words_[next_].text == word) {
            ++next_;
            return true;
        }
        return false;
    }
    // A decimal or 0x-prefixed number up to max.
    std::optional<std::uint64_t> Number(const char* what, std::uint64_t max = 0xFFFFFFFF) {
        if (More() && !words_[next_].quoted) {
            const std::string& text = words_[next_].text;
            const bool hex =
                text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
            std::uint64_t value = 0;
            const char* const first = text.data() + (hex ? 2 : 0);
            const auto [end, ec] =
                std::from_chars(first, text.data() + text.size(), value, hex ? 16 : 10);
            if (ec == std::errc() && end == text.data() + text.size() && value <= max) {
                ++next_;
                return value;
            }
        }
        Error(std::string("expected ") + what +
              (max == 0xFFFFFFFF ? " (a number below 2^32)" : ""));
        return std::nullopt;
    }
    std::optional<std::string> Quoted(const char* what) {
        if (More() && words_[next_].quoted) {
            return words_[next_++].text;
        }
        Error(std::string("expected ") + what + " in double quotes");
        return std::nullopt;
    }
    // The rest of the line as bytes: quoted strings and runs of hex digit pairs.
    std::optional<std::vector<std::uint8_t>> ByteRun() {
        std::vector<std::uint8_t> bytes;
        for (; More(); ++next_) {
            const cToken& token = words_[next_];
            if (token.quoted) {
                bytes.insert(bytes.end(), token.text.begin(), token.text.end());
                continue;
            }
            if (token.text.size() % 2 != 0) {
                Error("hex bytes come in pairs of digits: " + token.text);
                return std::nullopt;
            }
            for (std::size_t i = 0; i < token.text.size(); i += 2) {
                const int high = HexDigit(token.text[i]);
                const int low = HexDigit(token.text[i + 1]);
                if (high < 0 || low < 0) {
                    Error("not a hex byte: " + token.text);
                    return std::nullopt;
                }
                bytes.push_back(std::uint8_t(high * 16 + low));
            }
        }
        return Bounded(std::move(bytes));
    }
    template <class T> std::optional<T> Bounded(T value) {
        if (value.size() > sigrule::kMaxLength) {
            Error("longer than 4095 bytes or characters");
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::u16string> Wide(const std::optional<std::string>& text) {
        if (!text) {
            return std::nullopt;
        }
        return Bounded(utf::FromUtf8(*text));
    }
    std::uint8_t CaseFlag() { return Take("nocase") ? 0 : sigrule::kExactCase; }
    // "times M" and "plus A", each optional, in this order.
    bool Scale(std::uint32_t& multiplier, std::uint32_t& addend) {
        std::optional<std::uint64_t> value = 1;
        if (Take("times") && (value = Number("a multiplier")) && *value == 0) {
            Error("a multiplier of 0");
            return false;
        }
        multiplier = std::uint32_t(value.value_or(0));
        value = 0;
        if (Take("plus")) {
            value = Number("an addend");
        }
        addend = std::uint32_t(value.value_or(0));
        return !error_;
    }

    void Statement(std::string_view line) {
        if (!Tokenize(line) || words_.empty()) {
            return;
        }
        if (Take("}")) {
            if (open_.empty()) {
                Error("'}' without a block");
            }
            if (!open_.empty()) {
                open_.pop_back();
            }
        } else if (Take("group") || Take("file")) {
            OpenNode(words_[0].text == "group");
            return;
        } else if (open_.empty()) {
            Error("rules belong inside a 'file' or 'group' block");
        } else if (Take("end")) {
            EndRule(*open_.back());
        } else if (Take("locate")) {
            Locator(*open_.back());
        } else {
            BeginRule(*open_.back());
        }
        if (!error_ && More()) {
            Error("unexpected '" + words_[next_].text + "'");
        }
    }

    void OpenNode(bool group) {
        auto draft = std::make_unique<cDraft>();
        const std::optional<std::u16string> name = Wide(Quoted("a folder name"));
        if (!name) {
            return;
        }
        draft->name = *name;
        if (!group) {
            if (!More() || words_[next_].text == "{") {
                Error("expected the files' extension");
                return;
            }
            const std::optional<std::u16string> extension =
                Bounded(utf::FromUtf8(words_[next_++].text));
            if (!extension) {
                return;
            }
            draft->extension = *extension;
            for (;;) {
                if (Take("weak")) {
                    draft->kind = sigkind::kWeak;
                } else if (Take("not-a-file")) {
                    draft->kind = sigkind::kNotAFile;
                } else if (Take("any")) {
                    draft->matchAll = false;
                } else if (Take("follow")) {
                    if (!TakeFollower(*draft)) {
                        return;
                    }
                } else {
                    break;
                }
            }
        }
        if (!Take("{") || More()) {
            Error("a block header ends with '{'");
            return;
        }
        cDraft* const raw = draft.get();
        (open_.empty() ? top_ : open_.back()->children).push_back(std::move(draft));
        open_.push_back(raw);
    }

    void Locator(cDraft& draft) {
        if (draft.locator) {
            Error("a node has one locator at most");
            return;
        }
        if (Take("field")) {
            const auto offset = Number("the field's offset");
            const auto width = offset ? Number("the field's width in bytes") : std::nullopt;
            std::uint32_t multiplier = 1;
            std::uint32_t addend = 0;
            if (!width || !Scale(multiplier, addend)) {
                return;
            }
            const int code = *width == 1   ? 0
                             : *width == 2 ? 1
                             : *width == 4 ? 2
                             : *width == 8 ? 3
                                           : -1;
            if (code < 0) {
                Error("a field is 1, 2, 4 or 8 bytes wide");
                return;
            }
            draft.locator = std::make_unique<cFieldRelativeSubset>(*offset, std::uint8_t(code),
                                                                   multiplier, addend);
        } else if (Take("magic")) {
            const auto delta = Number("the distance from the magic");
            const auto magic = delta ? ByteRun() : std::nullopt;
            if (magic) {
                draft.locator = std::make_unique<cMagicRelativeSubset>(*magic, *delta);
            }
        } else {
            Error("expected 'field' or 'magic' after 'locate'");
        }
    }

    void BeginRule(cDraft& draft) {
        std::unique_ptr<cScanSigRule> rule;
        if (Take("at")) {
            const auto offset = Number("an offset");
            const auto bytes = offset ? ByteRun() : std::nullopt;
            if (bytes) {
                rule = std::make_unique<cScanSigRuleExactMatch>(*offset, *bytes);
            }
        } else if (Take("contains")) {
            const std::uint8_t caseFlag = CaseFlag();
            const auto text = Quoted("a string");
            if (text && Bounded(*text)) {
                rule = std::make_unique<cScanSigRuleHasStr>(
                    caseFlag,
                    std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()));
            }
        } else if (Take("contains-unicode")) {
            const std::uint8_t caseFlag = CaseFlag();
            if (const auto text = Wide(Quoted("a string"))) {
                rule = std::make_unique<cScanSigRuleHasUniStr>(caseFlag, *text);
            }
        } else if (Take("is-text")) {
            rule = std::make_unique<cScanSigRuleIsStr>();
        } else if (Take("is-unicode-text")) {
            rule = std::make_unique<cScanSigRuleIsUniStr>();
        } else if (Take("mask")) {
            rule = MaskRule();
        } else {
            Error("unknown rule '" + words_[next_].text + "'");
        }
        if (rule) {
            draft.begin.push_back(std::move(rule));
        }
    }

    std::unique_ptr<cScanSigRule> MaskRule() {
        static constexpr const char* kWidths[] = {"byte", "word", "dword", "qword"};
        int code = 0;
        while (code < 4 && !Take(kWidths[code])) {
            ++code;
        }
        if (code == 4) {
            Error("expected byte, word, dword or qword after 'mask'");
            return nullptr;
        }
        const auto offset = Number("an offset");
        // A field's value and mask fit its width.
        const std::uint64_t max =
            code == 3 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 << code)) - 1;
        const auto value = offset ? Number("a value that fits the width", max) : std::nullopt;
        const auto mask = value ? Number("a mask that fits the width", max) : std::nullopt;
        if (!mask) {
            return nullptr;
        }
        return std::make_unique<cScanSigRuleMaskMatch>(std::uint8_t(code), *value, *mask,
                                                       std::uint32_t(*offset));
    }

    void EndRule(cDraft& draft) {
        std::unique_ptr<cScanSigEndRule> rule;
        if (Take("size")) {
            const auto offset = Number("the size field's offset");
            const auto width = offset ? Number("the size field's width in bytes") : std::nullopt;
            if (!width) {
                return;
            }
            const bool big = Take("be");
            if (!big && !Take("le")) {
                Error("expected le or be for the size field's byte order");
                return;
            }
            std::uint32_t multiplier = 1;
            std::uint32_t addend = 0;
            if (!Scale(multiplier, addend)) {
                return;
            }
            if (*width < 1 || *width > 8) {
                Error("a size field is 1 to 8 bytes wide");
                return;
            }
            rule = std::make_unique<cScanSigEndRuleMatchSize>(big ? 1 : 0, std::uint8_t(*width),
                                                              *offset, multiplier, addend);
        } else if (Take("string")) {
            const std::uint8_t caseFlag = CaseFlag();
            const auto distance = Number("the distance to the end");
            const auto text = distance ? Quoted("a string") : std::nullopt;
            if (text && Bounded(*text)) {
                rule = std::make_unique<cScanSigEndRuleHasStr>(
                    caseFlag, *distance,
                    std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()));
            }
        } else if (Take("unicode")) {
            const std::uint8_t caseFlag = CaseFlag();
            const auto distance = Number("the distance to the end");
            if (const auto text = distance ? Wide(Quoted("a string")) : std::nullopt) {
                rule = std::make_unique<cScanSigEndRuleHasUniStr>(caseFlag, *distance, *text);
            }
        } else if (Take("bytes")) {
            const auto distance = Number("the distance to the end");
            if (const auto bytes = distance ? ByteRun() : std::nullopt) {
                rule = std::make_unique<cScanSigEndRuleHasHex>(*distance, *bytes);
            }
        } else if (Take("text-end")) {
            rule = std::make_unique<cScanSigEndRuleIsStrEnd>();
        } else if (Take("unicode-text-end")) {
            rule = std::make_unique<cScanSigEndRuleIsUniStrEnd>();
        } else {
            Error("unknown end rule");
        }
        if (rule) {
            draft.end.push_back(std::move(rule));
        }
    }
};

} // namespace

std::optional<cError> Compile(std::string_view text, cSigList& topLevel) {
    return cCompiler().Run(text, topLevel);
}

} // namespace rulesource
