#include "io/containers/dmg_io.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/containers/dmg_plist.h"
#include "io/containers/inflate.h"

#include <algorithm>
#include <bzlib.h>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kChunkZeros = 0;
constexpr std::uint32_t kChunkStored = 1;
constexpr std::uint32_t kChunkIgnored = 2; // free space, read as zeros
constexpr std::uint32_t kChunkAdc = 0x80000004;
constexpr std::uint32_t kChunkZlib = 0x80000005;
constexpr std::uint32_t kChunkBzip2 = 0x80000006;
constexpr std::uint32_t kChunkLzfse = 0x80000007;
constexpr std::uint32_t kChunkLzma = 0x80000008;
constexpr std::uint32_t kChunkComment = 0x7FFFFFFE;
constexpr std::uint32_t kChunkEnd = 0xFFFFFFFF;

constexpr std::size_t kTableHeader = 204;
constexpr std::size_t kChunkEntry = 40;
// Writers make chunks of 2048 sectors or less; the buffers are sized by the largest.
constexpr std::uint64_t kMaxChunkSectors = 1u << 16;
// Block tables of the largest disks stay well below this.
constexpr std::uint64_t kMaxTablesBytes = 256u << 20;
constexpr std::uint64_t kMaxSectors = std::uint64_t(INT64_MAX) / kSectorSize;

bool Compressed(std::uint32_t type) {
    return type == kChunkZlib || type == kChunkBzip2;
}

bool Readable(std::uint32_t type) {
    return type == kChunkZeros || type == kChunkIgnored || type == kChunkStored || Compressed(type);
}

std::string CompressionName(std::uint32_t type) {
    switch (type) {
    case kChunkAdc:
        return "ADC";
    case kChunkLzfse:
        return "LZFSE";
    case kChunkLzma:
        return "LZMA";
    default: {
        char name[32];
        std::snprintf(name, sizeof name, "chunk type 0x%08X", type);
        return name;
    }
    }
}

} // namespace

std::unique_ptr<cContainerIO> cDmgIO::MakeEmpty() const {
    return std::make_unique<cDmgIO>();
}

void cDmgIO::CloseFormat() {
    dataFork_ = 0;
    chunks_.clear();
    unreadable_.clear();
    held_ = SIZE_MAX;
    sectors_.clear();
    packed_.clear();
}

bool cDmgIO::OpenFormat() {
    const std::uint64_t size = CarrierBytes();
    std::array<std::uint8_t, 512> trailer;
    if (size < trailer.size() ||
        !ReadCarrier(trailer.data(), size - trailer.size(), trailer.size()) ||
        std::memcmp(trailer.data(), "koly", 4) != 0) {
        return false;
    }
    dataFork_ = bytes::Be64<24>(trailer);
    const std::uint64_t forkOffset = bytes::Be64<40>(trailer);
    const std::uint64_t forkLength = bytes::Be64<48>(trailer);
    const std::uint64_t xmlOffset = bytes::Be64<216>(trailer);
    const std::uint64_t xmlLength = bytes::Be64<224>(trailer);
    bool read = forkOffset != 0 && forkLength != 0 && ReadResourceFork(forkOffset, forkLength);
    if (!read || chunks_.empty()) {
        chunks_.clear();
        read = xmlLength != 0 && ReadPropertyList(xmlOffset, xmlLength);
    }
    if (!read || chunks_.empty()) {
        return false;
    }
    std::stable_sort(chunks_.begin(), chunks_.end(),
                     [](const cChunk& a, const cChunk& b) { return a.first < b.first; });
    std::uint64_t largest = 0;
    for (const cChunk& chunk : chunks_) {
        sectorCount_ = std::max(sectorCount_, chunk.first + chunk.count);
        if (!Readable(chunk.type)) {
            const std::string name = CompressionName(chunk.type);
            if (std::find(unreadable_.begin(), unreadable_.end(), name) == unreadable_.end()) {
                unreadable_.push_back(name);
            }
        } else if (chunk.type != kChunkZeros && chunk.type != kChunkIgnored) {
            largest = std::max(largest, chunk.count);
        }
    }
    sectors_.resize(largest * kSectorSize);
    return true;
}

bool cDmgIO::ReadResourceFork(std::uint64_t offset, std::uint64_t length) {
    // The fork's header: where its data and its map begin, from the fork's start.
    std::array<std::uint8_t, 8> header;
    if (!ReadCarrier(header.data(), offset, header.size())) {
        return false;
    }
    const std::uint32_t dataStart = bytes::Be32<0>(header);
    const std::uint32_t mapStart = bytes::Be32<4>(header);
    if (dataStart != 256 || mapStart <= dataStart || mapStart > length ||
        mapStart - dataStart > kMaxTablesBytes || !bytes::Fits(CarrierBytes(), offset, mapStart)) {
        return false;
    }
    std::vector<std::uint8_t> data(mapStart - dataStart);
    if (!ReadCarrier(data.data(), offset + dataStart, std::uint32_t(data.size()))) {
        return false;
    }
    // Each resource is a length and its bytes; block tables begin with "mish".
    bytes::Cursor items(data);
    while (items.Remaining() >= 4) {
        const std::uint32_t itemLength = items.Be32();
        const bytes::Span item = items.Bytes(itemLength);
        if (!items.Ok() || itemLength == 0) {
            return false;
        }
        if (itemLength >= kTableHeader && std::memcmp(item.data(), "mish", 4) == 0 &&
            !AddTable(item)) {
            return false;
        }
    }
    return true;
}

