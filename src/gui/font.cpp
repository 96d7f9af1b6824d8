#include "gui/font.h"

const cFontSpec& StandardFont(eStdFont which) {
    static const cFontSpec plain{"Tahoma", 13, 0};
    static const cFontSpec marked{"Tahoma", 13, font_style::kUnderline};
    static const cFontSpec bold{"Tahoma", 13, font_style::kBold};
    switch (which) {
    case eStdFont::Marked:
        return marked;
    case eStdFont::Bold:
        return bold;
    case eStdFont::Plain:
        break;
    }
    return plain;
}

namespace utf16 {
char32_t Next(std::u16string_view text, std::size_t& i) {
    const char16_t c = text[i++];
    if (c < 0xD800 || c > 0xDFFF) {
        return c;
    }
    if (c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        const char16_t low = text[i++];
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (low - 0xDC00);
    }
    return 0xFFFD;
}
} // namespace utf16

const cGlyph& cFontObject::Glyph(char32_t codePoint) {
    if (codePoint < kDenseGlyphs) {
        auto& slot = dense_[codePoint];
        if (!slot) {
            slot = std::make_unique<cGlyph>(Rasterize(codePoint));
        }
        return *slot;
    }
    auto found = sparse_.find(codePoint);
    if (found == sparse_.end()) {
        found = sparse_.emplace(codePoint, Rasterize(codePoint)).first;
    }
    return found->second;
}

int cFontObject::MeasureText(std::u16string_view text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        width += Glyph(utf16::Next(text, i)).advance;
    }
    return width;
}

int cFontObject::MeasureText8(std::string_view text) {
    int width = 0;
    for (unsigned char c : text) {
        width += Glyph(c).advance;
    }
    return width;
}

std::size_t cFontObject::FitChars(std::u16string_view text, int width) {
    int used = 0;
    std::size_t fitted = 0;
    for (std::size_t i = 0; i < text.size();) {
        used += Glyph(utf16::Next(text, i)).advance;
        if (used > width) {
            break;
        }
        fitted = i;
    }
    return fitted;
}

std::size_t cFontObject::FitChars8(std::string_view text, int width) {
    int used = 0;
    std::size_t fitted = 0;
    for (unsigned char c : text) {
        used += Glyph(c).advance;
        if (used > width) {
            break;
        }
        ++fitted;
    }
    return fitted;
}
