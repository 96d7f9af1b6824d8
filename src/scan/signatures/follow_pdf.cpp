#include "scan/signatures/follow_formats.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMarker[] = "%%EOF";
constexpr std::uint32_t kMarkerBytes = 5;

// Whether a byte can begin an incremental update: an object number, "xref", a comment or
// the blank lines before them.
bool BeginsUpdate(std::uint8_t byte) {
    return (byte >= '0' && byte <= '9') || byte == 'x' || byte == '%' || byte == ' ' ||
           byte == '\r' || byte == '\n' || byte == '\t';
}

} // namespace

bool cPdfFollower::Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                        std::uint64_t before, std::uint32_t& endOffset) {
    unit = std::min(unit, limit);
    // A marker that begins in this unit may end in the look-ahead; its line end too.
    std::optional<std::uint32_t> end;
    for (std::uint32_t i = 0; i < unit && limit - i >= kMarkerBytes;) {
        const void* mark = std::memchr(data + i, '%', unit - i);
        if (mark == nullptr) {
            break;
        }
        i = std::uint32_t(static_cast<const std::uint8_t*>(mark) - data);
        if (limit - i >= kMarkerBytes && std::memcmp(data + i, kMarker, kMarkerBytes) == 0) {
            std::uint32_t after = i + kMarkerBytes;
            if (after < limit && data[after] == '\r') {
                ++after;
            }
            if (after < limit && data[after] == '\n') {
                ++after;
            }
            end = after;
        }
        ++i;
    }
    if (end) {
        settled_ = before + *end;
        // Nothing readable after it, or what follows cannot be an update: the file ends.
        if (*end >= limit || !BeginsUpdate(data[*end])) {
            return EndAt(*settled_, before, endOffset);
        }
        return false;
    }
    if (settled_ && before + unit - *settled_ >= kWindow) {
        return EndAt(*settled_, before, endOffset);
    }
    return false;
}
