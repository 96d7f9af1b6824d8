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
    if (size < 48 || std::memcmp(record.data(), "FILE", 4) != 0) {
        return false;
    }
    const std::uint32_t inUse = bytes::unchecked::Le32(&record[24]);
    const std::uint32_t allocated = bytes::unchecked::Le32(&record[28]);
    const std::uint32_t firstAttribute = bytes::unchecked::Le16(&record[20]);
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
        if (bytes::unchecked::Le16(&name[2 * i]) != std::uint16_t(wanted[i])) {
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
    if (!bytes::Fits(record.size(), offset, 16)) {
        return std::nullopt;
    }
    const std::uint8_t* h = &record[offset];
    Attribute a;
    a.type = bytes::unchecked::Le32(h);
    a.length = bytes::unchecked::Le32(h + 4);
    if (a.type == kEndOfAttributes || a.length < 24 ||
        !bytes::Fits(record.size(), offset, a.length)) {
        return std::nullopt;
    }
    a.offset = std::uint32_t(offset);
    a.nonResident = h[8] != 0;
    a.flags = bytes::unchecked::Le16(h + 12);
    const bytes::Span raw = record.subspan(offset, a.length);
    const std::uint32_t nameBytes = 2u * h[9];
    const std::uint32_t nameOffset = bytes::unchecked::Le16(h + 10);
    if (!bytes::Fits(raw.size(), nameOffset, nameBytes)) {
        return std::nullopt;
    }
    a.name = raw.subspan(nameOffset, nameBytes);
    if (!a.nonResident) {
        const std::uint32_t valueLength = bytes::unchecked::Le32(h + 16);
        const std::uint32_t valueOffset = bytes::unchecked::Le16(h + 20);
        if (!bytes::Fits(raw.size(), valueOffset, valueLength)) {
            return std::nullopt;
        }
        a.value = raw.subspan(valueOffset, valueLength);
        return a;
    }
    if (a.length < 64) {
        return std::nullopt;
    }
    a.lowestVcn = bytes::unchecked::Le64(h + 16);
    a.highestVcn = bytes::unchecked::Le64(h + 24);
    const std::uint32_t pairsOffset = bytes::unchecked::Le16(h + 32);
    a.compressionUnit = h[34];
    a.allocatedSize = bytes::unchecked::Le64(h + 40);
    a.realSize = bytes::unchecked::Le64(h + 48);
    a.initializedSize = bytes::unchecked::Le64(h + 56);
    if (pairsOffset > raw.size()) {
        return std::nullopt;
    }
    a.mappingPairs = raw.subspan(pairsOffset);
    return a;
}

AttributeWalker::AttributeWalker(bytes::Span record) : record_(record), offset_(0) {
    // The caller passes a record that FixupRecord accepted, so the offset is in range.
    if (record.size() >= 22) {
        offset_ = bytes::unchecked::Le16(&record[20]);
    } else {
        offset_ = record.size();
    }
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
