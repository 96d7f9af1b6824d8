#include "scan/ntfs/run_extents.h"

#include "base/checked.h"
#include "scan/packed_extents.h"

cRunExtents RunExtents(std::span<const ntfs::Run> runs, const cNTFSGeometry& geometry,
                       std::uint64_t volumeClusters) {
    cRunExtents out;
    const std::uint32_t perCluster = geometry.SectorsPerCluster();
    std::vector<cQORNFileAllocation> extents;
    bool readable = true;
    for (const ntfs::Run& run : runs) {
        if (run.Sparse()) {
            out.plain = false;
            readable = false;
            continue;
        }
        if (run.lcn >= volumeClusters || run.length > volumeClusters - run.lcn) {
            out.inVolume = false;
            readable = false;
            continue;
        }
        if (!readable) {
            continue;
        }
        // Inside the volume, so these products stay far below 2^64.
        const std::uint64_t start = geometry.volumeStart + run.lcn * perCluster;
        const std::uint64_t sectors = run.length * perCluster;
        if (!extents.empty() && extents.back().start + extents.back().sectors == start) {
            extents.back().sectors += sectors;
        } else {
            extents.push_back({start, sectors, 0});
        }
        out.bytes = checked::SaturatingAdd(out.bytes, sectors * 512);
    }
    if (!extents.empty()) {
        out.packed = packedext::Encode(extents).value_or(std::vector<std::uint8_t>{});
    }
    return out;
}
