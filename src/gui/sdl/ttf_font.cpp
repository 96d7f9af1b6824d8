#include "gui/sdl/ttf_font.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <algorithm>

std::unique_ptr<cWinFont> cWinFont::Open(const std::string& file, cFontSpec description) {
    // At SDL2_ttf's 72 dpi a point is a pixel, so the height is the em size in pixels.
    TTF_Font* font = TTF_OpenFont(file.c_str(), description.height);
    if (!font) {
        return nullptr;
    }
    TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    return std::unique_ptr<cWinFont>(new cWinFont(font, std::move(description)));
}

cWinFont::cWinFont(TTF_Font* font, cFontSpec description)
    : cFontObject(std::move(description)), font_(font), lineHeight_(TTF_FontHeight(font)),
      ascent_(TTF_FontAscent(font)) {}

cWinFont::~cWinFont() {
    TTF_CloseFont(font_);
}

cGlyph cWinFont::Rasterize(char32_t codePoint) {
    cGlyph glyph;
    int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
    if (TTF_GlyphMetrics32(font_, codePoint, &minx, &maxx, &miny, &maxy, &advance) != 0) {
        return glyph;
    }
    glyph.advance = advance;
    SDL_Surface* rendered =
        TTF_RenderGlyph32_Blended(font_, codePoint, SDL_Color{255, 255, 255, 255});
    if (!rendered) {
        return glyph;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) {
        return glyph;
    }
    // The rendered surface spans the text line; its left edge lies at the pen position, or
    // further left when the glyph reaches left of the pen. Keep only the inked box.
    const int origin = std::min(0, minx);
    int left = argb->w, right = -1, top = argb->h, bottom = -1;
    SDL_LockSurface(argb);
    auto alpha = [&](int x, int y) {
        const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(argb->pixels) +
                                                          y * argb->pitch);
        return std::uint8_t(row[x] >> 24);
    };
    for (int y = 0; y < argb->h; ++y) {
        for (int x = 0; x < argb->w; ++x) {
            if (alpha(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right >= 0) {
        glyph.left = origin + left;
        glyph.top = top;
        glyph.width = right - left + 1;
        glyph.height = bottom - top + 1;
        glyph.coverage.resize(std::size_t(glyph.width) * glyph.height);
        for (int y = 0; y < glyph.height; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                glyph.coverage[std::size_t(y) * glyph.width + x] = alpha(left + x, top + y);
            }
        }
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return glyph;
}
