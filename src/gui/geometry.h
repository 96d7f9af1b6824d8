#pragma once
// Integer geometry of the element tree: positions are pixels, rectangles are relative to
// their parent element unless a function says otherwise.

#include <algorithm>

struct cPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const cPoint&, const cPoint&) = default;
};

struct cSize {
    int w = 0;
    int h = 0;
    friend bool operator==(const cSize&, const cSize&) = default;
};

struct cRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool Empty() const { return w <= 0 || h <= 0; }
    bool Contains(cPoint p) const {
        return p.x >= x && p.y >= y && p.x < Right() && p.y < Bottom();
    }
    cRect Offset(int dx, int dy) const { return {x + dx, y + dy, w, h}; }
    cRect Inset(int d) const { return {x + d, y + d, w - 2 * d, h - 2 * d}; }
    cRect Intersect(const cRect& o) const {
        const int l = std::max(x, o.x), t = std::max(y, o.y);
        const int r = std::min(Right(), o.Right()), b = std::min(Bottom(), o.Bottom());
        return r > l && b > t ? cRect{l, t, r - l, b - t} : cRect{l, t, 0, 0};
    }
    bool Intersects(const cRect& o) const { return !Intersect(o).Empty(); }
    cRect Union(const cRect& o) const {
        if (Empty()) {
            return o;
        }
        if (o.Empty()) {
            return *this;
        }
        const int l = std::min(x, o.x), t = std::min(y, o.y);
        return {l, t, std::max(Right(), o.Right()) - l, std::max(Bottom(), o.Bottom()) - t};
    }
    friend bool operator==(const cRect&, const cRect&) = default;
};
