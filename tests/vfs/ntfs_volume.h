#pragma once
// NTFS volumes for tests: an image held in memory with the reader mounted on it, a
// bounded walk of the whole tree, and the place on the image of records and clusters so
// that tests can damage exactly one structure.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_mount.h"
#include "vfs/ntfs/vntfs.h"
#include "vfs/volume_walk.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ntfs_test {

using vfs_test::Listed;
using vfs_test::LoadFile;
using vfs_test::ReadToEnd;
using vfs_test::WalkTree;

struct Volume {
    explicit Volume(std::vector<std::uint8_t> image) : io(std::move(image)) {
        record.SetRecord(&io, 0, io.GetSectorCount(), 0x07);
    }
    bool Mount() {
        fs = MountNtfs(record);
        ntfs = dynamic_cast<cVNTFS*>(fs.get());
        return ntfs != nullptr;
    }

    cMemIO io;
    cPartRecord record;
    std::unique_ptr<cVFS> fs;
    cVNTFS* ntfs = nullptr;
};

// Byte offset on the volume of a stream's byte at offset, through its run list.
inline std::optional<std::uint64_t> StreamByteOnVolume(cVNTFS& fs, const cNTFSObj& stream,
                                                       std::uint64_t offset) {
    const cRun* run = stream.Runs().Find(offset / fs.ClusterSize());
    if (!run || run->IsSparse()) {
        return std::nullopt;
    }
    const std::uint64_t lcn = run->physicalStart + (offset / fs.ClusterSize() - run->logicalStart);
    return lcn * fs.ClusterSize() + offset % fs.ClusterSize();
}

// Byte offset on the volume of MFT record n.
inline std::optional<std::uint64_t> RecordOnVolume(cVNTFS& fs, std::uint64_t n) {
    const auto mft = fs.OpenStream(ntfs::kMftRecord, ntfs::kData);
    return mft ? StreamByteOnVolume(fs, *mft, n * fs.RecordSize()) : std::nullopt;
}

} // namespace ntfs_test
