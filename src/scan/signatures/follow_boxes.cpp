#include "base/bytes.h"
#include "base/checked.h"
#include "scan/signatures/follow_formats.h"

#include <algorithm>
#include <cstring>

namespace {

// The boxes that stand at the top level of the files made by cameras, phones, editors and
// streaming tools; whatever else follows the last box is not part of the file.
bool TopLevel(const std::uint8_t* type) {
    static constexpr std::array<char[5], 16> kTypes = {
        "ftyp", "moov", "mdat", "free", "skip", "wide", "uuid", "meta",
        "moof", "mfra", "sidx", "styp", "pdin", "pnot", "prft", "emsg"};
    return std::any_of(kTypes.begin(), kTypes.end(),
                       [type](const char* known) { return std::memcmp(type, known, 4) == 0; });
}

constexpr std::uint32_t kHeader = 8;
constexpr std::uint32_t kLargeHeader = 16;

} // namespace

void cBoxFollower::Restart() {
    next_ = 0;
    toEnd_ = false;
}

bool cBoxFollower::Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                        std::uint64_t before, std::uint32_t& endOffset) {
    unit = std::min(unit, limit);
    // Every box is 8 bytes at least, so this ends after unit / 8 boxes.
    while (!toEnd_ && next_ >= before && next_ - before < unit) {
        const auto at = std::uint32_t(next_ - before);
        const auto header = bytes::Slice<kLargeHeader>(bytes::Span(data, limit), at);
        if (!header || !TopLevel(header->data() + 4)) {
            return EndAt(next_, before, endOffset);
        }
        std::uint64_t size = bytes::Be32<0>(*header);
        if (size == 0) {
            toEnd_ = true;
            break;
        }
        if (size == 1) {
            size = bytes::Be64<kHeader>(*header);
            if (size < kLargeHeader) {
                return EndAt(next_, before, endOffset);
            }
        } else if (size < kHeader) {
            return EndAt(next_, before, endOffset);
        }
        next_ = checked::SaturatingAdd(next_, size);
    }
    return false;
}
