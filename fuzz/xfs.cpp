// Mounts the XFS reader over a memory-backed volume of 16 MiB (XFS's smallest), walks the
// whole tree (bounded), reads every file, asks for blocks' allocation and mounts again from
// the geometry the superblock gave. Whatever the inodes, directory blocks, block-map and
// free-space trees claim, every call must end, stay inside what was read and allocate only
// bounded amounts. The input is a sparse image (volume_fuzz.h) of 32768 sectors.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/xfs/vxfs.h"
#include "volume_fuzz.h"

namespace {
constexpr std::size_t kXfsSectors = 32768;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size, kXfsSectors));
    cPartRecord record;
    record.SetRecord(&storage, 0, kXfsSectors, 0x83);
    cVXFS fs;
    if (!fs.Mount(record)) {
        return 0;
    }
    fuzzvolume::Walk(fs);
    for (std::uint64_t block = 0; block < fs.GetBlockCount() && block < 70000; block += 97) {
        fs.IsBlockUsed(block);
    }
    fs.GetIdentity();
    const cExtXFSParams params = xfs::ParamsOf(fs.Geometry());
    cPartRecord again;
    again.SetRecord(&storage, 0, kXfsSectors, 0x83);
    cVXFS fromParams;
    if (fromParams.MountWithParams(again, &params)) {
        fuzzvolume::OpenByIds(fromParams, 200);
    }
    return 0;
}
