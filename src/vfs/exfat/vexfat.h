#pragma once
// The exFAT reader (type 23, "exFAT"). It reads the active FAT and allocation bitmap,
// checks each entry set's checksum and name hash, and lists deleted sets beside live
// ones. exFAT has no inode numbers and no ".." entries: an object's id is the position
// of its file entry on the volume in 32-byte units, the root is id 0, and a folder learns
// its parent when the parent lists it.

#include "vfs/exfat/exfat_boot.h"
#include "vfs/exfat/exfat_dir.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class cExfatHandle;

class cVExFAT final : public cVFS {
public:
    static constexpr std::uint64_t kRootId = 0;
    // EnumFolder's flag that lists a deleted folder too, from the clusters it had as long
    // as they are free (a scan files its files with the other deleted ones).
    static constexpr std::uint32_t kListDeletedFolder = 1;

    std::uint32_t GetFSType() const override { return fstype::kExfat; }
    bool HasUnicodeNames() const override { return true; }
    bool IsCaseSensitive() const override { return false; }
    // Type code, then the 64-bit partition start sector.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    std::uint64_t GetRootId() const override { return kRootId; }
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    bool Mount(cPartRecord& record) override;
    // Mounts from the boot record a scan put together (cExtExfatParams).
    bool MountWithParams(cPartRecord& record, const cExternalVFSParams* params) override;

    std::uint32_t GetBlockSize() const override { return layout_.clusterBytes; }
    std::uint64_t GetFirstBlockSector() const override { return layout_.heapStart; }
    // Cluster 2 is the first of the cluster heap.
    std::uint64_t GetFirstBlockNumber() const override { return 2; }
    // Unit numbers are cluster numbers: the allocation bitmap's bit for the cluster. A
    // cluster the bitmap does not reach counts as used.
    bool IsBlockUsed(std::uint64_t cluster) override;
    bool HasBlockMap() const override { return true; }
    std::uint64_t GetVolumeSectors() const override { return layout_.volumeSectors; }

    // Reads count clusters that follow each other on disk, in one storage read.
    bool ReadClusters(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) const;

    const exfatboot::cBootRecord& BootRecord() const { return boot_; }
    const exfatboot::cLayout& Layout() const { return layout_; }

private:
    static constexpr std::uint64_t kNoSector = ~std::uint64_t(0);
    static constexpr std::uint64_t kUnknownParent = ~std::uint64_t(0);

    bool IsDataCluster(std::uint64_t cluster) const {
        return cluster >= 2 && cluster < layout_.clusterLimit;
    }
    std::uint64_t ClustersFor(std::uint64_t size) const {
        return size / layout_.clusterBytes + (size % layout_.clusterBytes != 0);
    }
    bool MountFrom(cPartRecord& record, const exfatboot::cBootRecord& boot, bool fatFound);
    // The next-cluster value of a cluster's FAT entry; 0 when it cannot be read or the
    // volume's FAT was not found.
    std::uint32_t FatEntry(std::uint32_t cluster);
    // Appends the clusters of a set's data to handle (when given) and answers how many
    // there are; nothing when the data cannot be reached at all.
    std::optional<std::uint64_t> DataClusters(const exfatdir::cEntrySet& set, cExfatHandle* handle);
    // Follows the FAT from first for at most limit clusters and answers how many it
    // found before the chain ended, broke or looped. A deleted file's chain also stops at
    // a cluster the bitmap shows used.
    std::uint64_t FollowChain(std::uint32_t first, std::uint64_t limit, bool freeOnly,
                              cExfatHandle* handle);
    std::unique_ptr<cExfatHandle> OpenSet(const exfatdir::cEntrySet& set);
    // The root folder's chain, as a folder handle.
    std::unique_ptr<cExfatHandle> OpenRoot();
    // The set whose file entry has this id, read across the folder's cluster boundary.
    std::optional<exfatdir::cEntrySet> ReadSetAt(std::uint64_t id);
    // An entry for a decoded set at id, as listings give it.
    std::unique_ptr<cFSObject> MakeEntry(const exfatdir::cEntrySet& set, std::uint64_t id,
                                         std::uint64_t parentId);
    // Sets every field of entry, whose class fits the set, as MakeEntry would.
    void FillEntry(cFSObject& entry, const exfatdir::cEntrySet& set, std::uint64_t id,
                   std::uint64_t parentId);
    // Reads the root folder's bitmap and up-case table entries, and the volume label.
    bool ReadRootEntries();
    void LoadUpcase(std::uint32_t firstCluster, std::uint64_t length, std::uint32_t checksum);
    bool NameHashOk(const exfatdir::cEntrySet& set) const;
    const std::vector<std::uint8_t>& Bitmap();

    exfatboot::cBootRecord boot_;
    exfatboot::cLayout layout_;
    std::array<std::uint8_t, 512> fatCache_{};
    std::uint64_t cachedFatSector_ = kNoSector;
    bool fatFound_ = true;
    std::uint32_t bitmapCluster_ = 0;
    std::uint64_t bitmapLength_ = 0;
    bool bitmapLoaded_ = false;
    std::vector<std::uint8_t> bitmap_;
    // Up-cased form of every UTF-16 unit; empty when the volume's table is unusable and
    // names are then not checked against their hashes.
    std::vector<char16_t> upcase_;
    std::u16string label_;
    // Which folder each listed folder cluster belongs to, for parents of entries found
    // by position.
    std::unordered_map<std::uint64_t, std::uint64_t> folderOfCluster_;
};

// Run-list handles whose runs are clusters. Bytes past the valid data length read as
// zeros: later clusters are holes, and the cluster holding the end is cut there.
class cExfatHandle final : public cRLDrivenObjectHandle {
public:
    explicit cExfatHandle(cVExFAT* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {}
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t cluster) override;
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override;

    // The cluster in which valid data ends and how many of its bytes are valid.
    void SetValidEnd(std::uint64_t cluster, std::uint32_t bytes) {
        validEndCluster_ = cluster;
        validEndBytes_ = bytes;
    }

private:
    void CutAtValidEnd(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) const;

    cVExFAT* reader_;
    std::uint64_t validEndCluster_ = 0;
    std::uint32_t validEndBytes_ = 0;
};
