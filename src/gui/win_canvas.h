#pragma once
// The canvas of the library: draws in software into 32-bit 0xAARRGGBB pixels, so that a
// window and the headless host render exactly the same picture. cWinCanvas draws into
// pixels someone else owns (a window surface); cWOffscreenCanvas draws into its own
// bitmap and hands the finished frame to its presenter in one piece, which is what keeps
// windows from flickering.

#include "gui/canvas.h"

#include <functional>
#include <vector>

class cWinCanvas : public cCanvas {
public:
    // `stride` is the distance between rows in pixels.
    cWinCanvas(cColor* pixels, int width, int height, int stride, cFontProvider& fonts);

    cSize SurfaceSize() const override { return {width_, height_}; }
    void SetOrigin(cPoint origin) override { origin_ = origin; }
    cPoint Origin() const override { return origin_; }
    void SetClipRect(const cRect& surfaceRect) override;
    cRect ClipRect() const override { return clip_; }

    void ClipRegionAdd(const cRect& rect) override;
    void ClipRegionRemove(const cRect& rect) override;
    void SelectClipRegion(bool selected) override { regionSelected_ = selected; }
    void ClearClipRegion() override { region_.clear(); }
    bool IsVisible(const cRect& rect) const override;

    void SetPen(cColor color, float width) override;
    void FillRect(const cRect& rect, cColor color) override;
    void FrameRect(const cRect& rect, cColor color) override;
    void FillRoundRect(const cRect& rect, int radius, cColor color) override;
    void FrameRoundRect(const cRect& rect, int radius, cColor color) override;
    void FillEllipse(const cRect& rect, cColor color) override;
    void Line(float x0, float y0, float x1, float y1) override;

    void DrawBitmap(const cBitmap& bitmap, cPoint at, std::uint8_t opacity) override;
    void DrawBitmapPart(const cBitmap& bitmap, const cRect& source, cPoint at) override;

    void SelectFont(const cFontSpec& description) override;
    cFontObject* SelectedFont() const override { return font_; }
    void TextOut(int x, int y, std::u16string_view text, cColor color, cColor background) override;
    void TextOut8(int x, int y, std::string_view text, cColor color, cColor background) override;
    cSize MeasureText(std::u16string_view text) override;
    cSize MeasureText8(std::string_view text) override;
    std::size_t FitChars(std::u16string_view text, int width) override;
    std::size_t FitChars8(std::string_view text, int width) override;

    void Present() override {}

protected:
    // Re-points the canvas at other pixels of the same kind (a resized frame).
    void Retarget(cColor* pixels, int width, int height, int stride);

private:
    cColor* PixelAt(int x, int y) const { return pixels_ + std::ptrdiff_t(y) * stride_ + x; }
    cRect ToSurface(const cRect& r) const { return r.Offset(origin_.x, origin_.y); }
    // Calls `draw(piece)` for each part of `surface_rect` inside the clip (and region).
    template <class Draw> void ForEachVisible(const cRect& surfaceRect, Draw draw) const;
    // Blends `color` over every pixel of `surface_rect` with a coverage in 0..1 from
    // `coverage(x + 0.5, y + 0.5)`.
    template <class Coverage>
    void FillCoverage(const cRect& surfaceRect, cColor color, Coverage coverage);
    void DrawGlyphRun(int x, int y, cColor color, cColor background, int width,
                      auto&& eachCodePoint);

    cColor* pixels_;
    int width_;
    int height_;
    int stride_;
    cFontProvider& fonts_;
    cFontObject* font_ = nullptr;
    cPoint origin_;
    cRect clip_;
    std::vector<cRect> region_; // disjoint, surface coordinates
    bool regionSelected_ = false;
    cColor penColor_ = 0xFF000000u;
    float penWidth_ = 1.0f;
};

class cWOffscreenCanvas : public cWinCanvas {
public:
    using cPresenter = std::function<void(const cBitmap& frame)>;
    cWOffscreenCanvas(int width, int height, cFontProvider& fonts, cPresenter presenter);

    const cBitmap& Frame() const { return frame_; }
    void Present() override;

private:
    cBitmap frame_;
    cPresenter presenter_;
};
