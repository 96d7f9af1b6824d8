#include "vfs/udf/udf_records.h"

#include "vfs/probes.h"

#include <algorithm>

namespace udf {
namespace {

constexpr std::uint32_t kTypeShift = 30;
constexpr std::uint32_t kLengthMask = (1u << kTypeShift) - 1;

// A 12-byte timestamp: the calendar fields as recorded, time zone left aside as on every
// other file system here.
cFSTime ParseTime(bytes::Fixed<12> stamp) {
    cFSTime time;
    const auto year = std::int16_t(bytes::Le16<2>(stamp));
    if (year <= 0) {
        return time;
    }
    time.year = std::uint16_t(year);
    time.month = stamp[4];
    time.day = stamp[5];
    time.hour = stamp[6];
    time.minute = stamp[7];
    time.second = stamp[8];
    return time;
}

cExtent LongAd(bytes::Fixed<16> ad) {
    return {bytes::Le32<0>(ad) & kLengthMask, bytes::Le32<4>(ad)};
}

} // namespace

std::optional<std::uint16_t> TagOf(bytes::Span descriptor) {
    std::uint16_t id = 0;
    if (!probe::UdfTagValid(descriptor, &id)) {
        return std::nullopt;
    }
    return id;
}

std::optional<cExtent> ParseAnchor(bytes::Span descriptor) {
    const auto anchor = bytes::Slice<24>(descriptor);
    if (!anchor || TagOf(descriptor) != tag::kAnchor) {
        return std::nullopt;
    }
    return cExtent{bytes::Le32<16>(*anchor), bytes::Le32<20>(*anchor)};
}

std::optional<std::uint16_t> TakeVolumeDescriptor(bytes::Span descriptor, cVolume& volume) {
    const std::optional<std::uint16_t> id = TagOf(descriptor);
    if (!id) {
        return std::nullopt;
    }
    if (*id == tag::kPrimaryVolume) {
        const auto pvd = bytes::Slice<56>(descriptor);
        if (!pvd) {
            return std::nullopt;
        }
        // A dstring: its last byte is the length used, compression byte included.
        const auto name = pvd->subspan<24, 32>();
        const std::size_t used = std::min<std::size_t>(name[31], 31);
        volume.volumeName = DecodeCs0(bytes::Span(name).first(used)).value_or(u"");
    } else if (*id == tag::kPartition) {
        const auto pd = bytes::Slice<196>(descriptor);
        if (!pd) {
            return std::nullopt;
        }
        volume.partitionStart = bytes::Le32<188>(*pd);
        volume.partitionLength = bytes::Le32<192>(*pd);
    } else if (*id == tag::kLogicalVolume) {
        const auto lvd = bytes::Slice<264>(descriptor);
        if (!lvd) {
            return std::nullopt;
        }
        volume.blockSize = bytes::Le32<212>(*lvd);
        volume.fileSet = LongAd(lvd->subspan<248, 16>());
    }
    return id;
}

std::optional<cExtent> ParseFileSet(bytes::Span descriptor) {
    const auto fsd = bytes::Slice<416>(descriptor);
    if (!fsd || TagOf(descriptor) != tag::kFileSet) {
        return std::nullopt;
    }
    return LongAd(fsd->subspan<400, 16>());
}

std::optional<std::u16string> DecodeCs0(bytes::Span text) {
    if (text.empty()) {
        return std::u16string();
    }
    std::u16string out;
    if (text[0] == 8) {
        for (std::size_t i = 1; i < text.size(); ++i) {
            out.push_back(char16_t(text[i]));
        }
        return out;
    }
    if (text[0] == 16) {
        for (std::size_t i = 1; i + 1 < text.size(); i += 2) {
            out.push_back(char16_t((text[i] << 8) | text[i + 1]));
        }
        return out;
    }
    return std::nullopt;
}

std::optional<cFileEntry> ParseFileEntry(bytes::Span block) {
    const std::optional<std::uint16_t> id = TagOf(block);
    cFileEntry entry;
    std::uint64_t eaLength = 0;
    std::uint64_t adLength = 0;
    std::uint64_t start = 0;
    if (id == tag::kFileEntry) {
        const auto fe = bytes::Slice<176>(block);
        if (!fe) {
            return std::nullopt;
        }
        entry.mtime = ParseTime(fe->subspan<84, 12>());
        eaLength = bytes::Le32<168>(*fe);
        adLength = bytes::Le32<172>(*fe);
        start = 176;
    } else if (id == tag::kExtendedFileEntry) {
        const auto efe = bytes::Slice<216>(block);
        if (!efe) {
            return std::nullopt;
        }
        entry.mtime = ParseTime(efe->subspan<92, 12>());
        eaLength = bytes::Le32<208>(*efe);
        adLength = bytes::Le32<212>(*efe);
        start = 216;
    } else {
        return std::nullopt;
    }
    // Both kinds share the ICB tag and the information length.
    const auto head = *bytes::Slice<64>(block);
    entry.fileType = head[27];
    entry.adType = std::uint8_t(bytes::Le16<34>(head) & 7);
    entry.size = bytes::Le64<56>(head);
    const std::uint64_t ads = start + eaLength;
    if (!bytes::Fits(block.size(), ads, adLength)) {
        return std::nullopt;
    }
    entry.adsOffset = std::uint32_t(ads);
    entry.adsLength = std::uint32_t(adLength);
    return entry;
}

std::uint32_t DescriptorBytes(std::uint8_t adType) {
    switch (adType) {
    case adtype::kShort:
        return 8;
    case adtype::kLong:
        return 16;
    case adtype::kExtended:
        return 20;
    default:
        return 0;
    }
}

std::optional<cAllocation> ParseAllocation(bytes::Span descriptor, std::uint8_t adType) {
    const std::uint32_t size = DescriptorBytes(adType);
    if (size == 0 || descriptor.size() < size) {
        return std::nullopt;
    }
    const std::uint32_t word = *bytes::Le32At(descriptor, 0);
    // The extended form keeps its location after three lengths.
    const std::uint32_t block = *bytes::Le32At(descriptor, adType == adtype::kExtended ? 12 : 4);
    return cAllocation{std::uint8_t(word >> kTypeShift), word & kLengthMask, block};
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> AllocationExtentArea(bytes::Span block) {
    const auto aed = bytes::Slice<24>(block);
    if (!aed || TagOf(block) != tag::kAllocationExtent) {
        return std::nullopt;
    }
    const std::uint64_t length = bytes::Le32<20>(*aed);
    return std::pair<std::uint32_t, std::uint32_t>(
        24, std::uint32_t(std::min<std::uint64_t>(length, block.size() - 24)));
}

std::optional<cFileIdentifier> ParseFileIdentifier(bytes::Span data) {
    const auto fid = bytes::Slice<38>(data);
    if (!fid || TagOf(data) != tag::kFileIdentifier) {
        return std::nullopt;
    }
    cFileIdentifier out;
    out.characteristics = (*fid)[18];
    const std::uint64_t nameLength = (*fid)[19];
    out.icb = LongAd(fid->subspan<20, 16>());
    const std::uint64_t nameStart = 38 + std::uint64_t(bytes::Le16<36>(*fid));
    const std::uint64_t end = nameStart + nameLength;
    const std::uint64_t padded = (end + 3) / 4 * 4;
    if (!bytes::Fits(data.size(), nameStart, nameLength)) {
        return std::nullopt;
    }
    out.name = data.subspan(nameStart, nameLength);
    // The last record of a folder may end without its padding.
    out.bytes = std::uint32_t(std::min<std::uint64_t>(padded, data.size()));
    return out;
}

} // namespace udf
