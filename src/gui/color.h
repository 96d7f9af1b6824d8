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
// Over a see-through pixel (an icon being drawn) the destination's colour counts only as
// much as its alpha, or soft edges would darken towards its black.
inline cColor BlendOver(cColor dst, cColor src, unsigned coverage = 255) {
    const unsigned a = (AlphaOf(src) * coverage + 127) / 255;
    if (a == 0) {
        return dst;
    }
    if (a == 255) {
        return src | 0xFF000000u;
    }
    const unsigned na = 255 - a;
    const unsigned da = AlphaOf(dst);
    if (da == 255) { // every window pixel: a division the compiler turns into a multiply
        auto mix = [&](int shift) {
            const unsigned s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
            return ((s * a + d * na + 127) / 255) << shift;
        };
        return 0xFF000000u | mix(16) | mix(8) | mix(0);
    }
    const unsigned kept = (da * na + 127) / 255; // the destination's share of the result
    const unsigned outA = a + kept;
    auto mix = [&](int shift) {
        const unsigned s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        return ((s * a + d * kept + outA / 2) / outA) << shift;
    };
    return (cColor(outA) << 24) | mix(16) | mix(8) | mix(0);
}
