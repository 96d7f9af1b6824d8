#include "scan/signatures/follow_formats.h"

#include <cstring>

namespace {
// Markers that stand alone, without a length: start of image, the restart markers, TEM.
bool StandsAlone(std::uint8_t code) {
    return code == 0xD8 || code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
} // namespace

void cJpegFollower::Restart() {
    state_ = eState::Marker;
    next_ = 0;
    markerStart_ = 0;
}

bool cJpegFollower::Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                         std::uint64_t before, std::uint32_t& endOffset) {
    unit = std::min(unit, limit);
    // Bytes before next_ were read or skipped; bytes of this unit before it lie inside a
    // segment.
    if (next_ < before) {
        return EndAt(markerStart_, before, endOffset);
    }
    if (next_ - before >= unit) {
        return false;
    }
    std::uint32_t i = std::uint32_t(next_ - before);
    while (i < unit) {
        const std::uint8_t byte = data[i];
        const std::uint64_t at = before + i;
        switch (state_) {
        case eState::Marker:
            if (byte != 0xFF) {
                return EndAt(at, before, endOffset);
            }
            markerStart_ = at;
            state_ = eState::Code;
            break;
        case eState::Code:
        case eState::EntropyCode:
            if (byte == 0xFF) {
                break; // a fill byte
            }
            if (state_ == eState::EntropyCode && (byte == 0x00 || (byte >= 0xD0 && byte <= 0xD7))) {
                state_ = eState::Entropy; // a stuffed byte or a restart marker
            } else if (byte == kEndOfImage) {
                return EndAt(at + 1, before, endOffset);
            } else if (StandsAlone(byte)) {
                state_ = eState::Marker;
            } else if (byte == 0x00) {
                return EndAt(markerStart_, before, endOffset);
            } else {
                code_ = byte;
                state_ = eState::LengthHigh;
            }
            break;
        case eState::LengthHigh:
            length_ = std::uint32_t(byte) << 8;
            state_ = eState::LengthLow;
            break;
        case eState::LengthLow:
            length_ |= byte;
            if (length_ < 2) {
                return EndAt(markerStart_, before, endOffset);
            }
            // The length counts its own two bytes, the first of which is at - 1.
            next_ = at - 1 + length_;
            state_ = code_ == kStartOfScan ? eState::Entropy : eState::Marker;
            if (next_ - before >= unit) {
                return false;
            }
            i = std::uint32_t(next_ - before);
            continue;
        case eState::Entropy: {
            const void* mark = std::memchr(data + i, 0xFF, unit - i);
            if (mark == nullptr) {
                i = unit;
                continue;
            }
            i = std::uint32_t(static_cast<const std::uint8_t*>(mark) - data);
            markerStart_ = before + i;
            state_ = eState::EntropyCode;
            break;
        }
        }
        ++i;
    }
    next_ = before + unit;
    return false;
}
