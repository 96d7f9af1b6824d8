#include "vfs/probes.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/base_io.h"
#include "part/part_tree.h"
#include "vfs/exfat/exfat_boot.h"
#include "vfs/ext/ext_super.h"
#include "vfs/fat/fat_boot.h"
#include "vfs/hfs/hfs_volume.h"
#include "vfs/ntfs/boot_sector.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace probe {
namespace {

constexpr std::size_t kSector = 512;

bool Text(std::span<const std::uint8_t> data, std::size_t offset, std::string_view text) {
    return bytes::Fits(data.size(), offset, text.size()) &&
           std::memcmp(data.data() + offset, text.data(), text.size()) == 0;
}

std::vector<std::uint8_t> Read(const SectorSource& read, std::uint64_t sector,
                               std::uint32_t count) {
    std::vector<std::uint8_t> data(std::size_t(count) * kSector);
    if (!read(sector, count, data.data())) {
        data.clear();
    }
    return data;
}

// UFS superblocks (FreeBSD ffs/fs.h): magic at 1372, block size at 48, fragment size at
// 52, fragments per block at 56.
constexpr std::uint32_t kUfs1Magic = 0x00011954;
constexpr std::uint32_t kUfs2Magic = 0x19540119;

bool UfsAt(const SectorSource& read, bool bigEndian) {
    struct Place {
        std::uint64_t sector;
        bool ufs1, ufs2;
    };
    static constexpr Place kPlaces[] = {
        {16, true, false}, {128, false, true}, {512, true, false}, {0, true, true}};
    for (const Place& place : kPlaces) {
        const std::vector<std::uint8_t> sb = Read(read, place.sector, 3);
        if (sb.empty()) {
            continue;
        }
        const auto magic = bigEndian ? bytes::Be32At(sb, 1372) : bytes::Le32At(sb, 1372);
        if ((place.ufs1 && magic == kUfs1Magic) || (place.ufs2 && magic == kUfs2Magic)) {
            return true;
        }
        // FreeBSD's makefs writes UFS2 at 8 KiB, where UFS1 lives; the superblock's own
        // location field (offset 1000) says so.
        const auto location = bigEndian ? bytes::Be64At(sb, 1000) : bytes::Le64At(sb, 1000);
        if (place.sector == 16 && magic == kUfs2Magic && location == 8192u) {
            return true;
        }
    }
    return false;
}

bool HfsPlusHeader(std::span<const std::uint8_t> header) {
    const auto fields = bytes::Slice<48>(header);
    return fields && (Text(header, 0, "H+") || Text(header, 0, "HX")) &&
           bytes::Be32<40>(*fields) != 0 && bytes::Be32<44>(*fields) != 0;
}

} // namespace

bool IsPowerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

SectorSource SourceOf(const cPartRecord& record) {
    return [&record](std::uint64_t sector, std::uint32_t count, std::uint8_t* out) {
        cBaseIO* storage = record.Storage();
        const std::optional<std::uint64_t> at = checked::Add(record.Start(), sector);
        return storage && at && storage->SeekSector(*at) == std::int64_t(*at) &&
               storage->ReadSectors(out, count) == count;
    };
}

bool Ntfs(const SectorSource& read) {
    const std::vector<std::uint8_t> sector = Read(read, 0, 1);
    const auto boot = bytes::Slice<kSector>(sector);
    if (!boot || !Text(*boot, 3, "NTFS    ")) {
        return false;
    }
    const std::uint16_t bytesPerSector = bytes::Le16<11>(*boot);
    const std::uint8_t sectorsPerCluster = (*boot)[13];
    return bytesPerSector >= 512 && IsPowerOfTwo(bytesPerSector) &&
           IsPowerOfTwo(sectorsPerCluster) && bytes::Le64<40>(*boot) != 0 &&
           bytes::Le64<48>(*boot) != 0 && bytes::Le64<56>(*boot) != 0;
}

bool NtfsBackup(const SectorSource& read, std::uint64_t partitionSectors) {
    const auto boot = ntfs::FindBackupBootSector(
        [&read](std::uint64_t sector, std::uint8_t* out) { return read(sector, 1, out); },
        partitionSectors);
    return boot && boot->totalSectors != 0 && boot->mftCluster != 0 && boot->mftMirrorCluster != 0;
}

bool Ext(const SectorSource& read) {
    // Every group descriptor must point its bitmaps and inode table inside the volume.
    const std::optional<ext::cSuperblock> sb = ext::LoadSuperblock(read);
    return sb && ext::LoadDescriptors(*sb, read);
}

bool ExtCopy(const SectorSource& read) {
    const std::optional<ext::cSuperblock> sb = ext::LoadSuperblockCopy(read);
    return sb && ext::LoadDescriptors(*sb, read);
}

bool UfsLittleEndian(const SectorSource& read) {
    return UfsAt(read, false);
}
bool UfsBigEndian(const SectorSource& read) {
    return UfsAt(read, true);
}

bool Fat1216(const SectorSource& read) {
    const std::vector<std::uint8_t> boot = Read(read, 0, 1);
    return !boot.empty() && fatboot::Fat1216Width(boot) != 0;
}

bool Fat32(const SectorSource& read) {
    std::vector<std::uint8_t> boot = Read(read, 0, 1);
    if (!boot.empty() && fatboot::HasFat32Label(boot)) {
        return true;
    }
    boot = Read(read, fatboot::kBackupBootSector, 1);
    return !boot.empty() && fatboot::HasFat32Label(boot) &&
           bytes::Le16At(boot, 50) == fatboot::kBackupBootSector;
}

bool Exfat(const SectorSource& read) {
    return exfatboot::ReadBootRegion(read).has_value();
}

