#pragma once
// Which file system a partition holds. Detect runs the built-in probes in a fixed order
// and mounts the first reader whose probe answers yes and whose Mount succeeds; the order
// is the only tie-break. RecogniseSuperblock serves the partition search: it looks at
// single sectors for superblocks and turns a hit into a candidate partition.

#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class cPartTreeItem;

// The type code of the first built-in probe that answers yes for the record, whether or
// not its reader would mount; 0 when none does. The recovery flow scans by it a partition
// whose reader refused it.
std::uint32_t ProbedFSType(const cPartRecord& record);

// A further detector, asked after the built-in probes.
class cVFSDetector {
public:
    virtual ~cVFSDetector() = default;
    virtual std::unique_ptr<cVFS> Detect(cPartRecord& record) = 0;
};

// Which file systems a partition search wants.
class cVFSFilter {
public:
    virtual ~cVFSFilter() = default;
    virtual bool Wants(std::uint32_t typeCode) const = 0;
};

class cVFSDetectManager {
public:
    cVFSDetectManager() = default;
    cVFSDetectManager(const cVFSDetectManager&) = delete;
    cVFSDetectManager& operator=(const cVFSDetectManager&) = delete;
    virtual ~cVFSDetectManager() = default;

    // The one manager of the process.
    static cVFSDetectManager& Instance();

    // Looks at the data read at an absolute sector of the owner's storage. On a
    // superblock of a wanted file system that mounts and is not already in the owner's
    // tree, adds a candidate node under the owner, its reader attached and its length the
    // volume's size, and answers it; otherwise null and the tree is unchanged. A copy of
    // a superblock leads to its volume's start, never to a volume of its own.
    virtual cPartTreeItem* RecogniseSuperblock(cPartTreeItem& owner, std::uint64_t sector,
                                               std::span<const std::uint8_t> data,
                                               const cVFSFilter* filter = nullptr);
    // The candidate node for a volume at start under the owner, as RecogniseSuperblock
    // makes it; null when nothing mounts there or the owner's tree holds that volume.
    cPartTreeItem* AddCandidate(cPartTreeItem& owner, std::uint64_t start);
    // Whether the owner's tree holds a node at start whose file system has typeCode.
    static bool HoldsVolumeAt(const cPartTreeItem& owner, std::uint64_t start,
                              std::uint32_t typeCode);
    // The mounted reader of the record's file system, or null. The caller attaches it.
    virtual std::unique_ptr<cVFS> Detect(cPartRecord& record);

    void AddDetector(std::unique_ptr<cVFSDetector> detector) {
        detectors_.push_back(std::move(detector));
    }

private:
    std::vector<std::unique_ptr<cVFSDetector>> detectors_;
};

// Superblock tests of the partition search: the type code and the partition start for
// the data at an absolute sector, or type 0 when nothing matches.
struct cSuperblockHit {
    std::uint32_t typeCode = 0;
    std::uint64_t start = 0;
};
cSuperblockHit MatchSuperblock(std::uint64_t sector, std::span<const std::uint8_t> data,
                               const cVFSFilter* filter);

class cLeafDetector;

// The manager as the partition tree's leaf detector; it lives as long as the process.
cLeafDetector& VFSLeafDetector();
