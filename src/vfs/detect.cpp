#include "vfs/detect.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/base_io.h"
#include "part/build_tree.h"
#include "part/part_tree.h"
#include "vfs/exfat/vexfat.h"
#include "vfs/ext/vext.h"
#include "vfs/fat/fat_boot.h"
#include "vfs/fat/vfat.h"
#include "vfs/hfs/vhfs.h"
#include "vfs/hfs/vhfsx.h"
#include "vfs/iso9660/viso9660.h"
#include "vfs/jfs/vjfs.h"
#include "vfs/ntfs/ntfs_mount.h"
#include "vfs/nwfs/vnwfs.h"
#include "vfs/probes.h"
#include "vfs/reiser/vreiser.h"
#include "vfs/superblock_copies.h"
#include "vfs/udf/vudf.h"
#include "vfs/ufs/vufs.h"
#include "vfs/xfs/vxfs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

using MountFunction = std::unique_ptr<cVFS> (*)(cPartRecord& record);

template <class Reader> std::unique_ptr<cVFS> MountReader(cPartRecord& record) {
    auto reader = std::make_unique<Reader>();
    if (!reader->Mount(record)) {
        return nullptr;
    }
    return reader;
}

struct cProbeRow {
    std::uint32_t typeCode;
    bool (*probe)(const cPartRecord& record, const probe::SectorSource& read);
    // Null while the program has no reader for the file system: a yes from its probe then
    // counts as a failed mount and detection goes on.
    MountFunction mount;
};

// Most probes only read sectors.
template <bool (*kProbe)(const probe::SectorSource&)>
bool BySectors(const cPartRecord&, const probe::SectorSource& read) {
    return kProbe(read);
}

// A NetWare volume is known from the partition map, not from its own sectors.
bool HasNetWareData(const cPartRecord& record, const probe::SectorSource&) {
    return record.FindExtension(part_ext::kNetWareData) != nullptr;
}

// The fixed order of detection: earlier rows win over later ones.
constexpr cProbeRow kProbes[] = {
    {fstype::kNtfs, BySectors<probe::Ntfs>, MountNtfs},
    {fstype::kExt, BySectors<probe::Ext>, MountReader<cVExt23>},
    {fstype::kUfs, BySectors<probe::UfsLittleEndian>, MountReader<cVUFS>},
    {fstype::kUfsBigEndian, BySectors<probe::UfsBigEndian>, MountReader<cVUFSBs>},
    {fstype::kFat, BySectors<probe::Fat1216>, MountReader<cVFAT>},
    {fstype::kFat32, BySectors<probe::Fat32>, MountReader<cVFAT32>},
    {fstype::kXfs, BySectors<probe::Xfs>, MountReader<cVXFS>},
    {fstype::kReiser, BySectors<probe::Reiser>, MountReader<cVReiser>},
    {fstype::kNwfs, HasNetWareData, MountReader<cVNWFS>},
    {fstype::kHfsPlus, BySectors<probe::HfsPlus>, MountReader<cVHFSx>},
    {fstype::kHfs, BySectors<probe::Hfs>, MountReader<cVHFS>},
    {fstype::kUdf, BySectors<probe::Udf>, MountReader<cVUDF>},
    {fstype::kIso9660, BySectors<probe::Iso9660>, MountReader<cVISO9660>},
    {fstype::kSnapUfs, BySectors<probe::SnapUfs>, MountReader<cVSnapUFS>},
    {fstype::kJfs, BySectors<probe::Jfs>, MountReader<cVJFS>},
    {fstype::kExfat, BySectors<probe::Exfat>, MountReader<cVExFAT>},
};

bool NtfsByBackup(const cPartRecord& record, const probe::SectorSource& read) {
    return probe::NtfsBackup(read, record.Length());
}

// Detection by the copy of a superblock, for a volume whose own is damaged: an NTFS boot
// sector's copy at the partition's end, an ext superblock's in group 1. A volume formatted
// over an old one keeps the old one's copies too, so these count only when no row above
// claims the partition.
constexpr cProbeRow kCopyProbes[] = {
    {fstype::kNtfs, NtfsByBackup, MountNtfs},
    {fstype::kExt, BySectors<probe::ExtCopy>, MountReader<cVExt23>},
};

bool Text(std::span<const std::uint8_t> data, std::size_t offset, std::string_view text) {
    return bytes::Fits(data.size(), offset, text.size()) &&
           std::memcmp(data.data() + offset, text.data(), text.size()) == 0;
}

// A few bytes at a fixed place of a superblock, compared as one little-endian load of 8
// bytes under a mask.
struct cMagic {
    std::size_t offset = 0;
    std::uint64_t value = 0;
    std::uint64_t mask = 0;
};