bool Xfs(const SectorSource& read) {
    const std::vector<std::uint8_t> sb = Read(read, 0, 1);
    if (sb.empty() || !Text(sb, 0, "XFSB")) {
        return false;
    }
    // The allocation group header follows the superblock's own sector.
    const std::uint64_t next = bytes::Be16At(sb, 102).value_or(0) / kSector;
    const std::vector<std::uint8_t> agf = Read(read, next, 1);
    return !agf.empty() && Text(agf, 0, "XAGF") && bytes::Be32At(agf, 8) == 0u;
}

bool Reiser(const SectorSource& read) {
    const std::vector<std::uint8_t> sb = Read(read, 128, 1);
    return !sb.empty() && Text(sb, 52, "ReIsEr");
}

bool HfsPlus(const SectorSource& read) {
    const std::vector<std::uint8_t> header = Read(read, 2, 1);
    if (header.empty()) {
        return false;
    }
    if (HfsPlusHeader(header)) {
        return true;
    }
    // An HFS wrapper around an HFS+ volume (Apple TN1150, "HFS Wrapper").
    const std::optional<std::uint64_t> embeddedStart = hfs::EmbeddedVolumeOffset(header);
    if (!embeddedStart) {
        return false;
    }
    const std::vector<std::uint8_t> embedded = Read(read, *embeddedStart + 2, 1);
    return !embedded.empty() && HfsPlusHeader(embedded);
}

bool Hfs(const SectorSource& read) {
    const std::vector<std::uint8_t> sector = Read(read, 2, 1);
    const auto mdb = bytes::Slice<kSector>(sector);
    return mdb && Text(*mdb, 0, "BD") && bytes::Be32<20>(*mdb) != 0 && bytes::Be16<18>(*mdb) != 0 &&
           bytes::Be32<24>(*mdb) != 0 && !Text(*mdb, 124, "H+") && !Text(*mdb, 124, "HX");
}

bool UdfTagValid(std::span<const std::uint8_t> tag, std::uint16_t* identifier) {
    const auto fixed = bytes::Slice<16>(tag);
    if (!fixed) {
        return false;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        if (i != 4) {
            sum = std::uint8_t(sum + (*fixed)[i]);
        }
    }
    if (sum != (*fixed)[4]) {
        return false;
    }
    if (identifier) {
        *identifier = bytes::Le16<0>(*fixed);
    }
    return true;
}

bool Udf(const SectorSource& read) {
    std::vector<std::uint8_t> anchor;
    std::uint16_t tag = 0;
    // The anchor is logical block 256, so where it is found tells the block size.
    std::uint64_t blockSectors = 0;
    for (std::uint64_t sector : {1024u, 2048u}) {
        blockSectors = sector / 256;
        anchor = Read(read, sector, 4);
        if (!anchor.empty() && UdfTagValid(anchor, &tag) && tag == 2) {
            break;
        }
        anchor.clear();
    }
    if (anchor.empty()) {
        return false;
    }
    // The main volume descriptor sequence extent: length at 16, location at 20.
    const std::uint64_t length = bytes::Le32At(anchor, 16).value_or(0);
    const std::uint64_t block = bytes::Le32At(anchor, 20).value_or(0);
    bool primary = false, partition = false, logical = false;
    for (std::uint64_t i = 0; i < length / (blockSectors * 512) && i < 256; ++i) {
        const std::vector<std::uint8_t> descriptor = Read(read, (block + i) * blockSectors, 4);
        if (descriptor.empty() || !UdfTagValid(descriptor, &tag) || tag == 0) {
            break;
        }
        primary |= tag == 1;
        partition |= tag == 5;
        logical |= tag == 6;
    }
    return primary && partition && logical;
}

bool Iso9660(const SectorSource& read) {
    // The volume descriptor set starts at byte 32768 (ECMA-119 8.1), so its first
    // descriptor decides. High Sierra discs put their mark after the descriptor's own
    // block number.
    const std::vector<std::uint8_t> descriptor = Read(read, 64, 1);
    return !descriptor.empty() && (Text(descriptor, 1, "CD001") || Text(descriptor, 9, "CDROM"));
}

bool SnapUfs(const SectorSource& read) {
    const std::vector<std::uint8_t> sectors = Read(read, 32, 3);
    const auto sb = bytes::Slice<3 * kSector>(sectors);
    if (!sb || bytes::Le32<1372>(*sb) != 0) {
        return false;
    }
    const std::uint32_t blockSize = bytes::Le32<48>(*sb);
    const std::uint32_t fragmentSize = bytes::Le32<52>(*sb);
    const std::uint32_t fragmentsPerBlock = bytes::Le32<56>(*sb);
    if (fragmentSize < 512 || blockSize < 512 || fragmentSize % 512 || blockSize % 512 ||
        !IsPowerOfTwo(fragmentSize) || !IsPowerOfTwo(blockSize) ||
        std::uint64_t(fragmentsPerBlock) * fragmentSize != blockSize) {
        return false;
    }
    return bytes::Le32<16>(*sb) != 0 && bytes::Le32<8>(*sb) == 32 / (blockSize / 512);
}

bool Jfs(const SectorSource& read) {
    const std::vector<std::uint8_t> sector = Read(read, 64, 1);
    const auto sb = bytes::Slice<kSector>(sector);
    if (!sb || !Text(*sb, 0, "JFS1")) {
        return false;
    }
    const std::uint32_t blockSize = bytes::Le32<24>(*sb);
    const std::uint32_t physicalBlockSize = bytes::Le32<32>(*sb);
    return blockSize >= 512 && IsPowerOfTwo(blockSize) && physicalBlockSize >= 512 &&
           IsPowerOfTwo(physicalBlockSize);
}

} // namespace probe
