#pragma once
// Rebuilding a FAT volume's tree from what is left of it. Four steps run one after the
// other on the same partition, each as its own job: Detect finds the geometry (or the
// caller sets it from a mounted reader), CheckTables loads the allocation table, Index
// reads every cluster and keeps those that hold folder entries, and Build turns them into
// result trees. Live files go to the rebuilt tree, deleted ones to the deleted tree, and
// files whose data cannot be had whole to the damaged tree, each under its folder path.

#include "scan/fat/fat_allocation.h"
#include "scan/fat/fat_geometry.h"
#include "scan/rebuild_results.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class cBaseIO;
class cProgressNotifyTarget;
class cQORNVStorage;

using cFATResults = cRebuildResults;
using cFATBuildCounts = cRebuildCounts;

class cFATReconstructor {
public:
    // One entry of a folder cluster, as parsed.
    struct cDirEntryItem {
        std::u16string name;
        std::uint32_t firstCluster = 0;
        std::uint32_t size = 0;
        std::uint8_t attributes = 0;
        std::uint32_t mtime = 0; // FAT date (high word) and time (low word) as stored
        bool deleted = false;

        bool IsFolder() const { return (attributes & 0x10) != 0; }
    };

    // A cluster found to hold folder entries. The FAT12/16 root folder is cluster 0.
    // Entries are kept as read, up to the one that ends the folder: a long name may begin
    // in one cluster of a folder and end in the next, so they are parsed once the folder's
    // clusters are put together.
    struct cDirCluster {
        std::uint32_t cluster = 0;
        bool startsDirectory = false; // it opens with "." and ".."
        bool endsDirectory = false;   // a 0 entry ends the folder in it
        std::uint32_t parent = 0;     // the ".." entry's cluster
        std::vector<std::uint8_t> entries;
    };

    // The entries of a folder's clusters (or of the FAT12/16 root area), "." and ".."
    // and volume labels left out; a long name is taken when its pieces precede the short
    // entry. Parsing stops at the first 0 entry or at an entry no folder holds.
    static std::vector<cDirEntryItem> ParseEntries(std::span<const std::uint8_t> buffer,
                                                   bool fat32);

    cFATReconstructor(const cBaseIO& storage, std::uint64_t partitionStart,
                      std::uint64_t partitionSectors);
    ~cFATReconstructor();

    const fatscan::cFATGeometry& Geometry() const { return geometry_; }
    // From a detection or a mounted reader.
    void SetGeometry(const fatscan::cFATGeometry& geometry) { geometry_ = geometry; }

    // Searches the partition; no when nothing was found or the job was stopped.
    bool Detect(cProgressNotifyTarget* progress, bool allowFat32 = true);
    // Loads the table of the geometry's width.
    bool CheckTables(cProgressNotifyTarget* progress);
    cFATAllocation& Table() { return *table_; }
    // Reads the data area (and the FAT12/16 root area) for folder clusters.
    bool Index(cProgressNotifyTarget* progress);
    const std::vector<cDirCluster>& Records() const { return records_; }
    // Empties the records into the result trees (each needs its root made already).
    bool Build(const cFATResults& results, cProgressNotifyTarget* progress,
               cFATBuildCounts* counts = nullptr);

    // Heap bytes the records hold, for the benchmark.
    std::uint64_t RecordBytes() const;

private:
    bool IndexRootArea();

    const cBaseIO& storage_;
    std::uint64_t partitionStart_;
    std::uint64_t partitionSectors_;
    fatscan::cFATGeometry geometry_;
    std::unique_ptr<cFATAllocation> table_;
    std::vector<cDirCluster> records_;
};
