#pragma once
// A font object over one SDL2_ttf font: glyphs are rasterised by SDL2_ttf with light
// hinting and kept as coverage masks by cFontObject.

#include "gui/font.h"

#include <string>

struct _TTF_Font;

class cWinFont : public cFontObject {
public:
    // Null when the file cannot be opened.
    static std::unique_ptr<cWinFont> Open(const std::string& file, cFontSpec description);
    ~cWinFont() override;

    int LineHeight() const override { return lineHeight_; }
    int Ascent() const override { return ascent_; }

protected:
    cGlyph Rasterize(char32_t codePoint) override;

private:
    cWinFont(_TTF_Font* font, cFontSpec description);
    _TTF_Font* font_;
    int lineHeight_;
    int ascent_;
};
