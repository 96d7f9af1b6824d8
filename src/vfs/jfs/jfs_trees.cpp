// The two B+trees of JFS. Both keep their root in the inode (288 bytes) and their other
// nodes in pages of up to 4 KiB; slot 0 of every node is its header. An xtree's entries are
// 16-byte extent descriptors from slot 2 on; a dtree's entries are 32-byte slots reached
// through the node's sorted slot table, names continuing in chained slots.

#include "vfs/jfs/jfs_layout.h"

#include <algorithm>
#include <set>

namespace jfs {

namespace {

constexpr std::uint8_t kLeaf = 0x02;
constexpr std::uint8_t kInternal = 0x04;
// JFS trees are a few levels deep; a deeper chain of pages is a loop or damage.
constexpr unsigned kMaxDepth = 8;
// A file of a million extents needs about 4,000 leaf pages.
constexpr std::size_t kMaxPages = 8192;

bool IsLeafOrInternal(std::uint8_t flag, bool& leaf) {
    leaf = (flag & kLeaf) != 0;
    return leaf != ((flag & kInternal) != 0);
}

// A physical extent: a 24-bit length, then a 40-bit address split 8 + 32.
cExtent ParsePxd(bytes::Fixed<8> pxd) {
    cExtent extent;
    const std::uint32_t lengthAndHigh = bytes::Le32<0>(pxd);
    extent.count = lengthAndHigh & 0xFFFFFF;
    extent.start = (std::uint64_t(lengthAndHigh >> 24) << 32) | bytes::Le32<4>(pxd);
    return extent;
}

// An extent descriptor: flags, a 40-bit file offset, then a physical extent.
cExtent ParseXad(bytes::Fixed<16> xad) {
    cExtent extent = ParsePxd(xad.subspan<8, 8>());
    extent.unrecorded = (xad[0] & 0x08) != 0;
    extent.fileOffset = (std::uint64_t(xad[3]) << 32) | bytes::Le32<4>(xad);
    return extent;
}

// --- xtree ---

constexpr std::size_t kXadBytes = 16;
constexpr std::size_t kFirstXad = 2;

struct cExtentWalk {
    std::uint64_t pageBlocks;
    const PageReader& read;
    std::set<std::uint64_t> pages;
    std::vector<cExtent> extents;
};

bool ExtentNode(bytes::Span node, unsigned depth, cExtentWalk& walk) {
    const auto header = bytes::Slice<32>(node);
    bool leaf = false;
    if (!header || !IsLeafOrInternal((*header)[16], leaf)) {
        return false;
    }
    const std::size_t next = bytes::Le16<18>(*header);
    if (next < kFirstXad || next > node.size() / kXadBytes) {
        return false;
    }
    for (std::size_t i = kFirstXad; i < next; ++i) {
        const cExtent extent = ParseXad(*bytes::Slice<kXadBytes>(node, i * kXadBytes));
        if (leaf) {
            walk.extents.push_back(extent);
            continue;
        }
        std::vector<std::uint8_t> page;
        if (depth >= kMaxDepth || walk.pages.size() >= kMaxPages ||
            !walk.pages.insert(extent.start).second ||
            !walk.read(extent.start, walk.pageBlocks, page) || !ExtentNode(page, depth + 1, walk)) {
            return false;
        }
    }
    return true;
}

// --- dtree ---

constexpr std::size_t kSlotBytes = 32;
// The root holds its header and 8 slots, its slot table at 24 of the header.
constexpr std::size_t kRootSlots = kRootBytes / kSlotBytes;
constexpr std::size_t kRootTable = 24;
// Name characters in a leaf entry (the index takes the last 4 bytes when present) and in
// a continuation slot.
constexpr std::size_t kLeafChars = 11;
constexpr std::size_t kLegacyLeafChars = 13;
constexpr std::size_t kMoreChars = 15;

struct cDirWalk {
    bool dirIndex;
    const PageReader& read;
    const DirVisitor& visit;
    std::set<std::uint64_t> pages;
};

void AppendChars(std::u16string& name, bytes::Span from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        name.push_back(char16_t(bytes::unchecked::Le16(from.data() + 2 * i)));
    }
}

// The leaf entry in slot; null when its name runs out of the node's slots.
std::optional<cDirEntry> LeafEntry(bytes::Span node, std::size_t slots, std::size_t slot,
                                   bool dirIndex) {
    const auto first = *bytes::Slice<kSlotBytes>(node, slot * kSlotBytes);
    cDirEntry entry;
    entry.inode = bytes::Le32<0>(first);
    const std::size_t length = first[5];
    auto next = std::int8_t(first[4]);
    AppendChars(entry.name, first.subspan(6),
                std::min(length, dirIndex ? kLeafChars : kLegacyLeafChars));
    // Each continuation slot is used once, so a chain longer than the node loops.
    for (std::size_t steps = 0; entry.name.size() < length; ++steps) {
        if (next < 1 || std::size_t(next) >= slots || steps >= slots) {
            return std::nullopt;
        }
        const auto more = *bytes::Slice<kSlotBytes>(node, std::size_t(next) * kSlotBytes);
        AppendChars(entry.name, more.subspan(2), std::min(length - entry.name.size(), kMoreChars));
        next = std::int8_t(more[0]);
    }
    return entry;
}

bool DirNode(bytes::Span node, bool root, unsigned depth, cDirWalk& walk) {
    const auto header = bytes::Slice<kSlotBytes>(node);
    bool leaf = false;
    if (!header || !IsLeafOrInternal((*header)[16], leaf)) {
        return false;
    }
    const std::size_t count = (*header)[17];
    std::size_t slots = kRootSlots;
    std::size_t table = kRootTable;
    if (!root) {
        slots = std::min<std::size_t>((*header)[20], node.size() / kSlotBytes);
        table = std::size_t((*header)[21]) * kSlotBytes;
    }
    if ((root && count > kRootSlots - 1) ||
        (!root && (table == 0 || table > node.size() || count > node.size() - table))) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto slot = std::int8_t(node[table + i]);
        if (slot < 1 || std::size_t(slot) >= slots) {
            return false;
        }
        if (leaf) {
            const std::optional<cDirEntry> entry =
                LeafEntry(node, slots, std::size_t(slot), walk.dirIndex);
            if (!entry || !walk.visit(*entry)) {
                return false;
            }
            continue;
        }
        // An internal entry starts with the extent of its child page.
        const cExtent child = ParsePxd(*bytes::Slice<8>(node, std::size_t(slot) * kSlotBytes));
        std::vector<std::uint8_t> page;
        if (depth >= kMaxDepth || walk.pages.size() >= kMaxPages || child.count == 0 ||
            !walk.pages.insert(child.start).second || !walk.read(child.start, child.count, page) ||
            !DirNode(page, false, depth + 1, walk)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::vector<cExtent>> CollectExtents(const std::array<std::uint8_t, kRootBytes>& root,
                                                   std::uint64_t pageBlocks,
                                                   const PageReader& read) {
    cExtentWalk walk{pageBlocks, read, {}, {}};
    if (!ExtentNode(root, 0, walk)) {
        return std::nullopt;
    }
    return std::move(walk.extents);
}

std::uint32_t ParentOf(const std::array<std::uint8_t, kRootBytes>& root) {
    return bytes::Le32<20>(root);
}

bool WalkDirectory(const std::array<std::uint8_t, kRootBytes>& root, bool dirIndex,
                   const PageReader& read, const DirVisitor& visit) {
    cDirWalk walk{dirIndex, read, visit, {}};
    return DirNode(root, true, 0, walk);
}

} // namespace jfs
