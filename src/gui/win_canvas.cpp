#include "gui/win_canvas.h"

#include "gui/font.h"

#include <algorithm>
#include <cmath>

namespace {

unsigned CoverageByte(float coverage) {
    return coverage >= 1.0f ? 255u : coverage <= 0.0f ? 0u : unsigned(coverage * 255.0f + 0.5f);
}

// The parts of `rect` outside `hole`: at most four disjoint rectangles.
void Subtract(const cRect& rect, const cRect& hole, std::vector<cRect>& out) {
    const cRect cut = rect.Intersect(hole);
    if (cut.Empty()) {
        out.push_back(rect);
        return;
    }
    if (cut.y > rect.y) {
        out.push_back({rect.x, rect.y, rect.w, cut.y - rect.y});
    }
    if (cut.Bottom() < rect.Bottom()) {
        out.push_back({rect.x, cut.Bottom(), rect.w, rect.Bottom() - cut.Bottom()});
    }
    if (cut.x > rect.x) {
        out.push_back({rect.x, cut.y, cut.x - rect.x, cut.h});
    }
    if (cut.Right() < rect.Right()) {
        out.push_back({cut.Right(), cut.y, rect.Right() - cut.Right(), cut.h});
    }
}

float RoundRectCoverage(const cRect& r, float radius, float cx, float cy) {
    const float ccx = std::clamp(cx, r.x + radius, r.Right() - radius);
    const float ccy = std::clamp(cy, r.y + radius, r.Bottom() - radius);
    const float d = std::hypot(cx - ccx, cy - ccy);
    return std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
}

} // namespace

cWinCanvas::cWinCanvas(cColor* pixels, int width, int height, int stride, cFontProvider& fonts)
    : pixels_(pixels), width_(width), height_(height), stride_(stride),
      fonts_(fonts), clip_{0, 0, width, height} {}

void cWinCanvas::Retarget(cColor* pixels, int width, int height, int stride) {
    pixels_ = pixels;
    width_ = width;
    height_ = height;
    stride_ = stride;
    clip_ = {0, 0, width, height};
    region_.clear();
}

void cWinCanvas::SetClipRect(const cRect& surfaceRect) {
    clip_ = surfaceRect.Intersect({0, 0, width_, height_});
}

void cWinCanvas::ClipRegionAdd(const cRect& rect) {
    const cRect added = ToSurface(rect);
    if (added.Empty()) {
        return;
    }
    // Keep the region's rectangles disjoint so that nothing is drawn twice.
    std::vector<cRect> pieces{added};
    for (const cRect& existing : region_) {
        std::vector<cRect> rest;
        for (const cRect& piece : pieces) {
            Subtract(piece, existing, rest);
        }
        pieces.swap(rest);
    }
    region_.insert(region_.end(), pieces.begin(), pieces.end());
}

void cWinCanvas::ClipRegionRemove(const cRect& rect) {
    const cRect removed = ToSurface(rect);
    std::vector<cRect> rest;
    for (const cRect& existing : region_) {
        Subtract(existing, removed, rest);
    }
    region_.swap(rest);
}

bool cWinCanvas::IsVisible(const cRect& rect) const {
    bool visible = false;
    ForEachVisible(ToSurface(rect), [&](const cRect&) { visible = true; });
    return visible;
}

template <class Draw> void cWinCanvas::ForEachVisible(const cRect& surfaceRect, Draw draw) const {
    const cRect clipped = surfaceRect.Intersect(clip_);
    if (clipped.Empty()) {
        return;
    }
    if (!regionSelected_) {
        draw(clipped);
        return;
    }
    for (const cRect& piece : region_) {
        const cRect part = clipped.Intersect(piece);
        if (!part.Empty()) {
            draw(part);
        }
    }
}

template <class Coverage>
void cWinCanvas::FillCoverage(const cRect& surfaceRect, cColor color, Coverage coverage) {
    ForEachVisible(surfaceRect, [&](const cRect& part) {
        for (int y = part.y; y < part.Bottom(); ++y) {
            cColor* row = PixelAt(0, y);
            for (int x = part.x; x < part.Right(); ++x) {
                const unsigned c = CoverageByte(coverage(x + 0.5f, y + 0.5f));
                if (c) {
                    row[x] = BlendOver(row[x], color, c);
                }
            }
        }
    });
}

void cWinCanvas::SetPen(cColor color, float width) {
    penColor_ = color;
    penWidth_ = width > 0 ? width : 1.0f;
}

void cWinCanvas::FillRect(const cRect& rect, cColor color) {
    if (AlphaOf(color) == 0) {
        return;
    }
    ForEachVisible(ToSurface(rect), [&](const cRect& part) {
        for (int y = part.y; y < part.Bottom(); ++y) {
            cColor* row = PixelAt(part.x, y);
            if (AlphaOf(color) == 255) {
                std::fill_n(row, part.w, color);
            } else {
                for (int x = 0; x < part.w; ++x) {
                    row[x] = BlendOver(row[x], color);
                }
            }
        }
    });
}

