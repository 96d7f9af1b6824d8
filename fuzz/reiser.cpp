// Mounts the ReiserFS reader over a memory-backed volume, walks the whole tree (bounded),
// reads every file and asks the block bitmap. Whatever the superblock, nodes, keys, items
// and folder entries claim (nodes that point back up the tree or at themselves, levels
// that do not shrink, keys out of order, items past their node, pointers past the volume),
// every call must end, stay inside what was read and allocate only bounded amounts. The
// input is a sparse image (volume_fuzz.h) of 32 MiB: the tree lies behind the journal.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/reiser/vreiser.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSectors = 65536;
    cMemIO storage(fuzzvolume::LayOut(data, size, kSectors));
    cPartRecord record;
    record.SetRecord(&storage, 0, kSectors, 0);
    cVReiser fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 8);
        for (std::uint64_t block = 0; block < fs.GetBlockCount() && block < 70000; block += 97) {
            fs.IsBlockUsed(block);
        }
        fs.GetIdentity();
    }
    return 0;
}
