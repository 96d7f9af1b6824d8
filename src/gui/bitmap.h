#pragma once
// An in-memory 32-bit image (0xAARRGGBB, straight alpha, rows top to bottom): icons and
// pictures that elements copy onto a canvas.

#include "gui/color.h"
#include "gui/geometry.h"

#include <cstdint>
#include <vector>

class cBitmap {
public:
    cBitmap() = default;
    cBitmap(int width, int height, cColor fill = 0)
        : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0),
          pixels_(std::size_t(width_) * std::size_t(height_), fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    cSize Size() const { return {width_, height_}; }
    bool Empty() const { return pixels_.empty(); }
    cColor* Row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const cColor* Row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    cColor At(int x, int y) const { return Row(y)[x]; }
    std::vector<cColor>& Pixels() { return pixels_; }
    const std::vector<cColor>& Pixels() const { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<cColor> pixels_;
};