void cWinCanvas::FrameRect(const cRect& r, cColor color) {
    if (r.Empty()) {
        return;
    }
    FillRect({r.x, r.y, r.w, 1}, color);
    if (r.h > 1) {
        FillRect({r.x, r.Bottom() - 1, r.w, 1}, color);
    }
    if (r.h > 2) {
        FillRect({r.x, r.y + 1, 1, r.h - 2}, color);
        if (r.w > 1) {
            FillRect({r.Right() - 1, r.y + 1, 1, r.h - 2}, color);
        }
    }
}

void cWinCanvas::FillRoundRect(const cRect& rect, int radius, cColor color) {
    radius = std::min({radius, rect.w / 2, rect.h / 2});
    if (radius <= 0) {
        return FillRect(rect, color);
    }
    // Straight parts are plain fills; only the four corner squares need coverage.
    const int r = radius;
    FillRect({rect.x, rect.y + r, rect.w, rect.h - 2 * r}, color);
    FillRect({rect.x + r, rect.y, rect.w - 2 * r, r}, color);
    FillRect({rect.x + r, rect.Bottom() - r, rect.w - 2 * r, r}, color);
    const cRect s = ToSurface(rect);
    auto corner = [&](float cx, float cy) { return RoundRectCoverage(s, float(r), cx, cy); };
    for (const cPoint at : {cPoint{s.x, s.y}, cPoint{s.Right() - r, s.y},
                            cPoint{s.x, s.Bottom() - r}, cPoint{s.Right() - r, s.Bottom() - r}}) {
        FillCoverage({at.x, at.y, r, r}, color, corner);
    }
}

void cWinCanvas::FrameRoundRect(const cRect& rect, int radius, cColor color) {
    radius = std::min({radius, rect.w / 2, rect.h / 2});
    if (radius <= 0) {
        return FrameRect(rect, color);
    }
    const int r = radius;
    const cRect s = ToSurface(rect);
    const cRect inner = s.Inset(1);
    auto ring = [&](float cx, float cy) {
        return RoundRectCoverage(s, float(r), cx, cy) -
               RoundRectCoverage(inner, float(r - 1), cx, cy);
    };
    for (const cPoint at : {cPoint{s.x, s.y}, cPoint{s.Right() - r, s.y},
                            cPoint{s.x, s.Bottom() - r}, cPoint{s.Right() - r, s.Bottom() - r}}) {
        FillCoverage({at.x, at.y, r, r}, color, ring);
    }
    FillRect({rect.x + r, rect.y, rect.w - 2 * r, 1}, color);
    FillRect({rect.x + r, rect.Bottom() - 1, rect.w - 2 * r, 1}, color);
    FillRect({rect.x, rect.y + r, 1, rect.h - 2 * r}, color);
    FillRect({rect.Right() - 1, rect.y + r, 1, rect.h - 2 * r}, color);
}

void cWinCanvas::FillEllipse(const cRect& rect, cColor color) {
    if (rect.Empty()) {
        return;
    }
    const cRect s = ToSurface(rect);
    const float rx = s.w / 2.0f, ry = s.h / 2.0f;
    const float mx = s.x + rx, my = s.y + ry, scale = std::min(rx, ry);
    FillCoverage(s, color, [&](float cx, float cy) {
        const float f = std::hypot((cx - mx) / rx, (cy - my) / ry);
        return 0.5f - (f - 1.0f) * scale;
    });
}

void cWinCanvas::Line(float x0, float y0, float x1, float y1) {
    const bool whole = x0 == std::floor(x0) && y0 == std::floor(y0) && x1 == std::floor(x1) &&
                       y1 == std::floor(y1);
    if (whole && penWidth_ == 1.0f && (x0 == x1 || y0 == y1)) {
        // Axis-aligned hairlines: the end point is not drawn, as with the platform's lines.
        const int l = int(std::min(x0, x1)), t = int(std::min(y0, y1));
        return FillRect(
            {l, t, std::max(1, int(std::fabs(x1 - x0))), std::max(1, int(std::fabs(y1 - y0)))},
            penColor_);
    }
    // Integer coordinates name pixel centres.
    const float ax = x0 + origin_.x + 0.5f, ay = y0 + origin_.y + 0.5f;
    const float bx = x1 + origin_.x + 0.5f, by = y1 + origin_.y + 0.5f;
    const float half = penWidth_ / 2.0f;
    const float dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
    const int l = int(std::floor(std::min(ax, bx) - half - 1)),
              t = int(std::floor(std::min(ay, by) - half - 1));
    const int r = int(std::ceil(std::max(ax, bx) + half + 1)),
              b = int(std::ceil(std::max(ay, by) + half + 1));
    FillCoverage({l, t, r - l, b - t}, penColor_, [&](float cx, float cy) {
        const float u =
            len2 > 0 ? std::clamp(((cx - ax) * dx + (cy - ay) * dy) / len2, 0.0f, 1.0f) : 0.0f;
        const float d = std::hypot(cx - (ax + u * dx), cy - (ay + u * dy));
        return half - d + 0.5f;
    });
}

