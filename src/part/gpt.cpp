#include "part/gpt.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/base_io.h"
#include "part/map_io.h"
#include "part/parse_order.h"
#include "part/part_tree.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Header fields (UEFI 2.x, "GPT Header"); the CRCs, revision, header size and the backup
// header are not used.
constexpr std::size_t kMyLba = 0x18;
constexpr std::size_t kEntryArrayLba = 0x48;
constexpr std::size_t kEntryCount = 0x50;
constexpr std::size_t kEntrySizeField = 0x54;
constexpr std::uint32_t kEntrySize = 128;
// Entry fields.
constexpr std::size_t kFirstLba = 0x20;
constexpr std::size_t kLastLba = 0x28;
// Real tables hold 128 entries, a few tools allow some thousands; the cap bounds the
// array allocated for a header that claims billions.
constexpr std::uint32_t kMaxEntries = 16384;

using Guid = std::array<std::uint8_t, 16>;

constexpr std::uint8_t HexDigit(char c) {
    return std::uint8_t(c <= '9' ? c - '0' : c - 'A' + 10);
}

// The on-disk bytes of a GUID written in its usual text form: the first three groups are
// stored little-endian, the last two as written.
constexpr Guid GuidBytes(const char (&text)[37]) {
    constexpr int kTextOrder[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
    Guid guid{};
    for (int i = 0; i < 16; ++i) {
        guid[i] =
            std::uint8_t(HexDigit(text[kTextOrder[i]]) << 4 | HexDigit(text[kTextOrder[i] + 1]));
    }
    return guid;
}

struct GptType {
    Guid guid;
    std::uint16_t code;
};

// Searched in this order; the first equal GUID wins.
constexpr GptType kGptTypes[] = {
    {GuidBytes("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"), part_type::kEfiSystem},
    {GuidBytes("024DEE41-33E7-11D3-9D69-0008C781F39F"), part_type::kMbrOnGpt},
    {GuidBytes("516E7CB4-6ECF-11D6-8FF8-00022D09712B"), part_type::kBsdSlice},
    {GuidBytes("516E7CB5-6ECF-11D6-8FF8-00022D09712B"), part_type::kBsdSwapOnGpt},
    {GuidBytes("516E7CB6-6ECF-11D6-8FF8-00022D09712B"), part_type::kUfs},
    {GuidBytes("E3C9E316-0B5C-4DB8-817D-F92DF00215AE"), part_type::kGptMsReserved},
    {GuidBytes("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"), part_type::kGptBasic},
    {GuidBytes("5808C8AA-7E8F-42E0-85D2-E1E90434CFB3"), part_type::kLdmMetadataOnGpt},
    {GuidBytes("AF9B60A0-1431-4F62-BC68-3311714A69AD"), part_type::kLdmLink},
    {GuidBytes("A19D880F-05FC-4D3B-A006-743F0F84911E"), part_type::kLinuxRaid},
    {GuidBytes("0657FD6D-A4AB-43C4-84E5-0933C84B4F4F"), part_type::kLinuxSwap},
    {GuidBytes("E6D6D379-F507-44C2-A23C-238F2A3DF928"), part_type::kLinuxLvm},
};
static_assert(GuidBytes("C12A7328-F81F-11D2-BA4B-00A0C93EC93B")[0] == 0x28);

// The header's fields, when the sector holds one.
struct Header {
    std::uint64_t myLba;
    std::uint64_t arrayLba;
    std::uint32_t entryCount;
};

std::optional<Header> HeaderOf(const part::Sector& sector) {
    if (!part::HasText(sector, 0, "EFI PART") ||
        bytes::Le32<kEntrySizeField>(sector) != kEntrySize) {
        return std::nullopt;
    }
    return Header{bytes::Le64<kMyLba>(sector), bytes::Le64<kEntryArrayLba>(sector),
                  bytes::Le32<kEntryCount>(sector)};
}

// Where an entry's partition lies relative to the header, in 512-byte sectors when a
// logical block holds block of them; nothing for an entry that ends before it starts,
// lies before the header, or whose arithmetic would wrap.
struct Extent {
    std::uint64_t offset;
    std::uint64_t length;
};

std::optional<Extent> ExtentOf(bytes::Fixed<kEntrySize> entry, std::uint64_t myLba,
                               std::uint64_t block) {
    const std::uint64_t first = bytes::Le64<kFirstLba>(entry);
    const std::uint64_t last = bytes::Le64<kLastLba>(entry);
    const auto offset = checked::Sub(first, myLba);
    const auto span = checked::Sub(last, first);
    const auto blocks = span ? checked::Add<std::uint64_t>(*span, 1) : std::nullopt;
    const auto offsetSectors = offset ? checked::Mul(*offset, block) : std::nullopt;
    const auto lengthSectors = blocks ? checked::Mul(*blocks, block) : std::nullopt;
    if (!offsetSectors || !lengthSectors) {
        return std::nullopt;
    }
    return Extent{*offsetSectors, *lengthSectors};
}

} // namespace

