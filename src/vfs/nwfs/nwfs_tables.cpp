#include "vfs/nwfs/nwfs_tables.h"

namespace nwfs {

namespace {

constexpr std::uint32_t kFolder = 0x10;
constexpr std::uint32_t kChainEnd = 0xFFFFFFFF;
// The name lies between its length byte and the size at 48.
constexpr std::size_t kName = 12;
constexpr std::size_t kMaxName = 48 - kName;

} // namespace

std::optional<cFatLink> LinkOf(bytes::Span table, std::uint64_t block) {
    if (block >= table.size() / kFatEntry) {
        return std::nullopt;
    }
    const auto entry = *bytes::Slice<kFatEntry>(table, std::size_t(block) * kFatEntry);
    return cFatLink{bytes::Le32<0>(entry), bytes::Le32<4>(entry)};
}

bool FollowChain(bytes::Span table, std::uint64_t blocks, std::uint32_t first,
                 const std::function<bool(std::uint32_t block)>& visit) {
    std::uint32_t block = first;
    for (std::uint64_t position = 0;; ++position) {
        const std::optional<cFatLink> link = LinkOf(table, block);
        if (block >= blocks || !link || link->sequence != position) {
            return false;
        }
        if (!visit(block) || link->next == 0 || link->next == kChainEnd) {
            return true;
        }
        block = link->next;
    }
}

std::optional<cEntry> EntryAt(bytes::Span directory, std::uint64_t number) {
    if (number >= directory.size() / kDirEntry) {
        return std::nullopt;
    }
    const auto raw = *bytes::Slice<kDirEntry>(directory, std::size_t(number) * kDirEntry);
    const std::size_t length = raw[11];
    if (length == 0 || length > kMaxName) {
        return std::nullopt;
    }
    cEntry entry;
    entry.parent = bytes::Le32<0>(raw);
    entry.folder = (bytes::Le32<4>(raw) & kFolder) != 0;
    entry.dosNameSpace = raw[10] == 0;
    entry.name.assign(raw.begin() + kName, raw.begin() + kName + std::ptrdiff_t(length));
    entry.size = bytes::Le32<48>(raw);
    entry.firstBlock = bytes::Le32<52>(raw);
    return entry;
}

} // namespace nwfs
