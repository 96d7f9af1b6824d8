// Mounts the HFS+ reader over a memory-backed volume (plain, HFSX or wrapped in HFS),
// walks the whole tree (bounded), reads every file and the allocation file. Whatever the
// B-tree nodes, keys, forks and overflow extents claim, every call must end, stay inside
// what was read and allocate only bounded amounts. The input is a sparse image
// (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/hfs/vhfsx.h"
#include "volume_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0xAF);
    cVHFSx fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        for (std::uint64_t block = 0; block < fs.GetBlockCount() && block < 70000; block += 97) {
            fs.IsBlockUsed(block);
        }
        fs.GetIdentity();
    }
    return 0;
}
