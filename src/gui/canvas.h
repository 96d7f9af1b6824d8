#pragma once
// The drawing surface elements paint on. Coordinates are relative to the origin, which
// the element tree moves to each element's top-left corner while painting; everything
// drawn is limited to the clip rectangle and, when one is selected, the clip region
// (both in surface coordinates).

#include "gui/bitmap.h"
#include "gui/color.h"
#include "gui/font.h"
#include "gui/geometry.h"

#include <cstdint>
#include <string_view>

class cCanvas {
public:
    virtual ~cCanvas() = default;

    // Placement.
    virtual cSize SurfaceSize() const = 0;
    virtual void SetOrigin(cPoint origin) = 0;
    virtual cPoint Origin() const = 0;
    virtual void SetClipRect(const cRect& surfaceRect) = 0;
    virtual cRect ClipRect() const = 0;

    // The clip region: rectangles added and removed (origin-relative), then selected.
    virtual void ClipRegionAdd(const cRect& rect) = 0;
    virtual void ClipRegionRemove(const cRect& rect) = 0;
    virtual void SelectClipRegion(bool selected) = 0;
    virtual void ClearClipRegion() = 0;
    // True when any part of the rectangle (origin-relative) would be drawn.
    virtual bool IsVisible(const cRect& rect) const = 0;

    // Shapes. Lines use the pen; round shapes are anti-aliased.
    virtual void SetPen(cColor color, float width = 1.0f) = 0;
    virtual void FillRect(const cRect& rect, cColor color) = 0;
    virtual void FrameRect(const cRect& rect, cColor color) = 0;
    virtual void FillRoundRect(const cRect& rect, int radius, cColor color) = 0;
    virtual void FrameRoundRect(const cRect& rect, int radius, cColor color) = 0;
    virtual void FillEllipse(const cRect& rect, cColor color) = 0;
    virtual void Line(float x0, float y0, float x1, float y1) = 0;

    // Bitmaps: the whole bitmap, or a part of it, blended with an extra opacity.
    virtual void DrawBitmap(const cBitmap& bitmap, cPoint at, std::uint8_t opacity = 255) = 0;
    virtual void DrawBitmapPart(const cBitmap& bitmap, const cRect& source, cPoint at) = 0;

    // Text: (x, y) is the top-left of the text line. A background colour with alpha 0
    // leaves what is below the text.
    virtual void SelectFont(const cFontSpec& description) = 0;
    virtual cFontObject* SelectedFont() const = 0;
    virtual void TextOut(int x, int y, std::u16string_view text, cColor color,
                         cColor background = 0) = 0;
    virtual void TextOut8(int x, int y, std::string_view text, cColor color,
                          cColor background = 0) = 0;
    virtual cSize MeasureText(std::u16string_view text) = 0;
    virtual cSize MeasureText8(std::string_view text) = 0;
    virtual std::size_t FitChars(std::u16string_view text, int width) = 0;
    virtual std::size_t FitChars8(std::string_view text, int width) = 0;

    // Shows what was drawn, when the canvas draws off screen; nothing otherwise.
    virtual void Present() = 0;
};