void cWinCanvas::DrawBitmap(const cBitmap& bitmap, cPoint at, std::uint8_t opacity) {
    const cRect s = ToSurface({at.x, at.y, bitmap.Width(), bitmap.Height()});
    ForEachVisible(s, [&](const cRect& part) {
        for (int y = part.y; y < part.Bottom(); ++y) {
            const cColor* src = bitmap.Row(y - s.y) + (part.x - s.x);
            cColor* dst = PixelAt(part.x, y);
            for (int x = 0; x < part.w; ++x) {
                dst[x] = BlendOver(dst[x], src[x], opacity);
            }
        }
    });
}

void cWinCanvas::DrawBitmapPart(const cBitmap& bitmap, const cRect& source, cPoint at) {
    const cRect src = source.Intersect({0, 0, bitmap.Width(), bitmap.Height()});
    if (src.Empty()) {
        return;
    }
    const int shiftX = src.x - source.x, shiftY = src.y - source.y;
    const cRect s = ToSurface({at.x + shiftX, at.y + shiftY, src.w, src.h});
    ForEachVisible(s, [&](const cRect& part) {
        for (int y = part.y; y < part.Bottom(); ++y) {
            const cColor* from = bitmap.Row(src.y + y - s.y) + src.x + (part.x - s.x);
            cColor* dst = PixelAt(part.x, y);
            for (int x = 0; x < part.w; ++x) {
                dst[x] = BlendOver(dst[x], from[x]);
            }
        }
    });
}

void cWinCanvas::SelectFont(const cFontSpec& description) {
    if (!font_ || !(font_->Description() == description)) {
        font_ = fonts_.Font(description);
    }
}

void cWinCanvas::DrawGlyphRun(int x, int y, cColor color, cColor background, int width,
                              auto&& eachCodePoint) {
    if (!font_) {
        return;
    }
    const int sx = x + origin_.x, sy = y + origin_.y;
    if (AlphaOf(background)) {
        FillRect({x, y, width, font_->LineHeight()}, background);
    }
    const cRect line = cRect{sx, sy, width, font_->LineHeight()}.Intersect(clip_);
    if (line.Empty()) {
        return;
    }
    int pen = sx;
    eachCodePoint([&](char32_t codePoint) {
        const cGlyph& g = font_->Glyph(codePoint);
        const cRect box{pen + g.left, sy + g.top, g.width, g.height};
        pen += g.advance;
        if (g.coverage.empty()) {
            return;
        }
        ForEachVisible(box, [&](const cRect& part) {
            for (int row = part.y; row < part.Bottom(); ++row) {
                const std::uint8_t* mask =
                    g.coverage.data() + std::size_t(row - box.y) * g.width + (part.x - box.x);
                cColor* dst = PixelAt(part.x, row);
                for (int i = 0; i < part.w; ++i) {
                    if (mask[i]) {
                        dst[i] = BlendOver(dst[i], color, mask[i]);
                    }
                }
            }
        });
    });
    if (font_->Description().style & font_style::kUnderline) {
        FillRect({x, y + font_->Ascent() + 1, width, 1}, color);
    }
}

void cWinCanvas::TextOut(int x, int y, std::u16string_view text, cColor color, cColor background) {
    if (!font_) {
        return;
    }
    DrawGlyphRun(x, y, color, background, font_->MeasureText(text), [&](auto&& draw) {
        for (std::size_t i = 0; i < text.size();) {
            draw(utf16::Next(text, i));
        }
    });
}

void cWinCanvas::TextOut8(int x, int y, std::string_view text, cColor color, cColor background) {
    if (!font_) {
        return;
    }
    DrawGlyphRun(x, y, color, background, font_->MeasureText8(text), [&](auto&& draw) {
        for (unsigned char c : text) {
            draw(c);
        }
    });
}

cSize cWinCanvas::MeasureText(std::u16string_view text) {
    return font_ ? cSize{font_->MeasureText(text), font_->LineHeight()} : cSize{};
}

cSize cWinCanvas::MeasureText8(std::string_view text) {
    return font_ ? cSize{font_->MeasureText8(text), font_->LineHeight()} : cSize{};
}

std::size_t cWinCanvas::FitChars(std::u16string_view text, int width) {
    return font_ ? font_->FitChars(text, width) : 0;
}

std::size_t cWinCanvas::FitChars8(std::string_view text, int width) {
    return font_ ? font_->FitChars8(text, width) : 0;
}

cWOffscreenCanvas::cWOffscreenCanvas(int width, int height, cFontProvider& fonts,
                                     cPresenter presenter)
    : cWinCanvas(nullptr, 0, 0, 0, fonts), frame_(width, height, 0xFFFFFFFFu),
      presenter_(std::move(presenter)) {
    Retarget(frame_.Pixels().data(), frame_.Width(), frame_.Height(), frame_.Width());
}

void cWOffscreenCanvas::Present() {
    if (presenter_) {
        presenter_(frame_);
    }
}