std::uint16_t GptTypeCode(bytes::Fixed<16> typeGuid) {
    for (const GptType& type : kGptTypes) {
        if (std::equal(type.guid.begin(), type.guid.end(), typeGuid.begin())) {
            return type.code;
        }
    }
    return part_type::kUnknown;
}

bool IsGptHeaderAt(cBaseIO& storage, std::uint64_t sector) {
    const std::optional<part::Sector> read = part::ReadSector(&storage, sector);
    return read && HeaderOf(*read);
}

bool cGPTPartParser::Probe(cPartTreeItem& node) {
    const std::optional<part::Sector> sector = part::ReadSector(node.Storage(), node.Start());
    return sector && HeaderOf(*sector);
}

bool cGPTPartParser::Parse(cPartTreeItem& node) {
    const std::optional<part::Sector> headerSector = part::ReadSector(node.Storage(), node.Start());
    const std::optional<Header> header = headerSector ? HeaderOf(*headerSector) : std::nullopt;
    if (!header || header->entryCount > kMaxEntries || header->arrayLba < header->myLba) {
        return false;
    }
    // The array must lie on the storage before a buffer is made for it. LBAs count
    // logical blocks of the disk, read here as whole 512-byte sectors.
    const std::uint64_t block = part::BlockSectors(node);
    const std::uint32_t arraySectors =
        (header->entryCount * kEntrySize + kSectorSize - 1) / kSectorSize;
    const std::uint64_t sectors = node.Storage()->GetSectorCount();
    const std::uint64_t relative =
        checked::Mul(header->arrayLba - header->myLba, block).value_or(UINT64_MAX);
    if (relative > sectors || node.Start() > sectors - relative ||
        arraySectors > sectors - relative - node.Start()) {
        return false;
    }
    std::vector<std::uint8_t> array;
    if (arraySectors > 0 &&
        !part::ReadSectors(node.Storage(), node.Start() + relative, arraySectors, array)) {
        return false;
    }
    bytes::Cursor entries(array);
    for (std::uint32_t i = 0; i < header->entryCount; ++i) {
        const bytes::Fixed<kEntrySize> entry = entries.Next<kEntrySize>();
        if (!entries.Ok()) {
            break;
        }
        const bytes::Fixed<16> typeGuid = entry.first<16>();
        if (std::all_of(typeGuid.begin(), typeGuid.end(), [](std::uint8_t b) { return b == 0; })) {
            continue;
        }
        const std::optional<Extent> extent = ExtentOf(entry, header->myLba, block);
        const auto start = extent ? checked::Add(node.Start(), extent->offset) : std::nullopt;
        if (!start) {
            continue;
        }
        cPartTreeItem* child =
            part::AddPartition(node, *start, extent->length, GptTypeCode(typeGuid));
        if (child == nullptr) {
            break;
        }
        NestedParse(*child);
    }
    array.insert(array.end(), headerSector->begin(), headerSector->end());
    node.AttachExtension(std::make_unique<cPartLegacyData>(std::move(array)));
    return true;
}
