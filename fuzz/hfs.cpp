// Mounts the classic HFS reader over a memory-backed volume, walks the whole tree
// (bounded) and reads every file. Whatever the master directory block, the B-tree nodes,
// the keys and the extent records claim, every call must end, stay inside what was read
// and allocate only bounded amounts. The input is a sparse image (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/hfs/vhfs.h"
#include "volume_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0xAF);
    cVHFS fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
    }
    return 0;
}
