#include "part/apple.h"

#include "base/bytes.h"
#include "base/utf.h"
#include "io/base_io.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Driver descriptor block: signature "ER", block size (u16 at 2).
constexpr std::size_t kBlockSize = 2;
// Map entry ("Inside Macintosh: Devices", partition map entry): signature at 0, map
// block count at 4, first block at 8, block count at 12, name at 16, type at 48.
constexpr std::size_t kMapBlockCount = 4;
constexpr std::size_t kFirstBlock = 8;
constexpr std::size_t kPartBlockCount = 12;
constexpr std::size_t kName = 16;
constexpr std::size_t kType = 48;
constexpr std::size_t kTextField = 32;
// The part of an entry the parser reads.
constexpr std::size_t kEntryBytes = kType + kTextField;
using Entry = bytes::Fixed<kEntryBytes>;
// Maps made by the tools hold 63 entries or fewer; a hostile count must not make the
// parser read (and keep) more than a few MiB of map.
constexpr std::uint32_t kMaxEntries = 1024;
constexpr std::uint64_t kMaxMapBytes = 4 * 1024 * 1024;

struct AppleType {
    std::string_view name;
    std::uint16_t code;
};

constexpr AppleType kAppleTypes[] = {
    {"Apple_partition_map", part_type::kApplePartitionMap},
    {"Apple_Driver", part_type::kAppleDriver},
    {"Apple_Driver43", part_type::kAppleDriver43},
    {"Apple_MFS", part_type::kAppleMfs},
    {"Apple_HFS", part_type::kAppleHfs},
    {"Apple_Unix_SVR2", part_type::kAppleUnix},
    {"Apple_PRODOS", part_type::kAppleProDos},
    {"Apple_Free", part_type::kAppleFree},
    {"Apple_Scratch", part_type::kAppleScratch},
    {"Apple_HFSX", part_type::kAppleHfsx},
    {"Apple_UFS", part_type::kUfs},
    {"Linux", part_type::kLinuxNative},
};

// A NUL-padded text field of a map entry.
std::string_view TextField(bytes::Fixed<kTextField> field) {
    const char* text = reinterpret_cast<const char*>(field.data());
    return std::string_view(text, std::find(text, text + kTextField, '\0') - text);
}

// The entry at offset of blocks when one starts there.
std::optional<Entry> MapEntryAt(bytes::Span blocks, std::size_t offset) {
    const std::optional<Entry> entry = bytes::Slice<kEntryBytes>(blocks, offset);
    if (!entry || !(part::HasText(*entry, 0, "PM") || part::HasText(*entry, 0, "TS"))) {
        return std::nullopt;
    }
    return entry;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The block size in sectors when sector 0 of block is a driver descriptor and block 1
// the map's own entry; 0 otherwise.
std::uint32_t ReadMapStart(cPartTreeItem& node, std::vector<std::uint8_t>& blocks) {
    const std::optional<part::Sector> ddb = part::ReadSector(node.Storage(), node.Start());
    if (!ddb || !part::HasText(*ddb, 0, "ER")) {
        return 0;
    }
    const std::uint16_t blockSize = bytes::Be16<kBlockSize>(*ddb);
    if (blockSize == 0 || blockSize % kSectorSize != 0) {
        return 0;
    }
    // Both blocks whole, so that the saved bytes are an exact image of the map's sectors.
    const std::uint32_t blockSectors = blockSize / kSectorSize;
    if (!part::ReadSectors(node.Storage(), node.Start(), 2 * blockSectors, blocks)) {
        return 0;
    }
    const std::optional<Entry> first = MapEntryAt(blocks, blockSize);
    if (!first ||
        !EqualNoCase(TextField(first->subspan<kType, kTextField>()), "Apple_partition_map")) {
        return 0;
    }
    return blockSectors;
}

} // namespace

std::uint16_t AppleTypeCode(std::string_view typeName) {
    for (const AppleType& type : kAppleTypes) {
        if (EqualNoCase(type.name, typeName)) {
            return type.code;
        }
    }
    return part_type::kUnknown;
}

bool cApplePartParser::Probe(cPartTreeItem& node) {
    std::vector<std::uint8_t> blocks;
    return ReadMapStart(node, blocks) != 0;
}

bool cApplePartParser::Parse(cPartTreeItem& node) {
    node_ = &node;
    std::vector<std::uint8_t> blocks;
    const std::uint32_t blockSectors = ReadMapStart(node, blocks);
    if (blockSectors == 0) {
        return false;
    }
    const std::size_t blockSize = std::size_t(blockSectors) * kSectorSize;
    // The map's own entry counts the map's blocks; more than fit on the storage (or more
    // than any real map) is cut so that what does fit is still listed.
    const std::optional<Entry> own = MapEntryAt(blocks, blockSize);
    if (!own) {
        return false;
    }
    std::uint32_t entries = std::min(bytes::Be32<kMapBlockCount>(*own), kMaxEntries);
    entries = std::uint32_t(std::min<std::uint64_t>(entries, kMaxMapBytes / blockSize));
    const std::uint64_t sectors = node.Storage()->GetSectorCount();
    const std::uint64_t mapEnd = node.Start() + 2 * std::uint64_t(blockSectors);
    const std::uint64_t fitting = mapEnd <= sectors ? (sectors - mapEnd) / blockSectors + 1 : 1;
    entries = std::uint32_t(std::min<std::uint64_t>(entries, fitting));
    if (entries > 1) {
        std::vector<std::uint8_t> more;
        if (!part::ReadSectors(node.Storage(), mapEnd, (entries - 1) * blockSectors, more)) {
            return false;
        }
        blocks.insert(blocks.end(), more.begin(), more.end());
    }
    for (std::uint32_t i = 0; i < std::max(entries, 1u); ++i) {
        const std::optional<Entry> entry = MapEntryAt(blocks, blockSize * (i + 1));
        if (!entry) {
            break;
        }
        const std::uint16_t type = AppleTypeCode(TextField(entry->subspan<kType, kTextField>()));
        // The map is only looked for at the storage's start, block numbers are 32-bit and a
        // block is at most 64 KiB, so these cannot wrap.
        const std::uint64_t start =
            node.Start() + std::uint64_t(bytes::Be32<kFirstBlock>(*entry)) * blockSectors;
        const std::uint64_t length =
            std::uint64_t(bytes::Be32<kPartBlockCount>(*entry)) * blockSectors;
        if (length == 0) {
            continue;
        }
        cPartTreeItem* child = part::AddPartition(node, start, length, type);
        if (child == nullptr) {
            break;
        }
        const std::string_view name = TextField(entry->subspan<kName, kTextField>());
        if (!name.empty()) {
            child->SetTypeName(utf::FromUtf8(name) + u" (" + child->TypeName() + u")");
        }
    }
    node.AttachExtension(std::make_unique<cPartLegacyData>(std::move(blocks)));
    return true;
}

bool cApplePartParser::WriteMap(cBaseIO* target) {
    if (node_ == nullptr || target == nullptr || target->IsReadOnly()) {
        return false;
    }
    const auto* saved = node_->FindExtensionAs<cPartLegacyData>(part_ext::kLegacyData);
    if (saved == nullptr || saved->Bytes().empty()) {
        return false;
    }
    const std::uint32_t count = std::uint32_t(saved->Bytes().size() / kSectorSize);
    return target->WriteSectors(node_->Start(), saved->Bytes().data(), count) == count;
}
