// Mounts the JFS reader over a memory-backed volume, walks the whole tree (bounded) and
// reads every file. Whatever the superblock, inodes, inode maps and trees claim (pages that
// point back up the tree or at themselves, slot tables and name chains that leave their
// node or loop, extents past the volume, filesets whose maps say they are other inodes),
// every call must end, stay inside what was read and allocate only bounded amounts. The
// input is a sparse image (volume_fuzz.h) of 16 MiB.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/jfs/vjfs.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSectors = 32768;
    cMemIO storage(fuzzvolume::LayOut(data, size, kSectors));
    cPartRecord record;
    record.SetRecord(&storage, 0, kSectors, 0);
    cVJFS fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 8);
        fs.GetIdentity();
    }
    return 0;
}
