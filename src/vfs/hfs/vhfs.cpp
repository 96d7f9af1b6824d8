#include "vfs/hfs/vhfs.h"

namespace {

constexpr hfs::cKeyFormat kCatalogKey{1, 2};
constexpr hfs::cKeyFormat kExtentsKey{1, 2};

} // namespace

bool cVHFS::Mount(cPartRecord& record) {
    BindPartition(&record);
    codePage_ = codepage::kMacRoman;
    std::array<std::uint8_t, 512> sector{};
    const bool read = ReadSectorsAt(PartitionStart() + hfs::kHeaderSector, sector.data(), 1);
    const std::optional<hfs::cMasterDirectoryBlock> mdb =
        read ? hfs::ParseMasterDirectoryBlock(sector, kMaxBlockBytes) : std::nullopt;
    if (!mdb) {
        BindPartition(nullptr);
        return false;
    }
    // 16-bit block numbers of at most 4 MiB blocks stay far inside 64 bits.
    SetGeometry(PartitionStart() + mdb->firstBlockSector, mdb->blockSize, mdb->blockCount);
    SetIdentity(mdb->identity);
    if (!OpenTrees(mdb->extents, mdb->catalog, kExtentsKey, kCatalogKey)) {
        BindPartition(nullptr);
        return false;
    }
    if (!record.FindExtension(part_ext::kVolumeName)) {
        record.AttachExtension(
            std::make_unique<cPartNameData>(hfs::DisplayName(DecodeName(mdb->name))));
    }
    return true;
}

std::optional<hfs::cCatalogRecord> cVHFS::ParseRecord(bytes::Span data) const {
    return hfs::ParseClassicRecord(data);
}

std::optional<std::u16string> cVHFS::RecordName(bytes::Span key) const {
    const std::optional<bytes::Span> name = hfs::ClassicKeyName(key);
    if (!name) {
        return std::nullopt;
    }
    return hfs::DisplayName(DecodeName(*name));
}

std::optional<cHFSReader::cOverflowRecord> cVHFS::ParseOverflow(const hfs::cRecord& record) const {
    // Key: length, fork type, file id, start block (16 bits).
    const auto key = bytes::Slice<8>(record.key);
    const auto extents = bytes::Slice<12>(record.data);
    if (!key || !extents) {
        return std::nullopt;
    }
    return cOverflowRecord{(*key)[1], bytes::Be16<6>(*key), hfs::ParseClassicExtents(*extents)};
}
