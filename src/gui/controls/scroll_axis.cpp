#include "gui/controls/scroll_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

void cScrollAxis::SetExtent(int content, int page) {
    content_ = std::max(0, content);
    page_ = std::max(0, page);
    SetPosition(position_);
}

bool cScrollAxis::SetPosition(int position) {
    const int clamped = std::clamp(position, 0, MaxPosition());
    if (clamped == position_) {
        return false;
    }
    position_ = clamped;
    return true;
}

std::pair<int, int> cScrollAxis::Thumb(int track) const {
    if (track <= 0 || !Needed()) {
        return {0, std::max(0, track)};
    }
    // 64-bit products: content heights of a few million pixels times a track of a
    // thousand overflow 32 bits.
    const int length =
        std::clamp(int(std::int64_t(track) * page_ / content_), std::min(kMinThumb, track), track);
    const int travel = track - length;
    const int offset = int(std::int64_t(travel) * position_ / MaxPosition());
    return {offset, length};
}

int cScrollAxis::PositionForThumb(int track, int thumbOffset) const {
    // A thumb that fills its track cannot be dragged anywhere: the view stays put.
    const int travel = track - Thumb(track).second;
    if (travel <= 0) {
        return position_;
    }
    const int offset = std::clamp(thumbOffset, 0, travel);
    // Rounded, so that dragging the thumb to the end of the track reaches the end.
    return int((std::int64_t(offset) * MaxPosition() + travel / 2) / travel);
}

int cScrollAxis::WheelDistance(int delta, int line) {
    constexpr double kNotch = 120, kLinesPerNotch = 3;
    if (delta == 0) {
        return 0;
    }
    // In double: delta and line both near the int limit overflow even 64 bits, and
    // products below 2^53, all real ones, stay exact.
    const double units = std::trunc(-double(delta) * kLinesPerNotch * line / kNotch);
    if (units == 0) {
        return delta > 0 ? -1 : 1;
    }
    return int(std::clamp<double>(units, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}