constexpr cMagic Magic(std::size_t offset, std::string_view text) {
    cMagic magic{offset};
    for (std::size_t i = 0; i < text.size(); ++i) {
        magic.value |= std::uint64_t(std::uint8_t(text[i])) << (8 * i);
        magic.mask |= std::uint64_t(0xFF) << (8 * i);
    }
    return magic;
}

constexpr cMagic Magic32(std::size_t offset, std::uint32_t littleEndian) {
    return {offset, littleEndian, 0xFFFFFFFF};
}

// The partition search's superblock tests; distance is how far into the volume the
// tested sector lies. The search runs them on every sector of a disk, so each names the
// bytes its superblocks always hold (one of its magics; an empty second one is unused)
// and the tests run only on sectors that hold one of them.
struct cSuperblockTest {
    std::uint32_t typeCode;
    // The distance in sectors when the data matches, or -1.
    std::int64_t (*match)(std::span<const std::uint8_t> data);
    std::array<cMagic, 2> magics;
};

std::int64_t NtfsBoot(std::span<const std::uint8_t> d) {
    return Text(d, 3, "NTFS    ") ? 0 : -1;
}

std::int64_t ExtSuper(std::span<const std::uint8_t> d) {
    const auto sb = bytes::Slice<90>(d);
    if (!sb || bytes::Le16<56>(*sb) != 0xEF53) {
        return -1;
    }
    const std::uint64_t logBlock = bytes::Le32<24>(*sb), logFragment = bytes::Le32<28>(*sb);
    return logBlock < 7 && logFragment < 7 &&
                   bytes::Le32<32>(*sb) * logBlock == bytes::Le32<36>(*sb) * logFragment
               ? 2
               : -1;
}

std::int64_t UfsSuper(std::span<const std::uint8_t> d, bool swapped) {
    const auto sb = bytes::Slice<1376>(d);
    if (!sb) {
        return -1;
    }
    const std::uint32_t magic = bytes::Le32<1372>(*sb);
    // A UFS2 superblock written at 8 KiB (by makefs) records that place at offset 1000.
    const std::uint64_t location = swapped ? bytes::Be64<1000>(*sb) : bytes::Le64<1000>(*sb);
    const bool ufs2 = magic == (swapped ? 0x19015419u : 0x19540119u);
    const std::int64_t distance = magic == (swapped ? 0x54190100u : 0x00011954u) ? 16
                                  : ufs2 && location == 8192                     ? 16
                                  : ufs2                                         ? 128
                                                                                 : -1;
    const auto fields = sb->subspan<48, 12>();
    const std::uint64_t block = swapped ? bytes::Be32<0>(fields) : bytes::Le32<0>(fields);
    const std::uint64_t fragment = swapped ? bytes::Be32<4>(fields) : bytes::Le32<4>(fields);
    const std::uint64_t perBlock = swapped ? bytes::Be32<8>(fields) : bytes::Le32<8>(fields);
    if (distance < 0 || block == 0 || fragment == 0 || block % 512 || fragment % 512 ||
        perBlock * fragment != block) {
        return -1;
    }
    return distance;
}

std::int64_t FatBoot(std::span<const std::uint8_t> d, bool fat32) {
    const auto boot = bytes::Slice<fatboot::kSectorBytes>(d);
    if (!boot || (fat32 ? !fatboot::HasFat32Label(d) : !fatboot::Fat1216Width(d))) {
        return -1;
    }
    const bool sized = bytes::Le16<19>(*boot) != 0 || bytes::Le32<32>(*boot) != 0;
    return sized && bytes::Le16<11>(*boot) >= 512 ? 0 : -1;
}

std::int64_t HfsPlusHeader(std::span<const std::uint8_t> d) {
    const auto header = bytes::Slice<52>(d);
    if (!header || !(Text(d, 0, "H+") || Text(d, 0, "HX"))) {
        return -1;
    }
    const std::uint32_t total = bytes::Be32<44>(*header);
    return probe::IsPowerOfTwo(bytes::Be32<40>(*header)) && total != 0 &&
                   bytes::Be32<48>(*header) <= total
               ? 2
               : -1;
}

std::int64_t UdfAnchor(std::span<const std::uint8_t> d) {
    std::uint16_t tag = 0;
    return probe::UdfTagValid(d, &tag) && tag == 2 ? 1024 : -1;
}

