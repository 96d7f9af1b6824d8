#pragma once
// The two tables of a traditional NetWare volume. The block-allocation table gives every
// block an 8-byte entry: the block's place in its chain (0 for a chain's first block),
// then the next block, 0 or all ones at a chain's end; an entry of zeros marks a free
// block. The directory table is a chain of blocks of 128-byte entries, entry 0 being the
// volume's root; the fields read from an entry are those of the DOS name space.

#include "base/bytes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace nwfs {

inline constexpr std::size_t kFatEntry = 8;
inline constexpr std::size_t kDirEntry = 128;

struct cFatLink {
    std::uint32_t sequence = 0;
    std::uint32_t next = 0;
};

// The table entry of block in table; null when the table does not reach it.
std::optional<cFatLink> LinkOf(bytes::Span table, std::uint64_t block);

// Walks the chain from first: each block's entry must give its position in the chain.
// visit receives each block in order and may stop the walk by answering no. Answers no
// when a block lies outside the volume, its entry is missing from the table or carries the
// wrong position; a chain cannot loop, as a block can hold only one position. Yes at the
// chain's end or when visit stopped it.
bool FollowChain(bytes::Span table, std::uint64_t blocks, std::uint32_t first,
                 const std::function<bool(std::uint32_t block)>& visit);

struct cEntry {
    std::uint32_t parent = 0;
    bool folder = false;
    // Only DOS name space entries describe objects; the others repeat them with other names.
    bool dosNameSpace = false;
    std::vector<std::uint8_t> name;
    std::uint32_t size = 0;
    std::uint32_t firstBlock = 0;
};

// Entry number of the directory table; null when it lies outside the table or has no name.
std::optional<cEntry> EntryAt(bytes::Span directory, std::uint64_t number);

} // namespace nwfs
