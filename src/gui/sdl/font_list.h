#pragma once
// The process's fonts: each description opens its font file once (through SDL2_ttf) and
// keeps the font object, with its glyph cache, until the process ends. The design's
// "Tahoma" is DejaVu Sans, which covers Latin and Cyrillic; the file is found through
// fontconfig, else in the usual install folders.

#include "gui/font.h"

#include <memory>
#include <string>
#include <vector>

class cFontList : public cFontProvider {
public:
    // The process-wide list; initialises the font library on first use. Window thread.
    static cFontList& Instance();

    cFontObject* Font(const cFontSpec& description) override;

    // The font file used for a weight, empty when none was found.
    static std::string FontFile(bool bold);

private:
    cFontList();
    ~cFontList() override;

    bool ready_ = false;
    std::vector<std::unique_ptr<cFontObject>> fonts_;
};
