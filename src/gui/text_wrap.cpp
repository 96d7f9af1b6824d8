#include "gui/text_wrap.h"

namespace text_wrap {

std::vector<cStrTokenItem> Tokenize(std::u16string_view text) {
    std::vector<cStrTokenItem> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            // "\r\n" is one break.
            i += text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
            tokens.push_back({{}, true});
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != u' ' && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        while (end < text.size() && text[end] == u' ') {
            ++end;
        }
        tokens.push_back({std::u16string(text.substr(i, end - i)), false});
        i = end;
    }
    return tokens;
}

namespace {

// Trailing spaces do not count against the width.
std::u16string_view Trimmed(std::u16string_view text) {
    return text.substr(0, text.find_last_not_of(u' ') + 1);
}

// How many code units of `word` fit the width: at least one character, and never half
// of a surrogate pair.
std::size_t Fitting(std::u16string_view word, int width, const cMeasure& measure) {
    std::size_t low = 1, high = word.size();
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (measure(word.substr(0, middle)).w <= width) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    if (low < word.size() && word[low] >= 0xDC00 && word[low] <= 0xDFFF) {
        ++low;
    }
    return low;
}

} // namespace

std::vector<std::u16string> Wrap(const std::vector<cStrTokenItem>& tokens, int width,
                                 const cMeasure& measure) {
    std::vector<std::u16string> lines(1);
    for (const cStrTokenItem& token : tokens) {
        if (token.lineBreak) {
            lines.emplace_back();
            continue;
        }
        std::u16string candidate = lines.back() + token.text;
        if (measure(Trimmed(candidate)).w <= width) {
            lines.back() = std::move(candidate);
            continue;
        }
        if (!lines.back().empty()) {
            lines.emplace_back();
        }
        // A word wider than a whole line (a long path) is cut where the width ends, so
        // that none of it is lost past the edge.
        std::u16string_view rest(token.text);
        while (rest.size() > 1 && measure(Trimmed(rest)).w > width) {
            const std::size_t fit = Fitting(rest, width, measure);
            lines.back() = std::u16string(rest.substr(0, fit));
            lines.emplace_back();
            rest.remove_prefix(fit);
        }
        lines.back() = std::u16string(rest);
    }
    return lines;
}

} // namespace text_wrap
