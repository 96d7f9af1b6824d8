#pragma once
// Multi-sector protection ("update sequence array") of MFT records and index blocks.

#include <cstdint>
#include <span>

namespace ntfs {

// Puts back the two bytes that the writer moved from the end of every 512-byte stride into
// the array whose offset and count stand at header offsets 4 and 6. At most count - 1
// strides (the first element is the sequence number itself) and at most the strides of
// block are repaired. The value found at a stride's end is deliberately not compared with
// the sequence number: a torn write leaves the rest of the block worth reading.
// False when the array does not lie inside the block.
bool ApplyUpdateSequence(std::span<std::uint8_t> block);

} // namespace ntfs
