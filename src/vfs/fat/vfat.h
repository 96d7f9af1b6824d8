#pragma once
// Readers of the FAT family: cVFAT for FAT12 and FAT16, cVFAT32 for FAT32. Both read the
// first FAT only, follow cluster chains with a visited set and a step limit, and list
// deleted entries and volume labels as well as live objects. A deleted file reads from
// the free clusters that follow its first one. Object ids are first clusters; the
// FAT12/16 root folder, which has none, is id 0.

#include "vfs/fat/fat_boot.h"
#include "vfs/vfs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class cFatHandle;

// What the two readers share; they differ in where the boot record and the root folder
// are and how FAT entries are stored.
class cVFATBase : public cVFS {
public:
    bool IsCaseSensitive() const override { return false; }
    // Type code, then the 64-bit partition start sector.
    std::vector<std::uint8_t> GetIdentity() const override;
    std::unique_ptr<cFSObject> GetObject(std::uint64_t id) override;
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& entry) override;
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t flags = 0) override;
    bool Mount(cPartRecord& record) override;
    // From the geometry a reconstruction found (cExtFATParams of this reader's width).
    bool MountWithParams(cPartRecord& record, const cExternalVFSParams* params) override;

    std::uint32_t GetBlockSize() const override { return layout_.clusterBytes; }
    std::uint64_t GetFirstBlockSector() const override {
        return layout_.dataStart - PartitionStart();
    }
    // Cluster 2 is the first of the data area.
    std::uint64_t GetFirstBlockNumber() const override { return 2; }
    // Unit numbers are cluster numbers: yes when the cluster's FAT entry is not 0.
    bool IsBlockUsed(std::uint64_t cluster) override;
    bool HasBlockMap() const override { return true; }
    std::uint64_t GetVolumeSectors() const override {
        return std::uint64_t(boot_.totalSectors) * boot_.bytesPerSector / fatboot::kSectorBytes;
    }

    // The next-cluster value of a cluster's FAT entry; 0 (free) when the entry lies beyond
    // the FAT or its sector cannot be read.
    virtual std::uint32_t FatEntry(std::uint32_t cluster) = 0;
    // Reads one cluster (ClusterBytes() bytes); no unless all of it was read.
    bool ReadCluster(std::uint8_t* buffer, std::uint64_t cluster) const;
    // Reads count clusters that follow each other on disk, in one storage read.
    bool ReadClusters(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) const;

    const fatboot::cBootRecord& BootRecord() const { return boot_; }
    const fatboot::cLayout& Layout() const { return layout_; }

protected:
    bool IsFat32() const { return boot_.width == 32; }
    bool EndsChain(std::uint32_t next) const { return (next & endOfChainMask_) == endOfChainMask_; }
    bool IsDataCluster(std::uint64_t cluster) const {
        return cluster >= 2 && cluster < layout_.clusterLimit;
    }
    // Up to count (at most 2) sectors of the first FAT from sector on, through a cache of
    // the last ones read; shorter when the FAT ends or a sector cannot be read, empty when
    // nothing could be read.
    std::span<const std::uint8_t> FatSectors(std::uint64_t sector, std::uint32_t count);

private:
    static constexpr std::uint64_t kNoSector = ~std::uint64_t(0);

    std::array<std::uint8_t, 2 * fatboot::kSectorBytes> fatCache_{};
    std::uint64_t cachedFatSector_ = kNoSector;
    std::size_t cachedFatBytes_ = 0;

    // Takes the volume's geometry and names the partition.
    void Attach(cPartRecord& record, const fatboot::cBootRecord& boot,
                const fatboot::cLayout& layout);
    // The boot sector to mount from: its own sector 0, or the FAT32 backup copy.
    virtual std::optional<fatboot::cBootRecord> ReadBootRecord() = 0;
    // A ".." entry naming cluster 0 means the root; FAT32 gives the root its cluster.
    std::uint64_t ParentFromDotDot(std::uint32_t cluster) const;
    // The clusters of an entry's data, in order, appended to handle when one is given;
    // answers how many were found, nothing when the data cannot be reached at all. A
    // folder takes its whole chain, a file no more clusters than its size needs.
    std::optional<std::uint64_t> DataClusters(const cFSObject& entry, cFatHandle* handle);
    // Follows the chain from firstCluster for at most limit clusters. Nothing when it
    // breaks, loops or outgrows the volume before it ends or reaches the limit.
    std::optional<std::uint64_t> FollowChain(std::uint32_t firstCluster, std::uint64_t limit,
                                             cFatHandle* handle);
    // A deleted file's chain was freed with it, so its clusters are taken as they were
    // most often written: one after the other from the first, up to limit, as long as
    // the table shows each one free. A used cluster in the way belongs to a newer file;
    // the data ends there, short of the size.
    std::uint64_t FreedClusters(std::uint32_t firstCluster, std::uint64_t limit);
    std::uint64_t ClustersFor(std::uint64_t size) const {
        return size / layout_.clusterBytes + (size % layout_.clusterBytes != 0);
    }
    // The entry's data cannot be read whole: its handle would fail to open or end short.
    bool IsIncomplete(const cFSObject& entry);
    void NamePartition(cPartRecord& record);

    std::uint32_t endOfChainMask_ = 0;
    fatboot::cBootRecord boot_;
    fatboot::cLayout layout_;
};

// FAT12 and FAT16 (type 6, "FAT").
class cVFAT final : public cVFATBase {
public:
    std::uint32_t GetFSType() const override { return fstype::kFat; }
    std::uint64_t GetRootId() const override { return 0; }
    std::uint32_t FatEntry(std::uint32_t cluster) override;

    static std::uint32_t DefaultClusterSize(std::uint64_t sectors) {
        return fatboot::DefaultFat16ClusterSize(sectors);
    }

private:
    std::optional<fatboot::cBootRecord> ReadBootRecord() override;
};

// FAT32 (type 7, "FAT32").
class cVFAT32 final : public cVFATBase {
public:
    std::uint32_t GetFSType() const override { return fstype::kFat32; }
    std::uint64_t GetRootId() const override { return BootRecord().rootCluster; }
    std::uint32_t FatEntry(std::uint32_t cluster) override;

    static std::uint32_t DefaultClusterSize(std::uint64_t sectors) {
        return fatboot::DefaultFat32ClusterSize(sectors);
    }

private:
    std::optional<fatboot::cBootRecord> ReadBootRecord() override;
};

// Run-list handles whose runs are clusters.
class cFatHandle : public cRLDrivenObjectHandle {
public:
    explicit cFatHandle(cVFATBase* reader) : cRLDrivenObjectHandle(reader), reader_(reader) {}
    bool ReadBlock(std::uint8_t* buffer, std::uint64_t cluster) override {
        return reader_->ReadCluster(buffer, cluster);
    }
    bool ReadBlocks(std::uint8_t* buffer, std::uint64_t first, std::uint64_t count) override {
        return reader_->ReadClusters(buffer, first, count);
    }

private:
    cVFATBase* reader_;
};

class cFat32Handle final : public cFatHandle {
public:
    using cFatHandle::cFatHandle;
};
