#pragma once
// cVNTFS: the NTFS reader. Everything is read from MFT records, and every record through
// a stream over $MFT's own data, so a fragmented MFT is followed through its run list.
// Object ids are MFT record numbers; the root folder is record 5. Folder listings walk
// the "$I30" index: the index root, then every index block the index bitmap marks in use.
// Records are read whether they are in use or not, so a deep scan can reach deleted files
// through GetObject and OpenObject.

#include "vfs/ntfs/boot_sector.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_obj.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class cVNTFS final : public cVFS {
public:
    cVNTFS();
    ~cVNTFS() override;

    // Type code, total sectors (boot offset 40), volume serial number (boot offset 72).
    std::vector<std::uint8_t> GetIdentity() const override;
    bool HasUnicodeNames() const override { return true; }
    std::uint32_t GetFSType() const override;
    bool IsCaseSensitive() const override { return false; }

    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    bool Mount(cPartRecord& record) override;
    // From cExtNTFSParams: the MFT's place and record size, for a lost boot sector.
    bool MountWithParams(cPartRecord& record, const cExternalVFSParams* params) override;
    // Files open their unnamed $DATA, folders their "$I30" index allocation or root.
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    // The unnamed $DATA of the file record at a sector of the partition.
    std::unique_ptr<cObjectHandle> OpenObjectAtRecord(std::uint64_t sector) override;
    std::uint64_t GetRootId() const override;
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;

    std::uint32_t GetBlockSize() const override { return clusterSize_; }
    // The cluster's bit in $Bitmap; no when it cannot be read.
    bool IsBlockUsed(std::uint64_t cluster) override;
    bool HasBlockMap() const override { return true; }
    // The boot record's count leaves out the backup boot sector that follows the volume.
    // Unknown (0) after a mount from a scan's parameters, which has no boot record.
    std::uint64_t GetVolumeSectors() const override;

    std::uint32_t ClusterSize() const { return clusterSize_; }
    // Clusters that both the volume and its partition hold; runs reaching further are
    // damaged and would read another partition's bytes.
    std::uint64_t ClusterLimit() const { return clusterLimit_; }
    // Bytes in a count of clusters, saturating rather than wrapping for hostile counts.
    std::uint64_t BytesOf(std::uint64_t clusters) const {
        return clusters > UINT64_MAX / clusterSize_ ? UINT64_MAX : clusters * clusterSize_;
    }
    std::uint32_t RecordSize() const { return recordSize_; }
    // Absolute sector of MFT record 0.
    std::uint64_t MftStart() const { return mftStart_; }

    // Record n read through the $MFT stream and fixed up; null when it cannot be read or
    // fails the record checks.
    std::optional<std::vector<std::uint8_t>> ReadRecord(std::uint64_t n);
    // A stream over the attribute (type, name) of record n, found in the record or through
    // its $ATTRIBUTE_LIST, with the extents of a non-resident attribute gathered from
    // every record that holds one. Null when any piece is missing or damaged.
    std::unique_ptr<cNTFSObj> OpenStream(std::uint64_t n, std::uint32_t type,
                                         std::u16string_view name = u"");
    // Reads count clusters starting at lcn; no unless all were read and all lie below
    // ClusterLimit().
    bool ReadClusters(std::uint64_t lcn, std::uint64_t count, std::uint8_t* out);

private:
    // How a record's attribute was found: the record that holds it (the base record or
    // one of its extension records) and the attribute's place there.
    struct Found {
        std::vector<std::uint8_t> record;
        std::uint32_t offset = 0;
    };

    // Sets the block count and the cluster limit from the volume's own cluster count.
    void SetClusterCount(std::uint64_t clusters);
    bool FinishMount(std::vector<std::uint8_t> mftRecord);
    std::unique_ptr<cNTFSObj> OpenStreamIn(std::vector<std::uint8_t> base, std::uint64_t n,
                                           std::uint32_t type, std::u16string_view name,
                                           bool allExtents);
    // The whole $ATTRIBUTE_LIST of a base record; empty when it has none or it is damaged.
    std::vector<std::uint8_t> AttributeList(const std::vector<std::uint8_t>& base, std::uint64_t n);
    // The extent of (type, name) starting at lowestVcn, in the base record or in the
    // extension record the attribute list names.
    std::optional<Found> FindExtent(const std::vector<std::uint8_t>& base, std::uint64_t n,
                                    const std::vector<std::uint8_t>& list, std::uint32_t type,
                                    std::u16string_view name, std::uint64_t lowestVcn);
    // Every $FILE_NAME of record n: those of the base record, or when it has none, those
    // of the extension records its attribute list names.
    std::vector<std::vector<std::uint8_t>> FileNameValues(const std::vector<std::uint8_t>& base,
                                                          std::uint64_t n);
    // The listing entry of record n, from its record alone.
    std::unique_ptr<cFSObject> EntryFromRecord(std::uint64_t n);
    // Index blocks of the allocation that the index bitmap marks in use, in order.
    bool ListIndexBlocks(std::uint64_t folder, std::uint32_t blockSize,
                         const std::function<bool(bytes::Span)>& walkEntries);

    ntfs::BootGeometry boot_;
    std::uint32_t clusterSize_ = 0;
    std::uint32_t recordSize_ = 0;
    std::uint64_t mftStart_ = 0;
    std::uint64_t clusterLimit_ = 0;
    std::uint64_t volumeStart_ = 0; // sectors from the partition start to cluster 0
    std::unique_ptr<cNTFSObj> mft_;
    std::unique_ptr<cNTFSObj> bitmap_;
    std::array<std::uint8_t, 4096> bitmapWindow_{};
    std::uint64_t bitmapWindowStart_ = ~std::uint64_t(0); // first cluster it covers
    std::uint32_t bitmapWindowBytes_ = 0;
};
