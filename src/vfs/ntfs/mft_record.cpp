#include "vfs/ntfs/mft_record.h"

#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/update_sequence.h"

#include <cstring>

namespace ntfs {

// Record header: 0 "FILE", 4 update sequence offset, 6 its count, 8 LSN, 16 sequence
// number, 18 link count, 20 first attribute offset, 22 flags, 24 bytes in use,
// 28 bytes allocated, 32 base record reference, 40 next attribute id.
bool FixupRecord(std::span<std::uint8_t> record) {
    const std::size_t size = record.size();
    const auto header = bytes::Slice<48>(record);
    if (!header || std::memcmp(header->data(), "FILE", 4) != 0) {
        return false;
    }
    const std::uint32_t inUse = bytes::Le32<24>(*header);
    const std::uint32_t allocated = bytes::Le32<28>(*header);
    const std::uint32_t firstAttribute = bytes::Le16<20>(*header);
    if (inUse == 0 || inUse > allocated || allocated != size || firstAttribute >= size) {
        return false;
    }
    return ApplyUpdateSequence(record);
}

bool SameName(bytes::Span name, std::u16string_view wanted) {
    if (name.size() != 2 * wanted.size()) {
        return false;
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (bytes::Le16At(name, 2 * i) != std::uint16_t(wanted[i])) {
            return false;
        }
    }
    return true;
}

bool Attribute::HasName(std::u16string_view wanted) const {
    return SameName(name, wanted);
}

// Attribute header: 0 type, 4 length, 8 non-resident flag, 9 name length (units),
// 10 name offset, 12 flags, 14 instance. Resident: 16 value length, 20 value offset.
// Non-resident: 16 lowest VCN, 24 highest VCN, 32 mapping pairs offset, 34 compression
// unit, 40 allocated size, 48 real size, 56 initialized size, 64 compressed size.
std::optional<Attribute> ParseAttribute(bytes::Span record, std::size_t offset) {
    const auto head = bytes::Slice<16>(record, offset);
    if (!head) {
        return std::nullopt;
    }
    Attribute a;
    a.type = bytes::Le32<0>(*head);
    a.length = bytes::Le32<4>(*head);
    if (a.type == kEndOfAttributes || a.length < 24 ||
        !bytes::Fits(record.size(), offset, a.length)) {
        return std::nullopt;
    }
    a.offset = std::uint32_t(offset);
    a.nonResident = (*head)[8] != 0;
    a.flags = bytes::Le16<12>(*head);
    const bytes::Span raw = record.subspan(offset, a.length);
    const std::uint32_t nameBytes = 2u * (*head)[9];
    const std::uint32_t nameOffset = bytes::Le16<10>(*head);
    if (!bytes::Fits(raw.size(), nameOffset, nameBytes)) {
        return std::nullopt;
    }
    a.name = raw.subspan(nameOffset, nameBytes);
    if (!a.nonResident) {
        const bytes::Fixed<24> resident = raw.first<24>();
        const std::uint32_t valueLength = bytes::Le32<16>(resident);
        const std::uint32_t valueOffset = bytes::Le16<20>(resident);
        if (!bytes::Fits(raw.size(), valueOffset, valueLength)) {
            return std::nullopt;
        }
        a.value = raw.subspan(valueOffset, valueLength);
        return a;
    }
    const auto nonResident = bytes::Slice<64>(raw);
    if (!nonResident) {
        return std::nullopt;
    }
    const bytes::Fixed<64> n = *nonResident;
    a.lowestVcn = bytes::Le64<16>(n);
    a.highestVcn = bytes::Le64<24>(n);
    const std::uint32_t pairsOffset = bytes::Le16<32>(n);
    a.compressionUnit = n[34];
    a.allocatedSize = bytes::Le64<40>(n);
    a.realSize = bytes::Le64<48>(n);
    a.initializedSize = bytes::Le64<56>(n);
    if (pairsOffset > raw.size()) {
        return std::nullopt;
    }
    a.mappingPairs = raw.subspan(pairsOffset);
    return a;
}

AttributeWalker::AttributeWalker(bytes::Span record) : record_(record), offset_(0) {
    // A record too short for its header has no attributes to walk.
    offset_ = bytes::Le16At(record, 20).value_or(record.size());
}

std::optional<Attribute> AttributeWalker::Next() {
    std::optional<Attribute> a = ParseAttribute(record_, offset_);
    if (a) {
        offset_ += a->length; // length >= 24, so every walk ends
    } else {
        offset_ = record_.size();
    }
    return a;
}

std::optional<Attribute> FindAttribute(bytes::Span record, std::uint32_t type,
                                       std::u16string_view name,
                                       std::optional<std::uint64_t> lowestVcn) {
    for (AttributeWalker walker(record); auto a = walker.Next();) {
        if (a->type != type || !a->HasName(name)) {
            continue;
        }
        if (lowestVcn && (a->nonResident ? a->lowestVcn : 0) != *lowestVcn) {
            continue;
        }
        return a;
    }
    return std::nullopt;
}

} // namespace ntfs
