#include "vfs/iso9660/rock_ridge.h"

namespace iso {

namespace {

// Continuation areas can point at each other; real discs chain a few at most.
constexpr int kMaxContinuations = 16;

bool Is(bytes::Span entry, char a, char b) {
    return entry[0] == std::uint8_t(a) && entry[1] == std::uint8_t(b);
}

} // namespace

std::optional<std::size_t> SharingProtocolSkip(bytes::Span rootSelfSystemUse) {
    const auto sp = bytes::Slice<7>(rootSelfSystemUse);
    if (!sp || !Is(*sp, 'S', 'P') || (*sp)[2] < 7 || (*sp)[4] != 0xBE || (*sp)[5] != 0xEF) {
        return std::nullopt;
    }
    return (*sp)[6];
}

cRockRidge ParseRockRidge(bytes::Span systemUse, std::size_t skip,
                          const ContinuationReader& continuation) {
    cRockRidge out;
    std::vector<std::uint8_t> area;
    bytes::Span data = skip <= systemUse.size() ? systemUse.subspan(skip) : bytes::Span();
    bool nameGoesOn = true;
    for (int hops = 0; hops <= kMaxContinuations; ++hops) {
        std::optional<std::uint32_t> next[3];
        // Entries: signature (2), length (1), version (1), then the data (SUSP 4.1).
        for (std::size_t at = 0; at + 4 <= data.size();) {
            const bytes::Span entry = data.subspan(at);
            const std::size_t length = entry[2];
            if (length < 4 || length > entry.size() || Is(entry, 'S', 'T')) {
                break;
            }
            const bytes::Span body = entry.subspan(4, length - 4);
            if (Is(entry, 'N', 'M') && !body.empty() && nameGoesOn) {
                // Flags: 1 the name goes on in the next NM; 2 and 4 stand for "." and "..".
                if ((body[0] & 0x06) == 0) {
                    out.name.emplace(out.name.value_or(std::string()));
                    out.name->append(body.begin() + 1, body.end());
                }
                nameGoesOn = body[0] & 0x01;
            } else if (Is(entry, 'P', 'X') && body.size() >= 4) {
                out.mode = bytes::Le32At(body, 0).value_or(0);
            } else if (Is(entry, 'C', 'L') && body.size() >= 4) {
                out.childLink = bytes::Le32At(body, 0).value_or(0);
            } else if (Is(entry, 'P', 'L') && body.size() >= 4) {
                out.parentLink = bytes::Le32At(body, 0).value_or(0);
            } else if (Is(entry, 'R', 'E')) {
                out.relocated = true;
            } else if (Is(entry, 'C', 'E') && body.size() >= 24) {
                next[0] = bytes::Le32At(body, 0).value_or(0);
                next[1] = bytes::Le32At(body, 8).value_or(0);
                next[2] = bytes::Le32At(body, 16).value_or(0);
            }
            at += length;
        }
        if (!next[0] || !continuation) {
            break;
        }
        area = continuation(*next[0], *next[1], *next[2]);
        data = area;
    }
    return out;
}

} // namespace iso
