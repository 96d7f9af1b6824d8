#include "vfs/udf/udf_handle.h"

#include "base/checked.h"
#include "vfs/udf/vudf.h"

#include <set>

bool cUDFHandle::Take(const udf::cAllocation& extent, std::uint64_t size, std::uint64_t& covered) {
    const std::uint64_t blockSize = Owner().GetBlockSize();
    const std::uint64_t blocks = (std::uint64_t(extent.length) + blockSize - 1) / blockSize;
    if (extent.type == udf::extenttype::kRecorded) {
        if (extent.block >= Owner().GetBlockCount() ||
            blocks > Owner().GetBlockCount() - extent.block) {
            SetDamaged(true);
        }
        AppendRun(extent.block, blocks);
    } else {
        AppendRun(cRun::kSparse, blocks);
    }
    covered = checked::SaturatingAdd(covered, blocks * blockSize);
    return covered < size;
}

bool cUDFHandle::Map(const udf::cFileEntry& entry, const std::vector<std::uint8_t>& entryBytes) {
    const std::uint32_t step = udf::DescriptorBytes(entry.adType);
    if (step == 0 || !bytes::Fits(entryBytes.size(), entry.adsOffset, entry.adsLength)) {
        return false;
    }
    SetSize(entry.size);
    continuations_ = 0;
    std::vector<std::uint8_t> list(entryBytes.begin() + entry.adsOffset,
                                   entryBytes.begin() + entry.adsOffset + entry.adsLength);
    std::set<std::uint32_t> visited;
    std::uint64_t covered = 0;
    bool more = covered < entry.size;
    while (more) {
        std::optional<std::uint32_t> next;
        for (std::size_t at = 0; more && at + step <= list.size(); at += step) {
            const std::optional<udf::cAllocation> extent =
                udf::ParseAllocation(bytes::Span(list).subspan(at, step), entry.adType);
            if (!extent || extent->length == 0) {
                more = false;
            } else if (extent->type == udf::extenttype::kContinuation) {
                next = extent->block;
                break;
            } else {
                more = Take(*extent, entry.size, covered);
            }
        }
        if (!more) {
            break;
        }
        // A list that ends, or continues where it has been before, leaves the file short.
        std::vector<std::uint8_t> block(Owner().GetBlockSize());
        const auto area =
            next && visited.insert(*next).second && Owner().ReadBlocks(block.data(), *next, 1)
                ? udf::AllocationExtentArea(block)
                : std::nullopt;
        if (!area) {
            break;
        }
        ++continuations_;
        list.assign(block.begin() + area->first, block.begin() + area->first + area->second);
    }
    if (covered < entry.size) {
        SetDamaged(true);
    }
    return true;
}
