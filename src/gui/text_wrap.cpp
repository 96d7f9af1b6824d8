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
        while (end < text.size() && text[end] != u' ' && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        while (end < text.size() && text[end] == u' ')
            ++end;
        tokens.push_back({std::u16string(text.substr(i, end - i)), false});
        i = end;
    }
    return tokens;
}

std::vector<std::u16string> Wrap(const std::vector<cStrTokenItem>& tokens, int width,
                                 const cMeasure& measure) {
    std::vector<std::u16string> lines(1);
    for (const cStrTokenItem& token : tokens) {
        if (token.line_break) {
            lines.emplace_back();
            continue;
        }
        std::u16string candidate = lines.back() + token.text;
        // Trailing spaces do not count against the width.
        std::u16string_view trimmed(candidate);
        trimmed = trimmed.substr(0, trimmed.find_last_not_of(u' ') + 1);
        if (!lines.back().empty() && measure(trimmed).w > width)
            lines.push_back(token.text);
        else
            lines.back() = std::move(candidate);
    }
    return lines;
}

} // namespace text_wrap
