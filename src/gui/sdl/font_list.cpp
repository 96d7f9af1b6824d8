#include "gui/sdl/font_list.h"

#include "gui/sdl/ttf_font.h"

#include <SDL_ttf.h>
#include <array>
#include <filesystem>
#include <fontconfig/fontconfig.h>

namespace {

constexpr const char* kFamily = "DejaVu Sans";

std::string FontconfigFile(bool bold) {
    std::string file;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        return file;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* family = nullptr;
        FcChar8* path = nullptr;
        // fontconfig always answers with something; only the family asked for will do.
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
            std::string_view(reinterpret_cast<const char*>(family)) == kFamily &&
            FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
            file = reinterpret_cast<const char*>(path);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

} // namespace

std::string cFontList::FontFile(bool bold) {
    std::string file = FontconfigFile(bold);
    if (!file.empty()) {
        return file;
    }
    static constexpr std::array<const char*, 3> kFolders = {
        "/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/TTF/", "/usr/share/fonts/dejavu/"};
    const char* name = bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
    for (const char* folder : kFolders) {
        std::error_code error;
        if (std::filesystem::exists(std::string(folder) + name, error)) {
            return std::string(folder) + name;
        }
    }
    return {};
}

cFontList& cFontList::Instance() {
    static cFontList list;
    return list;
}

cFontList::cFontList() : ready_(TTF_Init() == 0) {}

cFontList::~cFontList() {
    fonts_.clear();
    if (ready_) {
        TTF_Quit();
    }
    // fontconfig keeps its configuration for the process; hand it back so that leak
    // checkers see a clean exit.
    FcFini();
}

cFontObject* cFontList::Font(const cFontSpec& description) {
    for (const auto& font : fonts_) {
        if (font->Description() == description) {
            return font.get();
        }
    }
    if (!ready_) {
        return nullptr;
    }
    // Every face is drawn with DejaVu Sans; bold gets the real bold face, and underline is
    // drawn by the canvas, so only the weight chooses the file.
    auto font = cWinFont::Open(FontFile(description.style & font_style::kBold), description);
    if (!font) {
        return nullptr;
    }
    fonts_.push_back(std::move(font));
    return fonts_.back().get();
}