constexpr cSuperblockTest kSuperblockTests[] = {
    {fstype::kNtfs, NtfsBoot, {Magic(3, "NTFS    ")}},
    {fstype::kExt, ExtSuper, {Magic(56, "\x53\xEF")}},
    {fstype::kUfs,
     [](std::span<const std::uint8_t> d) { return UfsSuper(d, false); },
     {Magic32(1372, 0x00011954), Magic32(1372, 0x19540119)}},
    {fstype::kUfsBigEndian,
     [](std::span<const std::uint8_t> d) { return UfsSuper(d, true); },
     {Magic32(1372, 0x54190100), Magic32(1372, 0x19015419)}},
    {fstype::kFat,
     [](std::span<const std::uint8_t> d) { return FatBoot(d, false); },
     {Magic(54, "FAT1"), Magic(54, "TFAT1")}},
    {fstype::kFat32,
     [](std::span<const std::uint8_t> d) { return FatBoot(d, true); },
     {Magic(82, "FAT32"), Magic(82, "TFAT32")}},
    {fstype::kXfs,
     [](std::span<const std::uint8_t> d) { return Text(d, 0, "XFSB") ? std::int64_t(0) : -1; },
     {Magic(0, "XFSB")}},
    {fstype::kJfs,
     [](std::span<const std::uint8_t> d) { return Text(d, 0, "JFS1") ? std::int64_t(64) : -1; },
     {Magic(0, "JFS1")}},
    {fstype::kReiser,
     [](std::span<const std::uint8_t> d) { return Text(d, 52, "ReIsEr") ? std::int64_t(128) : -1; },
     {Magic(52, "ReIsEr")}},
    {fstype::kHfsPlus, HfsPlusHeader, {Magic(0, "H+"), Magic(0, "HX")}},
    {fstype::kExfat,
     [](std::span<const std::uint8_t> d) { return Text(d, 3, "EXFAT   ") ? std::int64_t(0) : -1; },
     {Magic(3, "EXFAT   ")}},
    // The anchor's tag identifier.
    {fstype::kUdf, UdfAnchor, {Magic(0, std::string_view("\x02\x00", 2))}},
    {fstype::kIso9660,
     [](std::span<const std::uint8_t> d) {
         return Text(d, 1, "CD001") || Text(d, 9, "CDROM") ? std::int64_t(64) : -1;
     },
     {Magic(1, "CD001"), Magic(9, "CDROM")}},
};

constexpr std::size_t kMagicCount = [] {
    std::size_t count = 0;
    for (const cSuperblockTest& test : kSuperblockTests) {
        for (const cMagic& magic : test.magics) {
            count += magic.mask != 0 ? 1 : 0;
        }
    }
    return count;
}();

constexpr std::array<cMagic, kMagicCount> kMagics = [] {
    std::array<cMagic, kMagicCount> all{};
    std::size_t count = 0;
    for (const cSuperblockTest& test : kSuperblockTests) {
        for (const cMagic& magic : test.magics) {
            if (magic.mask != 0) {
                all[count++] = magic;
            }
        }
    }
    return all;
}();

// How many bytes the magics' loads need.
constexpr std::size_t kMagicReach = [] {
    std::size_t reach = 0;
    for (const cMagic& magic : kMagics) {
        reach = std::max(reach, magic.offset + 8);
    }
    return reach;
}();

// Unrolled at compile time, so that each magic is a load and a compare with constants.
template <std::size_t... Index>
bool HoldsAnyMagic(const std::uint8_t* data, std::index_sequence<Index...>) {
    return (((bytes::unchecked::Le64(data + kMagics[Index].offset) & kMagics[Index].mask) ==
             kMagics[Index].value) ||
            ...);
}

// False only when no superblock test can match the data. Data too short for the loads
// is left to the tests, which check their own bounds.
bool MayHoldSuperblock(std::span<const std::uint8_t> data) {
    return data.size() < kMagicReach ||
           HoldsAnyMagic(data.data(), std::make_index_sequence<kMagicCount>());
}

// The sectors a found volume spans: what its own boot record says when the reader knows,
// else its blocks. A hostile block count times the block size must not wrap to a small,
// plausible length; SetRange cuts a saturated one to the storage.
std::uint64_t VolumeExtent(const cVFS& reader) {
    std::uint64_t sectors = reader.GetVolumeSectors();
    if (sectors == 0) {
        sectors = checked::SaturatingMul(reader.GetBlockCount(),
                                         std::uint64_t(reader.GetBlockSize() / 512));
    }
    // NTFS keeps the copy of its boot sector in the sector behind the counted ones.
    return reader.GetFSType() == fstype::kNtfs ? checked::SaturatingAdd<std::uint64_t>(sectors, 1)
                                               : sectors;
}

// The partition tree reaches detection through this.
class cLeafDetection final : public cLeafDetector {
public:
    std::unique_ptr<cPartExtension> Detect(cPartRecord& record) override {
        return cVFSDetectManager::Instance().Detect(record);
    }
};

} // namespace

cVFSDetectManager& cVFSDetectManager::Instance() {
    static cVFSDetectManager manager;
    return manager;
}

