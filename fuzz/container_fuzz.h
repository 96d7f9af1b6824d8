#pragma once
// What every container fuzz target does: arbitrary bytes as the container file, opened
// read-only by one reader; when it opens, reads at the start, the middle and the end of
// the disk it claims, and a duplicate read, must end and stay inside their buffers.

#include "io/base_io.h"
#include "support/mem_io.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace container_fuzz {

template <class Reader> void Exercise(const std::uint8_t* data, std::size_t size) {
    const cMemIO file(data, size);
    const cNastedIOResource carrier(file.Duplicate());
    Reader disk;
    if (!disk.Open(&carrier, true)) {
        return;
    }
    const std::uint64_t sectors = disk.GetSectorCount();
    constexpr std::uint32_t kRequest = 72; // not a power of two, so requests straddle blocks
    std::vector<std::uint8_t> buffer(std::size_t(kRequest) * kSectorSize);
    const std::uint64_t starts[] = {0, kRequest, sectors / 2,
                                    sectors > kRequest ? sectors - kRequest : 0};
    for (const std::uint64_t start : starts) {
        for (int i = 0; i < 8; ++i) {
            const std::uint64_t at = start + std::uint64_t(i) * kRequest;
            if (disk.SeekSector(at) < 0) {
                break;
            }
            if (disk.ReadSectors(buffer.data(), kRequest) > kRequest) {
                __builtin_trap();
            }
        }
    }
    const std::unique_ptr<cBaseIO> twin = disk.Duplicate();
    if (twin && twin->SeekSector(0) == 0 && twin->ReadSectors(buffer.data(), kRequest) > kRequest) {
        __builtin_trap();
    }
}

} // namespace container_fuzz