bool cDmgIO::ReadPropertyList(std::uint64_t offset, std::uint64_t length) {
    if (length > kMaxTablesBytes || !bytes::Fits(CarrierBytes(), offset, length)) {
        return false;
    }
    std::vector<std::uint8_t> xml(length);
    if (!ReadCarrier(xml.data(), offset, std::uint32_t(length))) {
        return false;
    }
    const auto tables = dmg_plist::BlockTables(xml);
    if (!tables) {
        return false;
    }
    for (const std::vector<std::uint8_t>& table : *tables) {
        if (table.size() < kTableHeader || std::memcmp(table.data(), "mish", 4) != 0 ||
            !AddTable(table)) {
            return false;
        }
    }
    return true;
}

bool cDmgIO::AddTable(bytes::Span table) {
    bytes::Cursor head(table);
    head.Skip(8);
    const std::uint64_t tableFirst = head.Be64();
    head.Skip(kTableHeader - 4 - 16);
    const std::uint32_t declared = head.Be32();
    if (!head.Ok() || declared > (table.size() - kTableHeader) / kChunkEntry) {
        return false;
    }
    bytes::Cursor entries(table, kTableHeader);
    for (std::uint32_t i = 0; i < declared; ++i) {
        cChunk chunk;
        chunk.type = entries.Be32();
        entries.Skip(4); // comment
        const std::uint64_t first = entries.Be64();
        chunk.count = entries.Be64();
        const std::uint64_t offset = entries.Be64();
        chunk.length = entries.Be64();
        if (!entries.Ok()) {
            return false;
        }
        if (chunk.type == kChunkEnd) {
            break;
        }
        if (chunk.type == kChunkComment || chunk.count == 0) {
            continue;
        }
        const std::optional<std::uint64_t> at = checked::Add(tableFirst, first);
        const std::optional<std::uint64_t> end = at ? checked::Add(*at, chunk.count) : std::nullopt;
        const std::optional<std::uint64_t> data = checked::Add(dataFork_, offset);
        if (!end || *end > kMaxSectors || !data) {
            return false;
        }
        // Only chunks that hold their sectors in a buffer are bounded; zeros cost nothing.
        if (chunk.type != kChunkZeros && chunk.type != kChunkIgnored &&
            chunk.count > kMaxChunkSectors) {
            return false;
        }
        chunk.first = *at;
        chunk.offset = *data;
        chunks_.push_back(chunk);
    }
    return true;
}

bool cDmgIO::Load(std::size_t index) {
    if (held_ == index) {
        return true;
    }
    held_ = SIZE_MAX;
    const cChunk& chunk = chunks_[index];
    const std::uint64_t size = chunk.count * kSectorSize;
    if (chunk.type == kChunkStored) {
        if (size > sectors_.size() ||
            !ReadCarrier(sectors_.data(), chunk.offset, std::uint32_t(size))) {
            return false;
        }
        held_ = index;
        return true;
    }
    // Compressed data never grows much beyond what it holds; a longer claim is damage.
    if (chunk.length == 0 || chunk.length > size * 2 + 65536 || chunk.length > CarrierBytes()) {
        return false;
    }
    packed_.resize(chunk.length);
    if (!ReadCarrier(packed_.data(), chunk.offset, std::uint32_t(chunk.length))) {
        return false;
    }
    const std::span<std::uint8_t> out(sectors_.data(), size);
    if (chunk.type == kChunkZlib) {
        const std::optional<std::size_t> produced = InflateInto(packed_, out);
        if (!produced || *produced != size) {
            return false;
        }
    } else {
        unsigned produced = unsigned(size);
        if (BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &produced,
                                       reinterpret_cast<char*>(packed_.data()),
                                       unsigned(packed_.size()), 0, 0) != BZ_OK ||
            produced != size) {
            return false;
        }
    }
    held_ = index;
    return true;
}

cContainerIO::cPiece cDmgIO::Locate(std::uint64_t sector, std::uint32_t count, bool) {
    // The first chunk that ends beyond the sector.
    const auto found = std::upper_bound(
        chunks_.begin(), chunks_.end(), sector,
        [](std::uint64_t s, const cChunk& chunk) { return s < chunk.first + chunk.count; });
    if (found == chunks_.end()) {
        return Zeros(count);
    }
    if (found->first > sector) {
        // A gap no table covers reads as zeros, up to the next chunk.
        return Zeros(std::uint32_t(std::min<std::uint64_t>(count, found->first - sector)));
    }
    const std::uint32_t n =
        std::uint32_t(std::min<std::uint64_t>(count, found->first + found->count - sector));
    if (found->type == kChunkZeros || found->type == kChunkIgnored) {
        return Zeros(n);
    }
    if (!Readable(found->type) || !Load(std::size_t(found - chunks_.begin()))) {
        return Failed();
    }
    return Buffered(sectors_.data() + (sector - found->first) * kSectorSize, n);
}
