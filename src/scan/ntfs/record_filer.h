#pragma once
// Files the records a deep scan finds into its three results: the tree of records in use,
// the deleted files (records no longer in use) and the damaged ones (a torn record, or
// data runs that leave the volume). Folders come from directory records through the
// reconstruction builder, so each result shows a file under the folder path its parent
// references still give.

#include "scan/ntfs/found_record.h"
#include "scan/ntfs/ntfs_geometry.h"
#include "scan/rebuild_builder.h"
#include "scan/vstorage.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct cNTFSResults {
    cQORNVStorage* tree = nullptr;
    cQORNVStorage* deleted = nullptr;
    cQORNVStorage* damaged = nullptr;
};

class cNTFSRecordFiler {
public:
    // partitionSectors bounds the volume: runs past it are damage.
    cNTFSRecordFiler(const cNTFSGeometry& geometry, std::uint64_t partitionSectors,
                     const cNTFSResults& results);

    // The record found at sector (from the partition start). A record met again (a copy
    // of one already filed) goes into no result twice.
    void File(const cFoundRecord& record, std::uint64_t sector);
    // Names the folders referenced as parents whose records were never found, and places
    // everything. Nothing may be filed afterwards.
    void Finish();

    // Files filed into each result so far, tree, deleted, damaged.
    const std::array<std::uint64_t, 3>& Counts() const { return counts_; }

private:
    enum Result { kTree, kDeleted, kDamaged };

    // Whether the record's number can key a folder or tell a copy from another record.
    bool Keyed(const cFoundRecord& record) const {
        return record.number != cFoundRecord::kNoNumber && record.number < maxRecords_;
    }
    void FileDirectory(const cFoundRecord& record);
    void FileFile(const cFoundRecord& record, std::uint64_t sector);
    // Files whose names were moved to extension records get them once every record is in.
    void NameFromExtensions();

    cNTFSGeometry geometry_;
    std::uint64_t maxRecords_ = 0;
    std::uint64_t volumeClusters_ = 0;
    std::array<cQORNVStorage*, 3> results_;
    std::array<cVSReconstructionBuilder, 3> builders_;
    std::array<std::unordered_set<std::uint64_t>, 3> filed_;
    std::unordered_set<std::uint64_t> directories_;
    std::unordered_set<std::uint64_t> parents_;
    struct cName {
        std::u16string name;
        std::uint64_t parent = 0;
        std::uint8_t nameSpace = 0;
    };
    // Names that extension records hold, by their base record.
    std::unordered_map<std::uint64_t, cName> extensionNames_;
    struct cUnnamed {
        std::uint64_t number;
        Result result;
        cVSItemId item;
    };
    std::vector<cUnnamed> unnamed_;
    std::array<std::uint64_t, 3> counts_{};
};
