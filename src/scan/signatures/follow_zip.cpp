#include "base/bytes.h"
#include "base/checked.h"
#include "scan/signatures/follow_formats.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kLocal[] = {'P', 'K', 3, 4};
constexpr std::uint8_t kCentral[] = {'P', 'K', 1, 2};
constexpr std::uint8_t kEnd[] = {'P', 'K', 5, 6};
constexpr std::uint8_t kEnd64[] = {'P', 'K', 6, 6};
constexpr std::uint8_t kLocator64[] = {'P', 'K', 6, 7};
// The longest fixed part of a record; the look-ahead always holds it.
constexpr std::uint32_t kLongestRecord = 56;
constexpr std::uint16_t kSizesAfterData = 0x0008;
constexpr std::uint32_t kSizeInZip64 = 0xFFFFFFFF;

bool Is(const std::uint8_t* at, const std::uint8_t (&signature)[4]) {
    return std::memcmp(at, signature, 4) == 0;
}
using Record = bytes::Fixed<kLongestRecord>;

} // namespace

void cZipFollower::Restart() {
    next_ = 0;
    lost_ = false;
    ending_ = false;
}

bool cZipFollower::Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                        std::uint64_t before, std::uint32_t& endOffset) {
    unit = std::min(unit, limit);
    if (lost_) {
        // The end record, its signature beginning in this unit.
        for (std::uint32_t i = 0; i < unit && limit - i >= kLongestRecord; ++i) {
            if (data[i] == 'P' && Is(data + i, kEnd)) {
                lost_ = false;
                next_ = before + i;
                break;
            }
        }
        if (lost_) {
            return false;
        }
    }
    // Every record is 20 bytes at least, so this ends after unit / 20 records.
    while (next_ >= before && next_ - before < unit) {
        const auto at = std::uint32_t(next_ - before);
        if (ending_) {
            return EndAt(next_, before, endOffset);
        }
        const auto fixed = bytes::Slice<kLongestRecord>(bytes::Span(data, limit), at);
        if (!fixed) {
            return EndAt(next_, before, endOffset);
        }
        const Record record = *fixed;
        const std::uint8_t* const start = record.data();
        std::uint64_t length = 0;
        if (Is(start, kLocal)) {
            const std::uint64_t packed = bytes::Le32<18>(record);
            if ((bytes::Le16<6>(record) & kSizesAfterData) != 0 || packed == kSizeInZip64) {
                lost_ = true;
                return false;
            }
            length = 30 + std::uint64_t(bytes::Le16<26>(record)) + bytes::Le16<28>(record) + packed;
        } else if (Is(start, kCentral)) {
            length = 46 + std::uint64_t(bytes::Le16<28>(record)) + bytes::Le16<30>(record) +
                     bytes::Le16<32>(record);
        } else if (Is(start, kEnd)) {
            length = 22 + std::uint64_t(bytes::Le16<20>(record));
            ending_ = true;
        } else if (Is(start, kEnd64)) {
            length = checked::SaturatingAdd(bytes::Le64<4>(record), std::uint64_t(12));
        } else if (Is(start, kLocator64)) {
            length = 20;
        } else {
            return EndAt(next_, before, endOffset);
        }
        next_ = checked::SaturatingAdd(next_, length);
    }
    if (ending_ && next_ - before == unit) {
        return EndAt(next_, before, endOffset);
    }
    return false;
}
