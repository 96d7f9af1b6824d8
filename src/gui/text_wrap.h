#pragma once
// Breaking text into lines that fit a width: message boxes and wrapping labels. Text is
// split into tokens (a word with the spaces after it, or a line break) and the tokens
// are laid out greedily; a word wider than the width is cut into lines that fit.

#include "gui/geometry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct cStrTokenItem {
    std::u16string text;
    bool lineBreak = false;
};

namespace text_wrap {

// Width and line height of a string in the font the lines will be drawn with.
using cMeasure = std::function<cSize(std::u16string_view)>;

// "\r\n", "\r" and "\n" are each one break.
std::vector<cStrTokenItem> Tokenize(std::u16string_view text);
std::vector<std::u16string> Wrap(const std::vector<cStrTokenItem>& tokens, int width,
                                 const cMeasure& measure);

} // namespace text_wrap
