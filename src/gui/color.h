#pragma once
// Colours are 32-bit 0xAARRGGBB values, the pixel format of every canvas surface.

#include <cstdint>

using cColor = std::uint32_t;

constexpr cColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return 0xFF000000u | (cColor(r) << 16) | (cColor(g) << 8) | b;
}
constexpr cColor WithAlpha(cColor c, std::uint8_t a) {
    return (c & 0x00FFFFFFu) | (cColor(a) << 24);
}
constexpr std::uint8_t AlphaOf(cColor c) {
    return std::uint8_t(c >> 24);
}

// Straight-alpha "source over" of one pixel; `coverage` (0..255) scales the source alpha.
inline cColor BlendOver(cColor dst, cColor src, unsigned coverage = 255) {
    const unsigned a = (AlphaOf(src) * coverage + 127) / 255;
    if (a == 0)
        return dst;
    if (a == 255)
        return src | 0xFF000000u;
    const unsigned na = 255 - a;
    auto mix = [&](int shift) {
        const unsigned s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        return ((s * a + d * na + 127) / 255) << shift;
    };
    const unsigned da = AlphaOf(dst);
    const unsigned outA = a + (da * na + 127) / 255;
    return (cColor(outA) << 24) | mix(16) | mix(8) | mix(0);
}
