#pragma once
// Mapping pairs: the compressed run list of a non-resident attribute extent.

#include "base/bytes.h"

#include <cstdint>
#include <vector>

namespace ntfs {

inline constexpr std::uint64_t kSparseLcn = ~std::uint64_t(0);

// A run of clusters: vcn..vcn+length-1 of the stream lie at lcn.. on the volume, or read
// as zeros when lcn is kSparseLcn.
struct Run {
    std::uint64_t vcn = 0;
    std::uint64_t lcn = 0;
    std::uint64_t length = 0;

    bool Sparse() const { return lcn == kSparseLcn; }
    std::uint64_t End() const { return vcn + length; }
    bool operator==(const Run&) const = default;
};

// Decodes the mapping pairs of one extent that starts at lowestVcn and appends its runs
// to runs. A gap between what runs already cover and lowestVcn becomes a sparse run.
// Each pair is a header byte (low nibble: bytes of the length, high nibble: bytes of the
// signed cluster delta, 0 for a sparse run) followed by both numbers, little-endian.
// Decoding ends at a zero header or at the end of pairs. Fails, leaving runs empty, on
// a length of zero bytes or a non-positive length, on numbers wider than 8 bytes or cut
// off by the end, on a cluster number outside 0..2^63, on an extent that starts inside
// what is already decoded, and on VCNs that would pass 2^63.
bool DecodeMappingPairs(bytes::Span pairs, std::uint64_t lowestVcn, std::vector<Run>& runs);

} // namespace ntfs
