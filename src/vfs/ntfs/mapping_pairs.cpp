#include "vfs/ntfs/mapping_pairs.h"

namespace ntfs {
namespace {

constexpr std::uint64_t kVcnLimit = std::uint64_t(1) << 63;

// Reads a field of 1 to 8 bytes as a little-endian two's complement number.
std::int64_t SignedLe(bytes::Span field) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        value |= std::uint64_t(field[i]) << (8 * i);
    }
    if (field.size() < 8 && (field.back() & 0x80) != 0) {
        value |= ~std::uint64_t(0) << (8 * field.size());
    }
    return std::int64_t(value);
}

bool Fail(std::vector<Run>& runs) {
    runs.clear();
    return false;
}

void Append(std::vector<Run>& runs, const Run& run) {
    if (!runs.empty()) {
        Run& last = runs.back();
        const bool joins =
            last.Sparse() ? run.Sparse() : (!run.Sparse() && last.lcn + last.length == run.lcn);
        if (joins) {
            last.length += run.length;
            return;
        }
    }
    runs.push_back(run);
}

} // namespace

bool DecodeMappingPairs(bytes::Span pairs, std::uint64_t lowestVcn, std::vector<Run>& runs) {
    const std::uint64_t decodedEnd = runs.empty() ? 0 : runs.back().End();
    if (lowestVcn < decodedEnd || lowestVcn >= kVcnLimit) {
        return Fail(runs);
    }
    if (lowestVcn > decodedEnd) {
        Append(runs, Run{decodedEnd, kSparseLcn, lowestVcn - decodedEnd});
    }
    std::uint64_t vcn = lowestVcn;
    std::int64_t lcn = 0;
    std::size_t at = 0;
    while (at < pairs.size() && pairs[at] != 0) {
        const unsigned lengthBytes = pairs[at] & 0x0F;
        const unsigned deltaBytes = pairs[at] >> 4;
        ++at;
        if (lengthBytes == 0 || lengthBytes > 8 || deltaBytes > 8 ||
            !bytes::Fits(pairs.size(), at, lengthBytes + deltaBytes)) {
            return Fail(runs);
        }
        const std::int64_t length = SignedLe(pairs.subspan(at, lengthBytes));
        at += lengthBytes;
        if (length <= 0 || std::uint64_t(length) > kVcnLimit - vcn) {
            return Fail(runs);
        }
        Run run{vcn, kSparseLcn, std::uint64_t(length)};
        if (deltaBytes != 0) {
            const std::int64_t delta = SignedLe(pairs.subspan(at, deltaBytes));
            at += deltaBytes;
            // Both values are below 2^63 in magnitude, so the sum cannot overflow when
            // their signs differ; with equal signs it is checked before it is made.
            if ((delta > 0 && lcn > INT64_MAX - delta) || lcn + delta < 0 ||
                std::uint64_t(lcn + delta) > kVcnLimit - std::uint64_t(length)) {
                return Fail(runs);
            }
            lcn += delta;
            run.lcn = std::uint64_t(lcn);
        }
        Append(runs, run);
        vcn += std::uint64_t(length);
    }
    return true;
}

} // namespace ntfs
