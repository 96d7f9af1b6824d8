#include "vfs/exfat/exfat_dir.h"

#include "base/bytes.h"

#include <algorithm>
#include <array>

namespace exfatdir {

namespace {

// One step of the format's sums: rotate right by one, add the byte. Done in int and cut
// back, so it never wraps.
std::uint16_t SumStep(std::uint16_t sum, std::uint8_t byte) {
    return std::uint16_t(((sum & 1) << 15) + (sum >> 1) + byte);
}

std::uint16_t SumBytes(std::uint16_t sum, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        sum = SumStep(sum, byte);
    }
    return sum;
}

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = unsigned(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + std::int64_t(dayOfEra) - 719468;
}

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    constexpr std::array<std::uint8_t, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1] + (month == 2 && IsLeapYear(year));
}

} // namespace

std::uint16_t SetChecksum(std::span<const std::uint8_t> set) {
    std::uint16_t sum = 0;
    for (std::size_t start = 0; start < set.size(); start += kEntrySize) {
        const auto entry = set.subspan(start, std::min(kEntrySize, set.size() - start));
        // A deleted set is summed as it was while live.
        sum = SumStep(sum, std::uint8_t(entry[0] | kInUse));
        if (start == 0) {
            // The file entry's own checksum field, bytes 2 and 3, is left out.
            sum = SumBytes(sum, entry.subspan(1, std::min<std::size_t>(1, entry.size() - 1)));
            sum = SumBytes(sum, entry.subspan(std::min<std::size_t>(4, entry.size())));
        } else {
            sum = SumBytes(sum, entry.subspan(1));
        }
    }
    return sum;
}

std::uint16_t NameHash(std::u16string_view name, std::span<const char16_t> upcase) {
    std::uint16_t hash = 0;
    for (const char16_t unit : name) {
        const char16_t upper = upcase[unit];
        hash = SumStep(SumStep(hash, std::uint8_t(upper & 0xFF)), std::uint8_t(upper >> 8));
    }
    return hash;
}

cFSTime FromTimestamp(std::uint32_t stamp, std::uint8_t tenMs, std::uint8_t utcOffset) {
    cFSTime local = fstime::FromFatDateTime(std::uint16_t(stamp >> 16), std::uint16_t(stamp));
    const bool offsetValid = (utcOffset & 0x80) != 0;
    // Fields out of range are shown as stored, as the FAT reader shows them.
    if (local.month < 1 || local.month > 12 || local.day < 1 || local.day > 31 || local.hour > 23 ||
        local.minute > 59 || local.second > 59) {
        return local;
    }
    const int steps = !offsetValid         ? 0
                      : (utcOffset & 0x40) ? int(utcOffset & 0x7F) - 128
                                           : int(utcOffset & 0x7F);
    const std::uint8_t extraSecond = std::min<std::uint8_t>(tenMs, 199) / 100;
    // Most stamps need no calendar arithmetic: no offset to take out, and the odd second
    // the 10 ms field may add lands on an even stored second.
    if (steps == 0 && local.day <= DaysInMonth(local.year, local.month)) {
        local.second = std::uint8_t(local.second + extraSecond);
        return local;
    }
    std::int64_t seconds = DaysFromCivil(local.year, local.month, local.day) * 86400 +
                           local.hour * 3600 + local.minute * 60 + local.second + extraSecond -
                           std::int64_t(steps) * 15 * 60;
    return fstime::FromUnixTime(seconds);
}

bool DecodeSet(std::span<const std::uint8_t> data, cEntrySet& set) {
    if (data.size() < 3 * kEntrySize) {
        return false;
    }
    const auto file = *bytes::Slice<kEntrySize>(data);
    const std::uint8_t live = file[0] & kInUse;
    if ((file[0] | kInUse) != kFile) {
        return false;
    }
    set.deleted = live == 0;
    set.entries = std::size_t(file[1]) + 1;
    if (set.entries < 3 || set.entries > kMaxSetEntries || set.entries * kEntrySize > data.size()) {
        return false;
    }
    const auto entryAt = [&](std::size_t index) {
        return data.subspan(index * kEntrySize).first<kEntrySize>();
    };
    // Secondaries carry bit 6; every one must share the file entry's in-use state.
    for (std::size_t i = 1; i < set.entries; ++i) {
        const std::uint8_t type = entryAt(i)[0];
        if ((type & 0x40) == 0 || (type & kInUse) != live) {
            return false;
        }
    }
    const auto stream = entryAt(1);
    if ((stream[0] | kInUse) != kStream) {
        return false;
    }
    const std::size_t nameLength = stream[3];
    const std::size_t nameEntries = (nameLength + kNameUnitsPerEntry - 1) / kNameUnitsPerEntry;
    if (nameLength == 0 || nameEntries > set.entries - 2) {
        return false;
    }
    set.name.resize(nameLength);
    for (std::size_t i = 0; i < nameEntries; ++i) {
        const auto entry = entryAt(2 + i);
        if ((entry[0] | kInUse) != kName) {
            return false;
        }
        const std::size_t units = std::min(kNameUnitsPerEntry, nameLength - i * kNameUnitsPerEntry);
        for (std::size_t unit = 0; unit < units; ++unit) {
            set.name[i * kNameUnitsPerEntry + unit] =
                char16_t(bytes::unchecked::Le16(entry.data() + 2 + 2 * unit));
        }
    }
    set.checksumOk = SetChecksum(data.first(set.entries * kEntrySize)) == bytes::Le16<2>(file);
    set.attributes = bytes::Le16<4>(file);
    set.folder = (set.attributes & kAttrDirectory) != 0;
    set.mtime = FromTimestamp(bytes::Le32<12>(file), file[21], file[23]);
    set.noFatChain = (stream[1] & kNoFatChain) != 0;
    set.nameHash = bytes::Le16<4>(stream);
    set.validLength = bytes::Le64<8>(stream);
    set.firstCluster = bytes::Le32<20>(stream);
    set.dataLength = bytes::Le64<24>(stream);
    return true;
}

} // namespace exfatdir
