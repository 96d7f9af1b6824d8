// Mounts each UFS reader (little-endian, big-endian, Adaptec) over a memory-backed volume
// of 2 MiB, walks the whole tree (bounded), reads every file, opens objects by inode number
// and asks for fragments' allocation. Whatever the superblock, group headers, inodes,
// indirect blocks and folder records claim (pointers that repeat or leave the volume,
// records of length 0 or past their block, folders that hold their parents), every call
// must end, stay inside what was read and allocate only bounded amounts. The input is a
// sparse image (volume_fuzz.h) of 4096 sectors.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ufs/vufs.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

namespace {

template <class Reader> void Exercise(cMemIO& storage) {
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0xA5);
    Reader fs;
    if (!fs.Mount(record)) {
        return;
    }
    fuzzvolume::Walk(fs);
    fuzzvolume::OpenByIds(fs, 40);
    for (std::uint64_t fragment = 0; fragment < fs.GetBlockCount() && fragment < 70000;
         fragment += 97) {
        fs.IsBlockUsed(fragment);
    }
    fs.GetIdentity();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    Exercise<cVUFS>(storage);
    Exercise<cVUFSBs>(storage);
    Exercise<cVSnapUFS>(storage);
    return 0;
}
