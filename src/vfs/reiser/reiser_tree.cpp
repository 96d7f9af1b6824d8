#include "vfs/reiser/reiser_tree.h"

#include <algorithm>

namespace reiser {
namespace {

eItem OldType(std::uint32_t uniqueness) {
    switch (uniqueness) {
    case 0:
        return eItem::kStat;
    case 0xFFFFFFFE:
        return eItem::kIndirect;
    case 0xFFFFFFFF:
        return eItem::kDirect;
    case 500:
        return eItem::kFolder;
    default:
        return eItem::kOther;
    }
}

eItem NewType(std::uint64_t word) {
    switch (word >> 60) {
    case 0:
        return eItem::kStat;
    case 1:
        return eItem::kIndirect;
    case 2:
        return eItem::kDirect;
    case 3:
        return eItem::kFolder;
    default:
        return eItem::kOther;
    }
}

} // namespace

cKey ParseKey(bytes::Fixed<kKeyBytes> key, std::optional<bool> newFormat) {
    cKey out;
    out.object = {bytes::Le32<0>(key), bytes::Le32<4>(key)};
    const std::uint64_t word = bytes::Le64<8>(key);
    // A 3.6 key shows itself by a type of 1 to 3 in its top bits; a 3.5 key's uniqueness
    // never does, and a stat data key reads the same either way.
    const std::uint64_t type = word >> 60;
    const bool isNew = newFormat.value_or(type >= 1 && type <= 3);
    if (isNew) {
        out.offset = word & ((std::uint64_t(1) << 60) - 1);
        out.type = NewType(word);
    } else {
        out.offset = bytes::Le32<8>(key);
        out.type = OldType(bytes::Le32<12>(key));
    }
    return out;
}

std::optional<cNode> ParseNode(bytes::Span block) {
    const auto head = bytes::Slice<kNodeHeaderBytes>(block);
    if (!head) {
        return std::nullopt;
    }
    cNode node;
    node.level = bytes::Le16<0>(*head);
    const std::uint64_t count = bytes::Le16<2>(*head);
    if (node.level == 0 || node.level > kMaxLevel) {
        return std::nullopt;
    }
    if (node.level > kLeafLevel) {
        const std::uint64_t childStart = kNodeHeaderBytes + count * kKeyBytes;
        if (!bytes::Fits(block.size(), childStart, (count + 1) * kChildBytes)) {
            return std::nullopt;
        }
        for (std::uint64_t i = 0; i < count; ++i) {
            node.keys.push_back(
                ParseKey(*bytes::Slice<kKeyBytes>(block, kNodeHeaderBytes + i * kKeyBytes)));
        }
        for (std::uint64_t i = 0; i <= count; ++i) {
            node.children.push_back(*bytes::Le32At(block, childStart + i * kChildBytes));
        }
        return node;
    }
    if (!bytes::Fits(block.size(), kNodeHeaderBytes, count * kItemHeaderBytes)) {
        return std::nullopt;
    }
    const std::uint64_t bodies = kNodeHeaderBytes + count * kItemHeaderBytes;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto header =
            *bytes::Slice<kItemHeaderBytes>(block, kNodeHeaderBytes + i * kItemHeaderBytes);
        cItem item;
        item.newFormat = bytes::Le16<22>(header) == 1;
        item.key = ParseKey(header.subspan<0, kKeyBytes>(), item.newFormat);
        item.entryCount = bytes::Le16<16>(header);
        const std::uint64_t length = bytes::Le16<18>(header);
        const std::uint64_t location = bytes::Le16<20>(header);
        if (location < bodies || !bytes::Fits(block.size(), location, length)) {
            return std::nullopt;
        }
        item.body = block.subspan(location, length);
        node.items.push_back(item);
    }
    return node;
}

std::optional<cStat> ParseStat(const cItem& item) {
    cStat stat;
    if (item.newFormat) {
        const auto sd = bytes::Slice<44>(item.body);
        if (!sd) {
            return std::nullopt;
        }
        stat.mode = bytes::Le16<0>(*sd);
        stat.size = bytes::Le64<8>(*sd);
        stat.mtime = bytes::Le32<28>(*sd);
        return stat;
    }
    const auto sd = bytes::Slice<32>(item.body);
    if (!sd) {
        return std::nullopt;
    }
    stat.mode = bytes::Le16<0>(*sd);
    stat.size = bytes::Le32<8>(*sd);
    stat.mtime = bytes::Le32<16>(*sd);
    return stat;
}

std::vector<cEntry> ParseEntries(const cItem& item) {
    constexpr std::uint64_t kHeader = 16;
    constexpr std::uint16_t kVisible = 1 << 2;
    std::vector<cEntry> out;
    // Names are packed from the item's end backwards: each ends where the one before starts.
    std::uint64_t end = item.body.size();
    for (std::uint64_t i = 0; i < item.entryCount; ++i) {
        const auto header = bytes::Slice<kHeader>(item.body, i * kHeader);
        if (!header) {
            break;
        }
        const std::uint64_t location = bytes::Le16<12>(*header);
        if (location < (i + 1) * kHeader || location > end) {
            break;
        }
        bytes::Span name = item.body.subspan(location, end - location);
        end = location;
        if (!(bytes::Le16<14>(*header) & kVisible)) {
            continue;
        }
        name = name.first(std::size_t(std::find(name.begin(), name.end(), 0) - name.begin()));
        out.push_back({{bytes::Le32<4>(*header), bytes::Le32<8>(*header)}, name});
    }
    return out;
}

} // namespace reiser