std::uint32_t ProbedFSType(const cPartRecord& record) {
    const probe::SectorSource read = probe::SourceOf(record);
    for (const cProbeRow& row : kProbes) {
        if (row.probe(record, read)) {
            return row.typeCode;
        }
    }
    return 0;
}

std::unique_ptr<cVFS> cVFSDetectManager::Detect(cPartRecord& record) {
    const probe::SectorSource read = probe::SourceOf(record);
    bool claimed = false;
    for (const cProbeRow& row : kProbes) {
        if (!row.probe(record, read)) {
            continue;
        }
        claimed = true;
        // A yes for a file system without a reader counts as a failed mount.
        if (!row.mount) {
            continue;
        }
        if (std::unique_ptr<cVFS> reader = row.mount(record)) {
            return reader;
        }
    }
    for (const cProbeRow& row : kCopyProbes) {
        if (claimed || !row.probe(record, read)) {
            continue;
        }
        if (std::unique_ptr<cVFS> reader = row.mount(record)) {
            return reader;
        }
    }
    for (const auto& detector : detectors_) {
        if (std::unique_ptr<cVFS> reader = detector->Detect(record)) {
            return reader;
        }
    }
    return nullptr;
}

cSuperblockHit MatchSuperblock(std::uint64_t sector, std::span<const std::uint8_t> data,
                               const cVFSFilter* filter) {
    if (!MayHoldSuperblock(data)) {
        return {};
    }
    for (const cSuperblockTest& test : kSuperblockTests) {
        if (filter && !filter->Wants(test.typeCode)) {
            continue;
        }
        const std::int64_t distance = test.match(data);
        if (distance >= 0 && std::uint64_t(distance) <= sector) {
            return {test.typeCode, sector - std::uint64_t(distance)};
        }
    }
    return {};
}

cPartTreeItem* cVFSDetectManager::RecogniseSuperblock(cPartTreeItem& owner, std::uint64_t sector,
                                                      std::span<const std::uint8_t> data,
                                                      const cVFSFilter* filter) {
    const cSuperblockHit hit = MatchSuperblock(sector, data, filter);
    cBaseIO* storage = owner.Storage();
    if (hit.typeCode == 0 || !storage) {
        return nullptr;
    }
    const probe::SectorSource read = [storage](std::uint64_t at, std::uint32_t count,
                                               std::uint8_t* out) {
        return storage->SeekSector(at) == std::int64_t(at) &&
               storage->ReadSectors(out, count) == count;
    };
    for (const std::uint64_t start :
         sbcopy::VolumeStarts(hit.typeCode, sector, hit.start, data, read)) {
        if (HoldsVolumeAt(owner, start, hit.typeCode)) {
            return nullptr;
        }
        if (cPartTreeItem* candidate = AddCandidate(owner, start)) {
            return candidate;
        }
    }
    return nullptr;
}

bool cVFSDetectManager::HoldsVolumeAt(const cPartTreeItem& owner, std::uint64_t start,
                                      std::uint32_t typeCode) {
    const cPartTree* tree = owner.Tree();
    return tree && tree->FindFirst([start, typeCode](const cPartTreeItem& node) {
        const auto* fs = node.FindExtensionAs<cVFS>(part_ext::kFileSystem);
        return node.Start() == start && fs && fs->GetFSType() == typeCode;
    });
}

cPartTreeItem* cVFSDetectManager::AddCandidate(cPartTreeItem& owner, std::uint64_t start) {
    cBaseIO* storage = owner.Storage();
    cPartTree* tree = owner.Tree();
    if (!storage || !tree || start >= storage->GetSectorCount()) {
        return nullptr;
    }
    const std::uint64_t length = storage->GetSectorCount() - start;
    constexpr std::uint16_t kUnknownType = 0x7FFF;
    {
        cPartRecord probeRecord;
        probeRecord.SetRecord(storage, start, length, kUnknownType);
        const std::unique_ptr<cVFS> reader = Detect(probeRecord);
        if (!reader || tree->FindByFileSystem(reader->GetIdentity())) {
            return nullptr;
        }
    }
    auto node = std::make_unique<cPartTreeItem>();
    node->SetRecord(storage, start, length, kUnknownType);
    cPartTreeItem& candidate = tree->AddChild(&owner, std::move(node));
    std::unique_ptr<cVFS> reader = Detect(candidate);
    if (!reader) {
        tree->Remove(&candidate);
        return nullptr;
    }
    const std::uint64_t sectors = VolumeExtent(*reader);
    candidate.AttachExtension(std::move(reader));
    candidate.SetRange(start, sectors);
    return &candidate;
}

cLeafDetector& VFSLeafDetector() {
    static cLeafDetection detection;
    return detection;
}
