#pragma once
// LZNT1, the compression of NTFS compressed attributes.

#include "base/bytes.h"

#include <cstdint>
#include <span>

namespace ntfs {

inline constexpr std::size_t kLznt1ChunkSize = 4096;

// Decompresses the chunks stored at the start of in into out, one 4096-byte output chunk
// per stored chunk; output the chunks do not cover is set to zero. A chunk header's low
// 12 bits + 3 give the chunk's stored size with its header, bit 0x8000 marks it
// compressed, and a zero header ends the data. Fails on an uncompressed chunk that does
// not hold exactly 4096 bytes, a chunk that runs past in, a back-reference before the
// start of its chunk, and output past the chunk or past out.
bool Lznt1Decompress(bytes::Span in, std::span<std::uint8_t> out);

} // namespace ntfs
