#include "vfs/exfat/exfat_dir.h"

#include "base/bytes.h"

#include <algorithm>
#include <array>

namespace exfatdir {

// Sixteen-bit sums are computed in int and cut back, so they never wrap.
std::uint16_t SetChecksum(std::span<const std::uint8_t> set) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (i == 2 || i == 3) {
            continue;
        }
        // A deleted set is summed as it was while live.
        const std::uint8_t byte = i % kEntrySize == 0 ? std::uint8_t(set[i] | kInUse) : set[i];
        sum = std::uint16_t(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + byte);
    }
    return sum;
}

std::uint16_t NameHash(std::u16string_view upcased) {
    std::uint16_t hash = 0;
    for (const char16_t unit : upcased) {
        for (const std::uint8_t byte : {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)}) {
            hash = std::uint16_t(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + byte);
        }
    }
    return hash;
}

namespace {

std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = unsigned(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + std::int64_t(dayOfEra) - 719468;
}

} // namespace

cFSTime FromTimestamp(std::uint32_t stamp, std::uint8_t tenMs, std::uint8_t utcOffset) {
    cFSTime local = fstime::FromFatDateTime(std::uint16_t(stamp >> 16), std::uint16_t(stamp));
    const bool offsetValid = (utcOffset & 0x80) != 0;
    // Fields out of range are shown as stored, as the FAT reader shows them.
    if (local.month < 1 || local.month > 12 || local.day < 1 || local.day > 31 || local.hour > 23 ||
        local.minute > 59 || local.second > 59) {
        return local;
    }
    std::int64_t seconds = DaysFromCivil(local.year, local.month, local.day) * 86400 +
                           local.hour * 3600 + local.minute * 60 + local.second +
                           std::min<std::uint8_t>(tenMs, 199) / 100;
    if (offsetValid) {
        // Seven-bit signed count of 15-minute steps east of UTC.
        const int steps = (utcOffset & 0x40) ? int(utcOffset & 0x7F) - 128 : int(utcOffset & 0x7F);
        seconds -= std::int64_t(steps) * 15 * 60;
    }
    return fstime::FromUnixTime(seconds);
}

std::optional<cEntrySet> DecodeSet(std::span<const std::uint8_t> data) {
    if (data.size() < 3 * kEntrySize) {
        return std::nullopt;
    }
    const auto file = *bytes::Slice<kEntrySize>(data);
    const std::uint8_t live = file[0] & kInUse;
    if ((file[0] | kInUse) != kFile) {
        return std::nullopt;
    }
    cEntrySet set;
    set.deleted = live == 0;
    set.entries = std::size_t(file[1]) + 1;
    if (set.entries < 3 || set.entries > kMaxSetEntries || set.entries * kEntrySize > data.size()) {
        return std::nullopt;
    }
    const auto entryAt = [&](std::size_t index) {
        return data.subspan(index * kEntrySize).first<kEntrySize>();
    };
    // Secondaries carry bit 6; every one must share the file entry's in-use state.
    for (std::size_t i = 1; i < set.entries; ++i) {
        const std::uint8_t type = entryAt(i)[0];
        if ((type & 0x40) == 0 || (type & kInUse) != live) {
            return std::nullopt;
        }
    }
    const auto stream = entryAt(1);
    if ((stream[0] | kInUse) != kStream) {
        return std::nullopt;
    }
    const std::size_t nameLength = stream[3];
    const std::size_t nameEntries = (nameLength + kNameUnitsPerEntry - 1) / kNameUnitsPerEntry;
    if (nameLength == 0 || nameEntries > set.entries - 2) {
        return std::nullopt;
    }
    set.name.reserve(nameLength);
    for (std::size_t i = 0; i < nameEntries; ++i) {
        const auto entry = entryAt(2 + i);
        if ((entry[0] | kInUse) != kName) {
            return std::nullopt;
        }
        for (std::size_t unit = 0; unit < kNameUnitsPerEntry && set.name.size() < nameLength;
             ++unit) {
            set.name.push_back(char16_t(*bytes::Le16At(entry, 2 + 2 * unit)));
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
    return set;
}

} // namespace exfatdir
