#include "vfs/superblock_copies.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "vfs/fat/fat_boot.h"
#include "vfs/fs_types.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace sbcopy {
namespace {

constexpr std::uint64_t kSectorBytes = 512;

// An ext superblock records the block group it was written in; a copy in group g lies at
// the group's first block (the first data block plus g groups), the primary at byte 1024.
std::optional<std::uint64_t> ExtCopyStart(std::uint64_t sector, std::span<const std::uint8_t> d) {
    const auto sb = bytes::Slice<92>(d);
    if (!sb) {
        return std::nullopt;
    }
    const std::uint32_t group = bytes::Le16<90>(*sb);
    const std::uint32_t logBlock = bytes::Le32<24>(*sb);
    if (group == 0 || logBlock > 6) {
        return std::nullopt;
    }
    const std::uint64_t blockSize = 1024u << logBlock;
    const auto groupBlock = checked::Mul<std::uint64_t>(group, bytes::Le32<32>(*sb));
    const auto block =
        groupBlock ? checked::Add<std::uint64_t>(bytes::Le32<20>(*sb), *groupBlock) : std::nullopt;
    const auto offset = block ? checked::Mul<std::uint64_t>(*block, blockSize) : std::nullopt;
    const auto here = checked::Mul<std::uint64_t>(sector, kSectorBytes);
    if (!offset || !here || *offset > *here || (*here - *offset) % kSectorBytes != 0) {
        return std::nullopt;
    }
    return (*here - *offset) / kSectorBytes;
}

// A FAT32 boot sector with an equal copy where its backup field points is the primary;
// without one it is taken for the copy of a primary that is gone.
std::optional<std::uint64_t> Fat32CopyStart(std::uint64_t sector, std::span<const std::uint8_t> d,
                                            const probe::SectorSource& read) {
    const auto boot = bytes::Slice<fatboot::kSectorBytes>(d);
    if (!boot) {
        return std::nullopt;
    }
    const std::uint16_t backup = bytes::Le16<50>(*boot);
    const auto copyAt = checked::Add<std::uint64_t>(sector, backup);
    if (backup == 0 || backup == 0xFFFF || backup > sector || !copyAt) {
        return std::nullopt;
    }
    std::array<std::uint8_t, fatboot::kSectorBytes> copy{};
    if (read(*copyAt, 1, copy.data()) && std::memcmp(copy.data(), boot->data(), copy.size()) == 0) {
        return std::nullopt;
    }
    return sector - backup;
}

// The NTFS boot sector's copy lies in the sector its total-sector count names.
std::optional<std::uint64_t> NtfsCopyStart(std::uint64_t sector, std::span<const std::uint8_t> d) {
    const auto total = bytes::Le64At(d, 40);
    if (!total || *total == 0 || *total > sector) {
        return std::nullopt;
    }
    return sector - *total;
}

} // namespace

std::vector<std::uint64_t> VolumeStarts(std::uint32_t typeCode, std::uint64_t sector,
                                        std::uint64_t matchStart,
                                        std::span<const std::uint8_t> data,
                                        const probe::SectorSource& read) {
    std::vector<std::uint64_t> starts;
    switch (typeCode) {
    case fstype::kExt:
        // A copy's own place is known from its bytes, so the start the tests give is wrong.
        if (const auto start = ExtCopyStart(sector, data)) {
            return {*start};
        }
        break;
    case fstype::kFat32:
        if (const auto start = Fat32CopyStart(sector, data, read)) {
            starts.push_back(*start);
        }
        break;
    default:
        break;
    }
    starts.push_back(matchStart);
    // A primary NTFS boot sector mounts where it lies; only when that fails is it the copy.
    if (typeCode == fstype::kNtfs) {
        if (const auto start = NtfsCopyStart(sector, data)) {
            starts.push_back(*start);
        }
    }
    return starts;
}

} // namespace sbcopy
